// SPDX-License-Identifier: MIT
// TriangulatedSurfaceBuilder<D>: the builder of TriangulatedSurface<D>.
#pragma once

#include <array>
#include <memory>

#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/mesh/triangulated_surface.h>

namespace veyra {

template <index_t D>
class TriangulatedSurfaceBuilder : public SurfaceMeshBuilder<D> {
 public:
  explicit TriangulatedSurfaceBuilder(TriangulatedSurface<D>& mesh);

  static std::unique_ptr<TriangulatedSurfaceBuilder> create(TriangulatedSurface<D>& mesh);

  index_t create_triangle(const std::array<index_t, 3>& vertices) {
    return this->create_polygon(vertices);
  }
};

using TriangulatedSurfaceBuilder2D = TriangulatedSurfaceBuilder<2>;
using TriangulatedSurfaceBuilder3D = TriangulatedSurfaceBuilder<3>;

}  // namespace veyra
