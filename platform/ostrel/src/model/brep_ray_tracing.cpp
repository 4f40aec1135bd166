// SPDX-License-Identifier: MIT
#include <absl/container/flat_hash_map.h>
#include <absl/container/flat_hash_set.h>
#include <ostrel/mesh/is_point_inside_closed_surface.h>
#include <ostrel/mesh/mesh_aabb_tree.h>
#include <ostrel/mesh/surface_mesh.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/brep_ray_tracing.h>

#include <vector>

namespace veyra {

class BRepRayTracing::Impl {
 public:
  explicit Impl(const BRep& model) : model_(model) {}

  bool is_point_inside_block(const Point<3>& point, const Block<3>& block) {
    std::vector<SurfaceWithTree> surfaces;
    absl::flat_hash_set<uuid> seen;
    for (const auto& surface : model_.boundaries(block)) {
      if (!seen.insert(surface.id()).second) continue;
      surfaces.push_back({surface.mesh(), tree(surface)});
    }
    if (surfaces.empty()) return false;
    return is_point_inside_closed_surfaces(point, surfaces);
  }

 private:
  const AABBTree<3>& tree(const Surface<3>& surface) {
    auto& cached = trees_[surface.id()];
    if (!cached) cached = std::make_unique<AABBTree<3>>(create_aabb_tree(surface.mesh()));
    return *cached;
  }

  const BRep& model_;
  // Trees live behind pointers so that rehashing never moves one a query is holding.
  absl::flat_hash_map<uuid, std::unique_ptr<AABBTree<3>>> trees_;
};

BRepRayTracing::BRepRayTracing(const BRep& model) : impl_(std::make_unique<Impl>(model)) {}

BRepRayTracing::~BRepRayTracing() = default;

bool BRepRayTracing::is_point_inside_block(const Point<3>& point, const Block<3>& block) const {
  return impl_->is_point_inside_block(point, block);
}

}  // namespace veyra
