// SPDX-License-Identifier: MIT
// Mesh sections of the native model files, one serializer per mesh class: the mesh id and name,
// the points, the elements with their adjacencies or incidence orders, the enabled edge and
// facet tables with their numbering, and every attribute. Readers check every count and index
// before handing anything to a mesh builder.
#pragma once

#include <memory>
#include <string_view>

#include <ostrel/mesh/edged_curve.h>
#include <ostrel/mesh/mesh_type.h>
#include <ostrel/mesh/point_set.h>
#include <ostrel/mesh/solid_mesh.h>
#include <ostrel/mesh/surface_mesh.h>

#include "binary_stream.h"

namespace veyra::internal {

/// `context` names the mesh in warnings, for example "Surface <id>".
template <index_t D>
void write_mesh(BinaryWriter& writer, const PointSet<D>& mesh, std::string_view context);
template <index_t D>
void write_mesh(BinaryWriter& writer, const EdgedCurve<D>& mesh, std::string_view context);
template <index_t D>
void write_mesh(BinaryWriter& writer, const SurfaceMesh<D>& mesh, std::string_view context);
template <index_t D>
void write_mesh(BinaryWriter& writer, const SolidMesh<D>& mesh, std::string_view context);

/// A mesh of implementation `impl` holding what write_mesh wrote.
template <index_t D>
std::unique_ptr<PointSet<D>> read_point_set(BinaryReader& reader, const MeshImpl& impl);
template <index_t D>
std::unique_ptr<EdgedCurve<D>> read_edged_curve(BinaryReader& reader, const MeshImpl& impl);
template <index_t D>
std::unique_ptr<SurfaceMesh<D>> read_surface_mesh(BinaryReader& reader, const MeshImpl& impl);
template <index_t D>
std::unique_ptr<SolidMesh<D>> read_solid_mesh(BinaryReader& reader, const MeshImpl& impl);

}  // namespace veyra::internal
