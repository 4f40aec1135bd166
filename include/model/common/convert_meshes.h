// SPDX-License-Identifier: MIT
// convert_meshes_into_brep and convert_meshes_into_section: a new model from separate point
// sets, curves and surface meshes, with the mappings from the input meshes to its components.
#pragma once

#include <functional>
#include <tuple>

#include <absl/types/span.h>

#include <ostrel/mesh/edged_curve.h>
#include <ostrel/mesh/point_set.h>
#include <ostrel/mesh/surface_mesh.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/section.h>

#include <model/common/mappings.h>

namespace veyra {

/// A BRep whose corners, lines and surfaces come from the meshes (see
/// detail::ModelBuilderFromMeshes), with its blocks built from the closed regions of the
/// surfaces and its model boundaries. The mappings relate the input meshes (by id), their
/// vertices and their elements to the corners, lines and surfaces of the result; they never
/// mention a block. Without surface no block is built (a warning is logged).
/// \throw VeyraConversionModelException as ModelBuilderFromMeshes::build_model and block
/// building.
std::tuple<BRep, BRepMappings> convert_meshes_into_brep(
    absl::Span<const std::reference_wrapper<const PointSet<3>>> point_sets,
    absl::Span<const std::reference_wrapper<const EdgedCurve<3>>> curves,
    absl::Span<const std::reference_wrapper<const SurfaceMesh<3>>> surfaces);

/// A Section from 2D meshes, the same way, without blocks nor model boundary step.
std::tuple<Section, SectionMappings> convert_meshes_into_section(
    absl::Span<const std::reference_wrapper<const PointSet<2>>> point_sets,
    absl::Span<const std::reference_wrapper<const EdgedCurve<2>>> curves,
    absl::Span<const std::reference_wrapper<const SurfaceMesh<2>>> surfaces);

}  // namespace veyra
