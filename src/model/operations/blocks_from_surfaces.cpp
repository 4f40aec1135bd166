// SPDX-License-Identifier: MIT
#include <model/operations/blocks_from_surfaces.h>

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

#include <absl/container/flat_hash_map.h>

#include <ostrel/basic/logger.h>
#include <ostrel/geometry/aabb_tree.h>
#include <ostrel/geometry/basic_objects.h>
#include <ostrel/geometry/bounding_box.h>
#include <ostrel/geometry/epsilon.h>
#include <ostrel/geometry/mensuration.h>
#include <ostrel/mesh/edged_curve.h>
#include <ostrel/mesh/is_point_inside_closed_surface.h>
#include <ostrel/mesh/mesh_aabb_tree.h>
#include <ostrel/mesh/point_set.h>
#include <ostrel/mesh/surface_mesh.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/surface_radial_sort.h>

#include <model/common/library.h>
#include <model/topology/brep_block_builder.h>

namespace veyra {
namespace detail {
namespace {

// Signed volume of the cone from `reference` over the surface: each polygon is fanned from its
// vertex 0. Over a closed surface it is the enclosed volume with a sign given by the orientation,
// whatever the reference point.
double region_signed_volume(const SurfaceMesh<3>& mesh, const Point<3>& reference) {
  double volume = 0.;
  for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
    const auto vertices = mesh.polygon_vertices(polygon);
    const auto& apex = mesh.point(vertices[0]);
    for (index_t k = 1; k + 1 < vertices.size(); ++k) {
      try {
        volume += tetrahedron_signed_volume(
            Tetrahedron{apex, mesh.point(vertices[k]), mesh.point(vertices[k + 1]), reference});
      } catch (const OstrelException&) {
        // A tetrahedron the framework refuses adds nothing.
      }
    }
  }
  return volume;
}

// The box of a candidate grown by the tolerance: a point outside it is neither inside the
// candidate's boundary nor within tolerance of it, so the ray test would only say "outside".
BoundingBox<3> placement_box(const AABBTree<3>& tree) {
  auto box = tree.bounding_box();
  box.extend(global_epsilon);
  return box;
}

}  // namespace

class BRepBlocksFinder::Impl {
  struct Candidate {
    index_t region;
    BlockRelationships relationships;
    std::unique_ptr<SurfaceMesh<3>> boundary_mesh;
    AABBTree<3> boundary_tree;
  };

 public:
  explicit Impl(const BRep& model) : model_(model) {
    surfaces_.reserve(model.nb_surfaces());
    surface_sides_.reserve(model.nb_surfaces());
    for (const auto& surface : model.surfaces()) {
      surface_index_.emplace(surface.id(), surfaces_.size());
      surfaces_.push_back(&surface);
      surface_sides_.push_back({NO_ID, NO_ID});
    }
    line_radial_orders_.reserve(model.nb_lines());
    for (const auto& line : model.lines()) {
      line_radial_orders_.emplace(line.id(), surface_radial_sort(model, line));
    }
  }

  std::vector<BlockRelationships> determine_blocks() {
    find_regions();
    remove_inverted_blocks();
    if (candidates_.empty()) {
      Logger::log_info("[BRepBlocksFinder::determine_blocks] No Block were determined");
      return {};
    }
    collect_relationships();
    std::erase_if(candidates_, [](const Candidate& candidate) {
      return candidate.relationships.boundary_surfaces.empty();
    });
    update_region_candidates();
    add_free_lines();
    add_free_corners();
    std::vector<BlockRelationships> result;
    result.reserve(candidates_.size());
    for (auto& candidate : candidates_) result.push_back(std::move(candidate.relationships));
    return result;
  }

 private:
  // Sides are (surface index, side) pairs while walking; the radial orders speak SidedSurface.
  struct Side {
    index_t surface;
    bool side;
  };

  index_t& region_of(const Side& side) { return surface_sides_[side.surface][side.side ? 1 : 0]; }

  void find_regions() {
    for (index_t surface = 0; surface < surfaces_.size(); ++surface) {
      for (const bool side : {false, true}) {
        if (region_of({surface, side}) != NO_ID) continue;
        const auto region = static_cast<index_t>(region_ids_.size());
        region_ids_.emplace_back();
        region_surfaces_.emplace_back();
        walk_region({surface, side}, region);
      }
    }
  }

  void walk_region(const Side& start, index_t region) {
    std::vector<Side> stack{start};
    while (!stack.empty()) {
      const auto current = stack.back();
      stack.pop_back();
      auto& assigned = region_of(current);
      if (assigned != NO_ID) continue;
      assigned = region;
      region_surfaces_[region].push_back(current);
      const auto& surface = *surfaces_[current.surface];
      const SidedSurface sided{surface.id(), PolygonEdge{}, current.side};
      const auto push_neighbours = [&](const Line<3>& line) {
        const auto& sorted = line_radial_orders_.at(line.id());
        for (const auto position : sorted.find(sided)) {
          const auto& next = sorted.surfaces[sorted.next(position)];
          const Side neighbour{surface_index_.at(next.id), next.side};
          if (region_of(neighbour) == NO_ID) stack.push_back(neighbour);
        }
      };
      for (const auto& line : model_.boundaries(surface)) push_neighbours(line);
      for (const auto& line : model_.internal_lines(surface)) push_neighbours(line);
    }
  }

  bool is_two_sided(const Side& side) const {
    const auto& sides = surface_sides_[side.surface];
    return sides[0] == sides[1];
  }

  void remove_inverted_blocks() {
    region_volumes_.assign(region_ids_.size(), 0.);
    bool has_inverted = false;
    for (index_t region = 0; region < region_ids_.size(); ++region) {
      const auto& sides = region_surfaces_[region];
      const auto& first_mesh = surfaces_[sides.front().surface]->mesh();
      const auto reference = first_mesh.nb_vertices() > 0 ? first_mesh.point(0) : Point<3>{};
      double volume = 0.;
      for (const auto& side : sides) {
        if (is_two_sided(side)) continue;
        const auto surface_volume =
            region_signed_volume(surfaces_[side.surface]->mesh(), reference);
        volume += side.side ? -surface_volume : surface_volume;
      }
      region_volumes_[region] = volume;
      // A volume that is not a number is not inverted.
      if (volume <= 0.) {
        has_inverted = true;
      } else {
        candidates_.push_back({region, {}, nullptr, {}});
      }
    }
    if (!has_inverted) {
      throw VeyraConversionModelException{
          nullptr, OstrelException::TYPE::internal,
          "[BRepBlocksBuilder::remove_inverted_blocks] No inverted Block found"};
    }
    update_region_candidates();
  }

  void update_region_candidates() {
    region_candidates_.assign(region_ids_.size(), NO_ID);
    for (index_t candidate = 0; candidate < candidates_.size(); ++candidate) {
      region_candidates_[candidates_[candidate].region] = candidate;
    }
  }

  void collect_relationships() {
    for (index_t surface = 0; surface < surfaces_.size(); ++surface) {
      const auto [region0, region1] = surface_sides_[surface];
      const auto& id = surfaces_[surface]->id();
      const auto candidate0 = region_candidates_[region0];
      const auto candidate1 = region_candidates_[region1];
      if (region0 == region1) {
        if (candidate0 != NO_ID) {
          candidates_[candidate0].relationships.internal_surfaces.push_back(id);
        }
        continue;
      }
      for (const auto candidate : {candidate0, candidate1}) {
        if (candidate != NO_ID) candidates_[candidate].relationships.boundary_surfaces.push_back(id);
      }
    }
    for (auto& candidate : candidates_) build_boundary_mesh(candidate);
    add_floating_surfaces();
    add_nested_shells();
  }

  // The boundary surfaces of the candidate copied into one mesh, shared vertices not merged:
  // the point tests only cast rays against its polygons.
  void build_boundary_mesh(Candidate& candidate) const {
    index_t nb_vertices = 0;
    index_t nb_polygons = 0;
    for (const auto& id : candidate.relationships.boundary_surfaces) {
      const auto& mesh = surface_mesh(id);
      nb_vertices += mesh.nb_vertices();
      nb_polygons += mesh.nb_polygons();
    }
    auto boundary = SurfaceMesh<3>::create();
    auto builder = SurfaceMeshBuilder<3>::create(*boundary);
    builder->reserve_vertices(nb_vertices);
    builder->reserve_polygons(nb_polygons);
    PolygonVertices shifted;
    for (const auto& id : candidate.relationships.boundary_surfaces) {
      const auto& mesh = surface_mesh(id);
      const auto offset = boundary->nb_vertices();
      for (index_t vertex = 0; vertex < mesh.nb_vertices(); ++vertex) {
        builder->create_point(mesh.point(vertex));
      }
      for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
        shifted = mesh.polygon_vertices(polygon);
        for (auto& vertex : shifted) vertex += offset;
        builder->create_polygon(shifted);
      }
    }
    candidate.boundary_tree = create_aabb_tree(*boundary);
    candidate.boundary_mesh = std::move(boundary);
  }

  const SurfaceMesh<3>& surface_mesh(const uuid& id) const {
    return surfaces_[surface_index_.at(id)]->mesh();
  }

  bool contains(const Candidate& candidate, const BoundingBox<3>& box) const {
    return candidate.boundary_tree.bounding_box().contains(box);
  }

  // Surfaces with one region on both sides whose region was dropped: they float free in space
  // and lie in the first candidate that contains them.
  void add_floating_surfaces() {
    for (index_t surface = 0; surface < surfaces_.size(); ++surface) {
      const auto [region0, region1] = surface_sides_[surface];
      if (region0 != region1 || region_candidates_[region0] != NO_ID) continue;
      const auto& mesh = surfaces_[surface]->mesh();
      if (mesh.nb_polygons() == 0) continue;
      const auto box = mesh.bounding_box();
      for (auto& candidate : candidates_) {
        if (!contains(candidate, box) || !surface_has_point_in_block(surface, candidate)) continue;
        candidate.relationships.internal_surfaces.push_back(surfaces_[surface]->id());
        break;
      }
    }
  }

  // Surfaces between two regions one of which was dropped, such as the outer side of a shell
  // nested in a block: they bound the smallest candidate that contains them.
  void add_nested_shells() {
    std::vector<std::pair<index_t, index_t>> nested;
    for (index_t surface = 0; surface < surfaces_.size(); ++surface) {
      const auto [region0, region1] = surface_sides_[surface];
      if (region0 == region1) continue;
      if (region_candidates_[region0] != NO_ID && region_candidates_[region1] != NO_ID) continue;
      const auto& mesh = surfaces_[surface]->mesh();
      if (mesh.nb_polygons() == 0) continue;
      const auto box = mesh.bounding_box();
      const auto& id = surfaces_[surface]->id();
      std::optional<index_t> chosen;
      for (index_t c = 0; c < candidates_.size(); ++c) {
        const auto& candidate = candidates_[c];
        const auto& boundaries = candidate.relationships.boundary_surfaces;
        if (std::find(boundaries.begin(), boundaries.end(), id) != boundaries.end()) continue;
        if (!contains(candidate, box) || !surface_has_point_in_block(surface, candidate)) continue;
        if (!chosen ||
            region_volumes_[candidate.region] < region_volumes_[candidates_[*chosen].region]) {
          chosen = c;
        }
      }
      if (chosen) nested.emplace_back(surface, *chosen);
    }
    for (const auto& [surface, candidate] : nested) {
      candidates_[candidate].relationships.boundary_surfaces.push_back(surfaces_[surface]->id());
    }
  }

  bool surface_has_point_in_block(index_t surface_index, const Candidate& candidate) const {
    const auto& surface = *surfaces_[surface_index];
    const auto& mesh = surface.mesh();
    for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
      if (mesh.is_polygon_degenerated(polygon)) continue;
      try {
        return is_point_inside_closed_surface(mesh.polygon_barycenter(polygon),
                                              *candidate.boundary_mesh, candidate.boundary_tree);
      } catch (const OstrelException&) {
        // On the boundary or ambiguous: another polygon may answer.
      }
    }
    throw_model_exception_at(
        mesh.nb_vertices() > 0 ? mesh.point(0) : Point<3>{}, OstrelException::TYPE::internal,
        "[surface_has_point_in_block] Cannot confirm if surface ", surface.id().string(),
        " has point in block, you should check the surface geometry before going further.");
  }

  bool line_has_point_in_block(const Line<3>& line, const Candidate& candidate) const {
    const auto& mesh = line.mesh();
    const auto box = placement_box(candidate.boundary_tree);
    for (index_t edge = 0; edge < mesh.nb_edges(); ++edge) {
      if (mesh.is_edge_degenerated(edge)) continue;
      const auto point = mesh.edge_barycenter(edge);
      if (!box.contains(point)) return false;
      try {
        return is_point_inside_closed_surface(point, *candidate.boundary_mesh,
                                              candidate.boundary_tree);
      } catch (const OstrelException&) {
        // On the boundary or ambiguous: another edge may answer.
      }
    }
    throw_model_exception_at(
        mesh.nb_vertices() > 0 ? mesh.point(0) : Point<3>{}, OstrelException::TYPE::internal,
        "[line_has_point_in_block] Cannot confirm if line ", line.id().string(),
        " has point in block, you should check the line geometry before going further.");
  }

  void add_free_lines() {
    for (const auto& line : model_.lines()) {
      if (model_.nb_incidences(line.id()) != 0 || model_.nb_embedding_surfaces(line) != 0) {
        continue;
      }
      for (auto& candidate : candidates_) {
        if (!line_has_point_in_block(line, candidate)) continue;
        candidate.relationships.internal_lines.push_back(line.id());
        break;
      }
    }
  }

  void add_free_corners() {
    for (const auto& corner : model_.corners()) {
      if (model_.nb_incidences(corner.id()) != 0 || model_.nb_embedding_surfaces(corner) != 0) {
        continue;
      }
      if (corner.mesh().nb_vertices() == 0) continue;
      const auto& point = corner.mesh().point(0);
      for (auto& candidate : candidates_) {
        if (!placement_box(candidate.boundary_tree).contains(point)) continue;
        if (!is_point_inside_closed_surface(point, *candidate.boundary_mesh,
                                            candidate.boundary_tree)) {
          continue;
        }
        candidate.relationships.internal_corners.push_back(corner.id());
        break;
      }
    }
  }

  const BRep& model_;
  std::vector<const Surface<3>*> surfaces_;
  absl::flat_hash_map<uuid, index_t> surface_index_;
  // Regions on side 0 (front) and side 1 (back) of each surface, in model surface order.
  std::vector<std::array<index_t, 2>> surface_sides_;
  absl::flat_hash_map<uuid, SortedSurfaces> line_radial_orders_;
  // One fresh id per region, as found; the regions are numbered by their position here.
  std::vector<uuid> region_ids_;
  std::vector<std::vector<Side>> region_surfaces_;
  std::vector<double> region_volumes_;
  std::vector<Candidate> candidates_;
  std::vector<index_t> region_candidates_;
};

BRepBlocksFinder::BRepBlocksFinder(const BRep& model) : impl_(std::make_unique<Impl>(model)) {}

BRepBlocksFinder::~BRepBlocksFinder() = default;

std::vector<BlockRelationships> BRepBlocksFinder::determine_blocks() {
  return impl_->determine_blocks();
}

}  // namespace detail

std::vector<BlockRelationships> determine_blocks(const BRep& model) {
  return detail::BRepBlocksFinder{model}.determine_blocks();
}

void build_blocks(const BRep& model, BRepBuilder& builder) {
  if (model.nb_surfaces() == 0 || model.nb_blocks() != 0) {
    Logger::log_warn(
        "[build_blocks] Cannot build BRep blocks without surface or with existing blocks");
    return;
  }
  const auto relationships = determine_blocks(model);
  detail::BRepBlockBuilder{model, builder}.build_blocks(relationships);
}

std::vector<uuid> build_blocks(const BRep& model, BRepBuilder& builder,
                               absl::Span<const BlockRelationships> relationships) {
  return detail::BRepBlockBuilder{model, builder}.build_blocks(relationships);
}

}  // namespace veyra
