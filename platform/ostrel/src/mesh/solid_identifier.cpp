// SPDX-License-Identifier: MIT
#include <ostrel/mesh/solid_identifier.h>
#include <ostrel/mesh/solid_mesh.h>

#include "connected_groups.h"
#include "solid_mesh_impl.h"

namespace veyra::detail {

class SolidIdentifier::Impl {
 public:
  explicit Impl(const SolidMesh<3>& solid) : mesh(solid) {}

  index_t identify() {
    const auto& storage = internal::MeshAccess::impl<SolidMesh<3>>(mesh);
    return groups.identify(mesh.nb_polyhedra(), [&storage](auto&& unite) {
      for (index_t polyhedron = 0; polyhedron < storage.nb_polyhedra(); ++polyhedron) {
        for (auto slot = storage.first_facet(polyhedron); slot < storage.end_facet(polyhedron);
             ++slot) {
          if (storage.adjacents[slot] != NO_ID) unite(polyhedron, storage.adjacents[slot]);
        }
      }
    });
  }

  const SolidMesh<3>& mesh;
  internal::IdentifiedGroups groups;
};

SolidIdentifier::SolidIdentifier(const SolidMesh<3>& mesh) : impl_{std::make_unique<Impl>(mesh)} {}

SolidIdentifier::~SolidIdentifier() = default;

index_t SolidIdentifier::identify_polyhedra() {
  return impl_->identify();
}

std::vector<std::vector<index_t>> SolidIdentifier::identified_connected_polyhedra() const {
  if (!impl_->groups.identified()) impl_->identify();
  return impl_->groups.members();
}

index_t SolidIdentifier::identifier(index_t polyhedron) const {
  return impl_->groups.identifier(polyhedron);
}

}  // namespace veyra::detail
