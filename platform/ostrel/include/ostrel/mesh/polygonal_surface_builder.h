// SPDX-License-Identifier: MIT
// PolygonalSurfaceBuilder<D>: the builder of PolygonalSurface<D>.
#pragma once

#include <memory>

#include <ostrel/mesh/polygonal_surface.h>
#include <ostrel/mesh/surface_mesh_builder.h>

namespace veyra {

template <index_t D>
class PolygonalSurfaceBuilder : public SurfaceMeshBuilder<D> {
 public:
  explicit PolygonalSurfaceBuilder(PolygonalSurface<D>& mesh);

  static std::unique_ptr<PolygonalSurfaceBuilder> create(PolygonalSurface<D>& mesh);
};

using PolygonalSurfaceBuilder2D = PolygonalSurfaceBuilder<2>;
using PolygonalSurfaceBuilder3D = PolygonalSurfaceBuilder<3>;

}  // namespace veyra
