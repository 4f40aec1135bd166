// SPDX-License-Identifier: MIT
#include <model/topology/brep_block_builder.h>

#include <algorithm>
#include <string>
#include <utility>

#include <absl/container/flat_hash_map.h>
#include <absl/container/flat_hash_set.h>

#include <ostrel/basic/attribute_manager.h>
#include <ostrel/basic/identifier.h>
#include <ostrel/basic/linked_hash_map.h>
#include <ostrel/mesh/mesh_factory.h>
#include <ostrel/mesh/polyhedral_solid.h>
#include <ostrel/mesh/repair_non_manifold_vertices.h>
#include <ostrel/mesh/solid_identifier.h>
#include <ostrel/mesh/solid_mesh.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/surface_mesh.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/brep_ray_tracing.h>
#include <ostrel/model/canonical_cycle.h>
#include <ostrel/model/component_mesh_polygons.h>
#include <ostrel/model/repair_non_manifold_vertices.h>

#include <model/common/library.h>

namespace veyra::detail {
namespace {

using BlockMapping = GenericMapping<uuid>;

// The unique vertex of each vertex of the block mesh (NO_ID where untied), copied because the
// identifier's own array moves as soon as ties are made.
std::vector<index_t> block_unique_vertices(const BRep& model, const Block<3>& block) {
  const auto ties = model.component_unique_vertices(block.id());
  std::vector<index_t> result(block.mesh().nb_vertices(), NO_ID);
  std::copy_n(ties.begin(), std::min<std::size_t>(ties.size(), result.size()), result.begin());
  return result;
}

bool is_tetrahedral(const SolidMesh<3>& mesh) {
  return mesh.type_name() == TetrahedralSolid<3>::type_name_static();
}

// The facets of a polyhedron as positions in its vertex list, the form create_polyhedron takes.
void local_facets(const SolidMesh<3>& mesh, index_t polyhedron,
                  std::vector<std::vector<local_index_t>>& facets) {
  facets.resize(mesh.nb_polyhedron_facets(polyhedron));
  for (local_index_t f = 0; f < facets.size(); ++f) {
    const PolyhedronFacet facet{polyhedron, f};
    facets[f].clear();
    for (local_index_t k = 0; k < mesh.nb_polyhedron_facet_vertices(facet); ++k) {
      facets[f].push_back(mesh.polyhedron_facet_vertex_id({facet, k}).vertex_id);
    }
  }
}

// Several old blocks into one new block: one vertex per unique vertex (untied vertices stay
// apart) and one polyhedron per canonical vertex cycle.
class BlockMeshMerger {
 public:
  BlockMeshMerger(const BRep& model, BRepBuilder& builder, BRepMappings& mappings,
                  const Block<3>& target)
      : model_(model), builder_(builder), mappings_(mappings), target_(target) {}

  void merge(absl::Span<const uuid> old_blocks) {
    builder_.update_block_mesh(target_, SolidMesh<3>::create(merged_mesh_type(old_blocks)));
    mesh_builder_ = builder_.block_mesh_builder(target_.id());
    const auto& mesh = target_.mesh();
    keep_facets_ = !is_tetrahedral(mesh);
    for (const auto& id : old_blocks) merge_block(model_.block(id));
    mesh_builder_->compute_polyhedron_adjacencies();
    repair_non_manifold_vertices(model_, builder_, target_);
  }

 private:
  MeshImpl merged_mesh_type(absl::Span<const uuid> old_blocks) const {
    const auto& first = model_.block(old_blocks.front()).mesh_type();
    for (const auto& id : old_blocks) {
      if (!(model_.block(id).mesh_type() == first)) {
        return MeshFactory::default_impl(PolyhedralSolid<3>::type_name_static());
      }
    }
    return first;
  }

  void merge_block(const Block<3>& old_block) {
    const auto& old_mesh = old_block.mesh();
    const auto& mesh = target_.mesh();
    const auto unique_vertices = block_unique_vertices(model_, old_block);
    std::vector<index_t> new_vertices(old_mesh.nb_vertices(), NO_ID);
    // Both in first-use order, which decides the value kept when two old vertices (or
    // polyhedra) become one.
    GenericMapping<index_t> vertex_mapping;
    GenericMapping<index_t> polyhedron_mapping;
    polyhedron_mapping.reserve(old_mesh.nb_polyhedra());
    auto& vertex_records = mappings_.mesh_vertices.blocks;
    auto& element_records = mappings_.mesh_elements.blocks;
    for (index_t p = 0; p < old_mesh.nb_polyhedra(); ++p) {
      auto vertices = old_mesh.polyhedron_vertices(p);
      for (auto& vertex : vertices) {
        if (new_vertices[vertex] == NO_ID) {
          new_vertices[vertex] = merged_vertex(old_mesh, vertex, unique_vertices[vertex]);
          vertex_records.map({old_block.id(), vertex}, {target_.id(), new_vertices[vertex]});
          vertex_mapping.map(vertex, new_vertices[vertex]);
        }
        vertex = new_vertices[vertex];
      }
      const auto [found, inserted] =
          polyhedra_.try_emplace(canonical_cycle(vertices), mesh.nb_polyhedra());
      if (inserted) {
        if (keep_facets_) local_facets(old_mesh, p, facets_);
        mesh_builder_->create_polyhedron(
            vertices, keep_facets_ ? absl::MakeConstSpan(facets_)
                                   : absl::Span<const std::vector<local_index_t>>{});
      }
      polyhedron_mapping.map(p, found->second);
      element_records.map({old_block.id(), p}, {target_.id(), found->second});
    }
    mesh.vertex_attribute_manager().import(old_mesh.vertex_attribute_manager(), vertex_mapping);
    mesh.polyhedron_attribute_manager().import(old_mesh.polyhedron_attribute_manager(),
                                               polyhedron_mapping);
  }

  index_t merged_vertex(const SolidMesh<3>& old_mesh, index_t vertex, index_t unique_vertex) {
    if (unique_vertex != NO_ID) {
      const auto found = vertices_.find(unique_vertex);
      if (found != vertices_.end()) return found->second;
    }
    const auto created = mesh_builder_->create_point(old_mesh.point(vertex));
    if (unique_vertex != NO_ID) {
      builder_.set_unique_vertex({target_.component_id(), created}, unique_vertex);
      vertices_.emplace(unique_vertex, created);
    }
    return created;
  }

  const BRep& model_;
  BRepBuilder& builder_;
  BRepMappings& mappings_;
  const Block<3>& target_;
  std::unique_ptr<SolidMeshBuilder<3>> mesh_builder_;
  bool keep_facets_{true};
  absl::flat_hash_map<index_t, index_t> vertices_;
  absl::flat_hash_map<PolyhedronVertices, index_t> polyhedra_;
  std::vector<std::vector<local_index_t>> facets_;
};

// Every surface that bounds two or more of the new blocks, listed once per extra block.
std::vector<uuid> shared_boundary_surfaces(const BRep& model, absl::Span<const uuid> new_blocks) {
  std::vector<uuid> result;
  absl::flat_hash_set<uuid> seen;
  for (const auto& id : new_blocks) {
    for (const auto& surface : model.boundaries(model.block(id))) {
      if (!seen.insert(surface.id()).second) result.push_back(surface.id());
    }
  }
  return result;
}

// Keeps in the new block's mesh (a copy of the old one, its non-manifold vertices split as
// `repaired` says) the connected parts whose first polyhedron lies inside the new block, and
// records where every old vertex and polyhedron went. Returns the kept index of each vertex of
// the copy (NO_ID for a deleted one).
std::vector<index_t> keep_block_polyhedra(BRepBuilder& builder, BRepMappings& mappings,
                                          const BRepRayTracing& ray_tracing,
                                          const Block<3>& old_block, const Block<3>& new_block,
                                          const std::vector<std::vector<index_t>>& components,
                                          const GenericMapping<index_t>& repaired) {
  const auto& mesh = new_block.mesh();
  std::vector<bool> to_delete(mesh.nb_polyhedra(), true);
  for (const auto& component : components) {
    if (!ray_tracing.is_point_inside_block(mesh.polyhedron_barycenter(component.front()),
                                           new_block)) {
      continue;
    }
    for (const auto polyhedron : component) to_delete[polyhedron] = false;
  }
  auto mesh_builder = builder.block_mesh_builder(new_block.id());
  const auto new_polyhedra = mesh_builder->delete_polyhedra(to_delete);
  // Every corner stays known to its vertex through the deletion, so the vertices need no
  // re-attachment before the isolated ones go.
  auto new_vertices = mesh_builder->delete_isolated_vertices();
  builder.update_unique_vertices(new_block.component_id(), new_vertices);

  auto& element_records = mappings.mesh_elements.blocks;
  for (index_t p = 0; p < new_polyhedra.size(); ++p) {
    if (new_polyhedra[p] == NO_ID) continue;
    element_records.map({old_block.id(), p}, {new_block.id(), new_polyhedra[p]});
  }
  auto& vertex_records = mappings.mesh_vertices.blocks;
  for (index_t vertex = 0; vertex < new_vertices.size(); ++vertex) {
    const auto kept = new_vertices[vertex];
    if (kept == NO_ID) continue;
    const MeshVertex target{new_block.id(), kept};
    const auto sources = repaired.out2in_map().find(vertex);
    if (sources == repaired.out2in_map().end()) {
      vertex_records.map({old_block.id(), vertex}, target);
      continue;
    }
    for (const auto source : sources->second) vertex_records.map({old_block.id(), source}, target);
  }
  return new_vertices;
}

// One old block into several new ones: each gets a copy of the old mesh, tied like it, and
// keeps the parts of the old mesh, cut along the surfaces the new blocks share, that lie in it.
//
// The copies are alike, so the non-manifold vertices are split once, in a template, and each new
// block's copy is made from it and cut down before the next one is made (the last block takes
// the template itself): a block cut into many pieces costs one split and one full-size copy
// alive at a time instead of one of each per piece. What the result shows is the same as with
// every copy made, tied, then split and cut in turn: the mesh ids follow the block order, and the
// vertices a split created are tied after every copy was cut, block by block, through their kept
// index, which puts each tie where it would otherwise have ended up.
void split_block_mesh(const BRep& model, BRepBuilder& builder, BRepMappings& mappings,
                      const Block<3>& old_block, absl::Span<const uuid> new_blocks) {
  const auto& old_mesh = old_block.mesh();
  const auto unique_vertices = block_unique_vertices(model, old_block);
  auto split_template = old_mesh.clone();
  const auto repaired =
      repair_non_manifold_vertices(*split_template, *SolidMeshBuilder<3>::create(*split_template));

  auto old_builder = builder.block_mesh_builder(old_block.id());
  for (const auto& id : shared_boundary_surfaces(model, new_blocks)) {
    const auto& surface = model.surface(id);
    for (index_t polygon = 0; polygon < surface.mesh().nb_polygons(); ++polygon) {
      for (const auto& facet :
           block_mesh_polyhedra_from_surface_polygon(model, old_block, surface, polygon)) {
        old_builder->unset_polyhedron_adjacent(facet);
      }
    }
  }
  SolidIdentifier identifier{old_mesh};
  identifier.identify_polyhedra();
  const auto components = identifier.identified_connected_polyhedra();
  const BRepRayTracing ray_tracing{model};
  // Room for every old polyhedron at once: one reservation per new block would copy the records
  // at each block, as many times as there are pieces.
  auto& element_records = mappings.mesh_elements.blocks;
  element_records.reserve(element_records.size_in() + old_mesh.nb_polyhedra());
  // Each mesh takes the id drawn just before its own: the template's goes to the first block.
  auto mesh_id = split_template->id();
  std::vector<std::vector<index_t>> kept_vertices;
  kept_vertices.reserve(new_blocks.size());
  for (index_t rank = 0; rank < new_blocks.size(); ++rank) {
    const auto& new_block = model.block(new_blocks[rank]);
    auto mesh = rank + 1 < new_blocks.size() ? split_template->clone() : std::move(split_template);
    const auto drawn = mesh->id();
    IdentifierBuilder{*mesh}.set_id(mesh_id);
    mesh_id = drawn;
    builder.update_block_mesh(new_block, std::move(mesh));
    for (index_t vertex = 0; vertex < unique_vertices.size(); ++vertex) {
      if (unique_vertices[vertex] == NO_ID) continue;
      builder.set_unique_vertex({new_block.component_id(), vertex}, unique_vertices[vertex]);
    }
    kept_vertices.push_back(keep_block_polyhedra(builder, mappings, ray_tracing, old_block,
                                                 new_block, components, repaired));
  }
  for (index_t rank = 0; rank < new_blocks.size(); ++rank) {
    const auto component = model.block(new_blocks[rank]).component_id();
    const auto& kept = kept_vertices[rank];
    for (const auto& [vertex, copies] : repaired.in2out_map()) {
      const auto unique_vertex = vertex < unique_vertices.size() ? unique_vertices[vertex] : NO_ID;
      if (unique_vertex == NO_ID) continue;
      for (const auto copy : copies) {
        if (kept[copy] != NO_ID) builder.set_unique_vertex({component, kept[copy]}, unique_vertex);
      }
    }
  }
}

template <typename Value>
void append_component(ModelMapping<std::vector<Value>>& components, const ComponentType& type,
                      const Value& value) {
  if (!components.has_mapping_type(type)) components.emplace(type, {});
  components.at(type).push_back(value);
}

}  // namespace

std::vector<uuid> BRepBlockBuilder::build_blocks(
    absl::Span<const BlockRelationships> relationships) {
  std::vector<uuid> result;
  result.reserve(relationships.size());
  for (const auto& record : relationships) {
    const auto id = builder_.add_block();
    const auto& block = model_.block(id);
    for (const auto& surface : record.boundary_surfaces) {
      builder_.add_surface_block_boundary_relationship(model_.surface(surface), block);
    }
    for (const auto& surface : record.internal_surfaces) {
      builder_.add_surface_block_internal_relationship(model_.surface(surface), block);
    }
    for (const auto& line : record.internal_lines) {
      builder_.add_line_block_internal_relationship(model_.line(line), block);
    }
    for (const auto& corner : record.internal_corners) {
      builder_.add_corner_block_internal_relationship(model_.corner(corner), block);
    }
    result.push_back(id);
  }
  return result;
}

void BRepBlockBuilder::replace_blocks(BRepMappings& mappings,
                                      absl::Span<const BlockRelationships> relationships,
                                      const GenericMapping<uuid, index_t>& old_to_new) {
  if (old_to_new.size_out() != relationships.size()) {
    throw VeyraConversionModelException{nullptr, OstrelException::TYPE::internal,
                                        "[BRepBlockBuilder::replace_blocks] Wrong mapping sizes"};
  }
  const auto new_blocks = build_blocks(relationships);
  BlockMapping block_mapping;
  linked_hash_set<uuid> to_remove;
  for (index_t candidate = 0; candidate < new_blocks.size(); ++candidate) {
    const auto& new_id = new_blocks[candidate];
    for (const auto& old_id : old_to_new.out2in(candidate)) {
      block_mapping.map(old_id, new_id);
      to_remove.insert(old_id);
      if (!model_.block(old_id).is_active()) builder_.set_block_active(new_id, false);
    }
  }
  transfer_block_metadata(block_mapping);
  transfer_block_meshes(mappings, block_mapping);
  for (const auto& old_id : to_remove) builder_.remove_block(model_.block(old_id));
  const auto type = Block<3>::component_type_static();
  if (mappings.component_mappings.has_mapping_type(type)) {
    mappings.component_mappings.at(type) = std::move(block_mapping);
  } else {
    mappings.component_mappings.emplace(type, std::move(block_mapping));
  }
}

void BRepBlockBuilder::transfer_block_metadata(const GenericMapping<uuid>& old_to_new) {
  for (const auto& block : model_.blocks()) {
    const auto sources = old_to_new.out2in_map().find(block.id());
    if (sources == old_to_new.out2in_map().end()) continue;
    linked_hash_set<std::string> names;
    bool all_active = true;
    for (const auto& old_id : sources->second) {
      const auto& old_block = model_.block(old_id);
      if (const auto name = old_block.name()) names.insert(std::string{*name});
      all_active = all_active && old_block.is_active();
      for (const auto& collection : model_.collections(old_id)) {
        if (model_.is_item(block.id(), collection.id())) continue;
        builder_.add_item_in_collection(block.component_id(), collection);
      }
    }
    if (!names.empty()) {
      std::string joined;
      for (const auto& name : names) {
        joined += name;
        joined += '_';
      }
      joined.pop_back();
      builder_.set_block_name(block.id(), joined);
    }
    builder_.set_block_active(block.id(), all_active);
  }
}

void BRepBlockBuilder::transfer_block_meshes(BRepMappings& mappings,
                                             const GenericMapping<uuid>& old_to_new) {
  absl::flat_hash_set<uuid> processed;
  std::vector<uuid> old_blocks;
  for (const auto& block : model_.blocks()) old_blocks.push_back(block.id());
  for (const auto& old_id : old_blocks) {
    if (!processed.insert(old_id).second) continue;
    const auto targets = old_to_new.in2out_map().find(old_id);
    if (targets == old_to_new.in2out_map().end()) continue;
    const auto& old_block = model_.block(old_id);
    const std::vector<uuid> new_blocks(targets->second.begin(), targets->second.end());
    if (old_block.mesh().nb_polyhedra() == 0) {
      // An empty index mapping carries the attribute definitions without values.
      const absl::Span<const index_t> no_values;
      for (const auto& new_id : new_blocks) {
        const auto& mesh = model_.block(new_id).mesh();
        mesh.vertex_attribute_manager().import(old_block.mesh().vertex_attribute_manager(),
                                               no_values);
        mesh.polyhedron_attribute_manager().import(old_block.mesh().polyhedron_attribute_manager(),
                                                   no_values);
      }
      continue;
    }
    if (new_blocks.size() == 1 && old_to_new.out2in(new_blocks.front()).size() > 1) {
      const auto& sources = old_to_new.out2in(new_blocks.front());
      const std::vector<uuid> merged(sources.begin(), sources.end());
      BlockMeshMerger{model_, builder_, mappings, model_.block(new_blocks.front())}.merge(merged);
      processed.insert(merged.begin(), merged.end());
      continue;
    }
    if (new_blocks.size() < 2) {
      throw VeyraConversionModelException{
          nullptr, OstrelException::TYPE::internal,
          "[BRepBlockBuilder::transfer_block_meshes] Mapping configuration not managed."};
    }
    split_block_mesh(model_, builder_, mappings, old_block, new_blocks);
  }
}

}  // namespace veyra::detail
