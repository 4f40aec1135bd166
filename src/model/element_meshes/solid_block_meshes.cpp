// SPDX-License-Identifier: MIT
#include "solid_block_meshes.h"

#include <absl/container/flat_hash_map.h>
#include <model/common/library.h>
#include <ostrel/basic/attribute_manager.h>
#include <ostrel/basic/generic_mapping.h>
#include <ostrel/basic/logger.h>
#include <ostrel/basic/parallel.h>
#include <ostrel/mesh/point_set_builder.h>
#include <ostrel/mesh/solid_identifier.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/model/build_model_boundaries.h>
#include <ostrel/model/component_mesh_edges.h>
#include <ostrel/model/component_mesh_polygons.h>

#include <algorithm>
#include <string>

namespace veyra::internal {
namespace {

// Element k of a block mesh takes the attribute values of solid element sources[k]. A block that
// covers a good part of the solid's index range is imported through a dense old-to-new table;
// a small one through a mapping of its own elements, so that many small blocks do not each pay
// for the whole solid. Both give every element the same values.
void import_attributes(AttributeManager& to, const AttributeManager& from,
                       absl::Span<const index_t> sources) {
  if (sources.empty() || from.attribute_names().empty()) return;
  const auto extent = *std::max_element(sources.begin(), sources.end()) + 1;
  if (sources.size() * 4 >= extent) {
    std::vector<index_t> old2new(extent, NO_ID);
    for (index_t element = 0; element < sources.size(); ++element) {
      old2new[sources[element]] = element;
    }
    to.import(from, old2new);
    return;
  }
  GenericMapping<index_t> old2new;
  old2new.reserve(static_cast<index_t>(sources.size()));
  for (index_t element = 0; element < sources.size(); ++element) {
    old2new.map(sources[element], element);
  }
  to.import(from, old2new);
}

// Solid index -> block index for the elements of one block: a dense table over the solid when
// the block holds a good part of it, a hash map otherwise, so that a large block pays no hashing
// and many small blocks do not each pay for the whole solid.
class BlockIndexTable {
 public:
  BlockIndexTable(index_t solid_extent, index_t block_size)
      : dense_(block_size * 8 >= solid_extent) {
    if (dense_) {
      table_.assign(solid_extent, NO_ID);
    } else {
      map_.reserve(block_size);
    }
  }

  /// The block index of `element`, given `next` when it has none yet; `second` is true then.
  std::pair<index_t, bool> find_or_insert(index_t element, index_t next) {
    if (dense_) {
      auto& entry = table_[element];
      if (entry != NO_ID) return {entry, false};
      entry = next;
      return {next, true};
    }
    const auto [found, inserted] = map_.try_emplace(element, next);
    return {found->second, inserted};
  }
  index_t at(index_t element) const { return dense_ ? table_[element] : map_.at(element); }

 private:
  bool dense_;
  std::vector<index_t> table_;
  absl::flat_hash_map<index_t, index_t> map_;
};

// Fills one block mesh with the polyhedra of `group` (ascending solid ids); returns the solid
// vertex of each block vertex. Reads the solid only, so blocks are built concurrently.
std::vector<index_t> copy_polyhedra(const SolidMesh<3>& solid, absl::Span<const index_t> group,
                                    const SolidMesh<3>& block_mesh,
                                    SolidMeshBuilder<3>& mesh_builder) {
  const auto nb_polyhedra = static_cast<index_t>(group.size());
  // Block vertices in order of first use, found before any is created so that the vertex
  // storage is allocated once.
  BlockIndexTable block_vertices{solid.nb_vertices(), nb_polyhedra};
  std::vector<index_t> solid_vertices;
  std::vector<index_t> corners;
  for (const auto polyhedron : group) {
    for (const auto vertex : solid.polyhedron_vertices(polyhedron)) {
      const auto [block_vertex, created] =
          block_vertices.find_or_insert(vertex, static_cast<index_t>(solid_vertices.size()));
      if (created) solid_vertices.push_back(vertex);
      corners.push_back(block_vertex);
    }
  }
  mesh_builder.reserve_vertices(static_cast<index_t>(solid_vertices.size()));
  for (const auto vertex : solid_vertices) mesh_builder.create_point(solid.point(vertex));

  // A tetrahedral mesh has fixed facets: only a polyhedral copy needs them spelled out.
  const bool fixed_facets = solid.type_name() == TetrahedralSolid<3>::type_name_static();
  const auto nb_corners = static_cast<index_t>(corners.size());
  mesh_builder.reserve_polyhedra(nb_polyhedra, nb_corners, fixed_facets ? 0 : nb_corners);
  std::vector<std::vector<local_index_t>> facets;
  index_t first_corner = 0;
  for (const auto polyhedron : group) {
    const auto nb_vertices = solid.nb_polyhedron_vertices(polyhedron);
    if (!fixed_facets) {
      // Facets as positions in the polyhedron's vertex list; the inner vectors keep their room
      // from one polyhedron to the next.
      const auto nb_facets = solid.nb_polyhedron_facets(polyhedron);
      facets.resize(nb_facets);
      for (local_index_t local = 0; local < nb_facets; ++local) {
        auto& facet = facets[local];
        facet.clear();
        for (const auto vertex : solid.polyhedron_facet_vertices({polyhedron, local})) {
          facet.push_back(solid.vertex_in_polyhedron(polyhedron, vertex).value());
        }
      }
    }
    mesh_builder.create_polyhedron(absl::MakeConstSpan(corners).subspan(first_corner, nb_vertices),
                                   facets);
    first_corner += nb_vertices;
  }

  // Neighbours lie in the same group.
  BlockIndexTable block_polyhedra{solid.nb_polyhedra(), nb_polyhedra};
  for (index_t block_polyhedron = 0; block_polyhedron < nb_polyhedra; ++block_polyhedron) {
    block_polyhedra.find_or_insert(group[block_polyhedron], block_polyhedron);
  }
  for (index_t block_polyhedron = 0; block_polyhedron < nb_polyhedra; ++block_polyhedron) {
    const auto polyhedron = group[block_polyhedron];
    for (local_index_t local = 0; local < solid.nb_polyhedron_facets(polyhedron); ++local) {
      const auto adjacent = solid.polyhedron_adjacent({polyhedron, local});
      if (!adjacent) continue;
      mesh_builder.set_polyhedron_adjacent({block_polyhedron, local},
                                           block_polyhedra.at(*adjacent));
    }
  }
  import_attributes(block_mesh.vertex_attribute_manager(), solid.vertex_attribute_manager(),
                    solid_vertices);
  import_attributes(block_mesh.polyhedron_attribute_manager(), solid.polyhedron_attribute_manager(),
                    group);
  return solid_vertices;
}

void create_block_surface_relations(const BRep& brep, BRepBuilder& builder) {
  for (const auto& surface : brep.surfaces()) {
    const auto around = component_mesh_polygons(brep, surface, 0);
    const auto& blocks = around.block_facets;
    if (blocks.size() == 1) {
      const auto& [block, facets] = *blocks.begin();
      if (facets.size() == 2) {
        builder.add_surface_block_internal_relationship(surface, brep.block(block));
        continue;
      }
      if (facets.size() == 1) {
        builder.add_surface_block_boundary_relationship(surface, brep.block(block));
        continue;
      }
      throw_model_exception_at(surface.mesh().point(0), OstrelException::TYPE::internal,
                               "[BRepFromSolidElementsBuilder::create_block_surface_relations] "
                               "Surface polygon should have one or two block polyhedra around "
                               "it.");
    }
    if (blocks.size() != 2) {
      throw_model_exception_at(surface.mesh().point(0), OstrelException::TYPE::internal,
                               "[BRepFromSolidElementsBuilder::create_block_surface_relations] "
                               "Surface polygon should have one or two blocks around it, not ",
                               blocks.size());
    }
    for (const auto& [block, facets] : blocks) {
      builder.add_surface_block_boundary_relationship(surface, brep.block(block));
    }
  }
}

// A line that bounds no surface and lies in none is inside one block.
void create_block_line_relations(const BRep& brep, BRepBuilder& builder) {
  for (const auto& line : brep.lines()) {
    if (brep.nb_incidences(line) != 0 || brep.nb_embedding_surfaces(line) != 0) continue;
    const auto around = component_mesh_edges(brep, line, 0);
    if (around.block_edges.size() != 1) {
      throw_model_exception_at(line.mesh().point(0), OstrelException::TYPE::internal,
                               "[BRepFromSolidElementsBuilder::create_block_line_relations] Line "
                               "edge should have only one block around it.");
    }
    builder.add_line_block_internal_relationship(line,
                                                 brep.block(around.block_edges.begin()->first));
  }
}

// A corner that bounds no line and lies in nothing is a vertex of one block.
void create_block_corner_relations(const BRep& brep, BRepBuilder& builder) {
  for (const auto& corner : brep.corners()) {
    if (brep.nb_incidences(corner) != 0 || brep.nb_embeddings(corner.id()) != 0) continue;
    const auto unique_vertex = brep.unique_vertex({corner.component_id(), 0});
    index_t nb_block_vertices = 0;
    uuid block;
    for (const auto tie : brep.component_mesh_vertices(unique_vertex)) {
      if (tie.component_id.type() != Block<3>::component_type_static()) continue;
      ++nb_block_vertices;
      block = tie.component_id.id();
    }
    if (nb_block_vertices != 1) {
      throw_model_exception_at(corner.mesh().point(0), OstrelException::TYPE::internal,
                               "[BRepFromSolidElementsBuilder::create_block_corner_relations] "
                               "Surface polygon should have one block around it.");
    }
    builder.add_corner_block_internal_relationship(corner, brep.block(block));
  }
}

// Two surfaces that touch at an inner vertex of one of them, without a corner there, get one.
void add_corners_at_touching_points(const BRep& brep, BRepBuilder& builder) {
  std::vector<uuid> touching_surfaces;
  for (const auto& surface : brep.surfaces()) {
    const auto& mesh = surface.mesh();
    const auto component = surface.component_id();
    for (index_t vertex = 0; vertex < mesh.nb_vertices(); ++vertex) {
      // Looked up vertex by vertex: the corners created here change the model's tie tables.
      const auto unique_vertex = brep.unique_vertex({component, vertex});
      if (unique_vertex == NO_ID) continue;
      const auto ties = brep.component_mesh_vertices(unique_vertex);
      // This surface's own tie plus one other at least.
      if (ties.size() < 2) continue;
      bool has_corner = false;
      bool touches_other_surface = false;
      for (const auto tie : ties) {
        const auto& type = tie.component_id.type();
        if (type == Corner<3>::component_type_static()) has_corner = true;
        if (type == Surface<3>::component_type_static() && tie.component_id.id() != surface.id()) {
          touches_other_surface = true;
        }
      }
      if (has_corner || !touches_other_surface || mesh.is_vertex_on_border(vertex)) continue;
      touching_surfaces.clear();
      for (const auto tie : ties) {
        if (tie.component_id.type() != Surface<3>::component_type_static()) continue;
        if (std::find(touching_surfaces.begin(), touching_surfaces.end(), tie.component_id.id()) ==
            touching_surfaces.end()) {
          touching_surfaces.push_back(tie.component_id.id());
        }
      }
      const auto corner_id = builder.add_corner();
      builder.corner_mesh_builder(corner_id)->create_point(mesh.point(vertex));
      const auto& corner = brep.corner(corner_id);
      builder.set_unique_vertex({corner.component_id(), 0}, unique_vertex);
      for (const auto& touching : touching_surfaces) {
        builder.add_corner_surface_internal_relationship(corner, brep.surface(touching));
      }
    }
  }
}

}  // namespace

SolidBlocks build_blocks_from_connected_polyhedra(const SolidMesh<3>& solid, const BRep& brep,
                                                  BRepBuilder& builder) {
  SolidIdentifier identifier{solid};
  const auto nb_blocks = identifier.identify_polyhedra();
  SolidBlocks result;
  result.polyhedra = identifier.identified_connected_polyhedra();
  result.blocks.reserve(nb_blocks);
  for (index_t block = 0; block < nb_blocks; ++block) {
    result.blocks.push_back(builder.add_block(solid.impl_name()));
  }
  // One task per block: each writes only its own block mesh through its own builder.
  const auto solid_vertices = parallel_map_tasks(nb_blocks, [&](index_t block) {
    const auto& id = result.blocks[block];
    auto mesh_builder = builder.block_mesh_builder(id);
    return copy_polyhedra(solid, result.polyhedra[block], brep.block(id).mesh(), *mesh_builder);
  });
  // Unique vertex i is solid vertex i: the block meshes join the other components through it.
  for (index_t block = 0; block < nb_blocks; ++block) {
    const auto component = brep.block(result.blocks[block]).component_id();
    const auto& vertices = solid_vertices[block];
    for (index_t vertex = 0; vertex < vertices.size(); ++vertex) {
      builder.set_unique_vertex({component, vertex}, vertices[vertex]);
    }
  }
  return result;
}

std::vector<index_t> relate_blocks_and_finish(const BRep& brep, BRepBuilder& builder) {
  create_block_surface_relations(brep, builder);
  create_block_line_relations(brep, builder);
  create_block_corner_relations(brep, builder);
  add_corners_at_touching_points(brep, builder);
  build_model_boundaries(brep, builder);
  return builder.delete_isolated_vertices();
}

}  // namespace veyra::internal
