// SPDX-License-Identifier: MIT
#include <ostrel/mesh/surface_identifier.h>

#include <ostrel/mesh/surface_mesh.h>

#include "connected_groups.h"

namespace veyra::detail {

template <index_t D>
class SurfaceIdentifier<D>::Impl {
 public:
  explicit Impl(const SurfaceMesh<D>& surface) : mesh(surface) {}

  index_t identify() {
    return groups.identify(mesh.nb_polygons(), [this](auto&& unite) {
      for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
        for (local_index_t edge = 0; edge < mesh.nb_polygon_edges(polygon); ++edge) {
          if (const auto adjacent = mesh.polygon_adjacent({polygon, edge})) {
            unite(polygon, *adjacent);
          }
        }
      }
    });
  }

  const SurfaceMesh<D>& mesh;
  internal::IdentifiedGroups groups;
};

template <index_t D>
SurfaceIdentifier<D>::SurfaceIdentifier(const SurfaceMesh<D>& mesh)
    : impl_{std::make_unique<Impl>(mesh)} {}

template <index_t D>
SurfaceIdentifier<D>::~SurfaceIdentifier() = default;

template <index_t D>
index_t SurfaceIdentifier<D>::identify_polygons() {
  return impl_->identify();
}

template <index_t D>
std::vector<std::vector<index_t>> SurfaceIdentifier<D>::identified_connected_polygons() const {
  if (!impl_->groups.identified()) impl_->identify();
  return impl_->groups.members();
}

template <index_t D>
index_t SurfaceIdentifier<D>::identifier(index_t polygon) const {
  return impl_->groups.identifier(polygon);
}

template class SurfaceIdentifier<2>;
template class SurfaceIdentifier<3>;

}  // namespace veyra::detail
