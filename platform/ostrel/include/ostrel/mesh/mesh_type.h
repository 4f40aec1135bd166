// SPDX-License-Identifier: MIT
// MeshType and MeshImpl: the name of a kind of mesh ("PolygonalSurface3D") and the key of one
// implementation of it ("OstrelPolygonalSurface3D").
#pragma once

#include <string>

#include <ostrel/basic/named_type.h>

namespace veyra {

/// Class name + dimension digit + "D" ("PointSet2D"), or "Graph".
using MeshType = NamedType<std::string, struct MeshTypeTag>;
/// Implementation key; the framework's own are "Ostrel" + the type name.
using MeshImpl = NamedType<std::string, struct MeshImplTag>;

}  // namespace veyra
