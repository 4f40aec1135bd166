// SPDX-License-Identifier: MIT
#include <absl/container/flat_hash_set.h>
#include <absl/container/inlined_vector.h>
#include <model/common/library.h>
#include <model/element_meshes/brep_from_solid_elements_builder.h>
#include <model/element_meshes/brep_topology_rebuilder.h>
#include <model/operations/model_component_mapping.h>
#include <model/topology/model_boundaries_update.h>
#include <ostrel/basic/logger.h>
#include <ostrel/mesh/solid_edges.h>
#include <ostrel/mesh/solid_facets.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/brep_transfers.h>
#include <ostrel/model/component_mesh_polygons.h>
#include <ostrel/model/convert_brep_into_solid.h>
#include <ostrel/model/convert_component_meshes.h>
#include <ostrel/model/split_along_solid_facets.h>

#include <utility>

#include "mapping_lookups.h"
#include "rebuilt_brep_attributes.h"

namespace veyra::detail {
namespace {

using internal::inputs;
using internal::outputs;
using internal::unique_vertex_at;

// The element lists the new BRep is built from, in solid numbering.
struct SolidElementLists {
  std::vector<index_t> corner_vertices;
  std::vector<index_t> line_edges;
  std::vector<index_t> surface_facets;
};

// Keeps the ids that became exactly one element; an id duplicated along a cut (several new
// elements) or left without element is dropped.
void renumber(std::vector<index_t>& ids, const GenericMapping<index_t>& old_to_new) {
  std::vector<index_t> kept;
  kept.reserve(ids.size());
  for (const auto id : ids) {
    const auto& news = outputs(old_to_new, id);
    if (news.size() == 1) kept.push_back(news.front());
  }
  ids = std::move(kept);
}

// Replaces each value by every element it became.
void compose(GenericMapping<MeshElement, index_t>& mapping,
             const GenericMapping<index_t>& old_to_new) {
  GenericMapping<MeshElement, index_t> composed;
  composed.reserve(mapping.size_in());
  for (const auto& [element, olds] : mapping.in2out_map()) {
    for (const auto old : olds) {
      for (const auto new_element : outputs(old_to_new, old)) composed.map(element, new_element);
    }
  }
  mapping = std::move(composed);
}

// The ties of a unique vertex to components of one type: the first one and how many there are.
struct TypedTies {
  ComponentMeshVertex first;
  index_t count{0};
};

TypedTies ties_of_type(const VertexIdentifier::ComponentMeshVertexRange& ties,
                       const ComponentType& type) {
  TypedTies result;
  for (const auto tie : ties) {
    if (tie.component_id.type() != type) continue;
    if (result.count++ == 0) result.first = tie;
  }
  return result;
}

}  // namespace

class BRepTopologyRebuilder::Impl {
 public:
  explicit Impl(const BRep& brep) : brep_(brep) {
    auto [solid, mappings] = convert_brep_into_solid(brep);
    solid_ = std::move(solid);
    mappings_ = std::move(mappings);
    solid_->enable_edges();
    solid_->enable_facets();
  }

  void add_block_facets_to_topology(const Block<3>& block, std::vector<PolyhedronFacet> facets) {
    if (!brep_.has_block(block.id())) {
      throw VeyraConversionModelException{
          nullptr, OstrelException::TYPE::input,
          "[BRepTopologyRebuilder::add_block_facets_to_topology] Block ", block.id().string(),
          " is not part of initial BRep."};
    }
    const auto& mesh = block.mesh();
    for (const auto& facet : facets) {
      if (facet.polyhedron_id < mesh.nb_polyhedra() &&
          facet.facet_id < mesh.nb_polyhedron_facets(facet.polyhedron_id)) {
        continue;
      }
      throw VeyraConversionModelException{
          nullptr,
          OstrelException::TYPE::input,
          "[BRepTopologyRebuilder::add_block_facets_to_topology] Facet ",
          facet.string(),
          " is not a polyhedron facet of the mesh of Block ",
          block.id().string(),
          "."};
    }
    block_facets_.emplace_back(&block, std::move(facets));
  }

  void remove_conformity_on_model_surface(const Surface<3>& surface) {
    if (!brep_.has_surface(surface.id())) {
      throw_model_exception_at(surface.mesh().point(0), OstrelException::TYPE::internal,
                               "[BRepTopologyRebuilder::remove_conformity_on_model_surface] "
                               "Cannot remove conformity: Surface is not part of initial BRep.");
    }
    if (std::find(non_conformal_surfaces_.begin(), non_conformal_surfaces_.end(), surface.id()) !=
        non_conformal_surfaces_.end()) {
      return;
    }
    non_conformal_surfaces_.push_back(surface.id());
  }

  std::tuple<BRep, BRepMappings> rebuild() {
    Logger::log_trace("[BRepTopologyRebuilder::rebuild] Rebuilding a BRep of ", brep_.nb_blocks(),
                      " blocks through a solid of ", solid_->nb_polyhedra(), " polyhedra");
    SolidElementLists lists;
    lists.corner_vertices = corner_vertices();
    lists.line_edges = line_edges();
    lists.surface_facets = solid_facets_to_explicit();
    append_registered_block_facets(lists.surface_facets);
    auto vertices = non_conformal_surfaces_.empty() ? mappings_.unique_vertex_mapping
                                                    : remove_conformity(lists);
    Logger::log_debug("[BRepTopologyRebuilder::rebuild] ", lists.corner_vertices.size(),
                      " corner vertices, ", lists.line_edges.size(), " line edges, ",
                      lists.surface_facets.size(), " surface facets");

    BRep rebuilt;
    GenericMapping<index_t> solid_to_unique;
    IndexToBRepMeshElementsMapping solid_to_elements;
    {
      BRepFromSolidElementsBuilder builder{rebuilt, *solid_, lists.corner_vertices,
                                           lists.line_edges, lists.surface_facets};
      std::tie(solid_to_unique, solid_to_elements) = builder.build_brep_with_block_mesh();
    }
    const auto unique_vertices = unique_vertex_mapping(vertices, solid_to_unique);

    BRepMappings mappings;
    mappings.mesh_elements = mesh_element_mapping(solid_to_elements);
    mappings.component_mappings = build_brep_component_mapping(rebuilt, mappings.mesh_elements);
    transfer_components(rebuilt, mappings.component_mappings);
    mappings.mesh_vertices = mesh_vertex_mapping(rebuilt, unique_vertices, mappings.mesh_elements);
    internal::transfer_rebuilt_brep_attributes(brep_, rebuilt, mappings.mesh_elements,
                                               mappings.mesh_vertices);
    Logger::log_debug("[BRepTopologyRebuilder::rebuild] New BRep: ", rebuilt.nb_corners(),
                      " corners, ", rebuilt.nb_lines(), " lines, ", rebuilt.nb_surfaces(),
                      " surfaces, ", rebuilt.nb_blocks(), " blocks");
    return {std::move(rebuilt), std::move(mappings)};
  }

 private:
  // Solid vertex of an input unique vertex (the conversion numbers them alike; the lookup keeps
  // that an assumption of the conversion only).
  index_t solid_vertex(index_t unique_vertex) const {
    return mappings_.unique_vertex_mapping.in2out(unique_vertex).front();
  }

  std::vector<index_t> corner_vertices() const {
    std::vector<index_t> vertices;
    vertices.reserve(brep_.nb_corners());
    for (const auto& corner : brep_.corners()) {
      vertices.push_back(solid_vertex(brep_.unique_vertex({corner.component_id(), 0})));
    }
    return vertices;
  }

  std::vector<index_t> line_edges() const {
    std::vector<index_t> edges;
    const auto& solid_edges = solid_->edges();
    for (const auto& line : brep_.lines()) {
      const auto& mesh = line.mesh();
      const auto uniques = brep_.component_unique_vertices(line.id());
      for (index_t edge = 0; edge < mesh.nb_edges(); ++edge) {
        const auto ends = mesh.edge_vertices(edge);
        const std::array<index_t, 2> vertices{solid_vertex(unique_vertex_at(uniques, ends[0])),
                                              solid_vertex(unique_vertex_at(uniques, ends[1]))};
        const auto solid_edge = solid_edges.edge_from_vertices(vertices);
        if (!solid_edge) {
          throw_model_exception_at(solid_->point(vertices[0]), OstrelException::TYPE::internal,
                                   "[BRepTopologyRebuilder::Impl::line_edges] Should have found "
                                   "an edge in the solid corresponding to the line edge.");
        }
        edges.push_back(*solid_edge);
      }
    }
    return edges;
  }

  // The facets of surfaces inside a block or between blocks: the solid has no adjacency across
  // them (the conversion keeps only the adjacencies of each block mesh), so the two polyhedra on
  // their sides are made adjacent again, and the facets are listed so that the builder cuts the
  // solid there. A surface bounding one block only lies on the solid's border and becomes a
  // surface again anyway.
  std::vector<index_t> solid_facets_to_explicit() {
    std::vector<const Surface<3>*> surfaces;
    for (const auto& block : brep_.blocks()) {
      for (const auto& surface : brep_.internal_surfaces(block)) surfaces.push_back(&surface);
    }
    for (const auto& surface : brep_.surfaces()) {
      if (brep_.nb_incidences(surface) > 1) surfaces.push_back(&surface);
    }
    auto builder = SolidMeshBuilder<3>::create(*solid_);
    const auto& solid_facets = solid_->facets();
    std::vector<index_t> facets;
    for (const auto* surface : surfaces) {
      const auto& mesh = surface->mesh();
      for (index_t polygon = 0; polygon < mesh.nb_polygons(); ++polygon) {
        const auto block_facets =
            block_component_mesh_polygons(brep_, polygon_unique_vertices(brep_, *surface, polygon));
        absl::InlinedVector<PolyhedronFacet, 2> around;
        for (const auto& [block, polyhedron_facets] : block_facets) {
          for (const auto& facet : polyhedron_facets) {
            around.emplace_back(
                mappings_.block_mapping.in2out({block, facet.polyhedron_id}).front(),
                facet.facet_id);
          }
        }
        if (around.size() != 2) {
          throw_model_exception_at(
              mesh.polygon_barycenter(polygon), OstrelException::TYPE::internal,
              "[solid_facets_to_explicit] Should have found 2 facets to reattach in solid, not ",
              around.size());
        }
        builder->set_polyhedron_adjacent(around[0], around[1].polyhedron_id);
        builder->set_polyhedron_adjacent(around[1], around[0].polyhedron_id);
        facets.push_back(
            solid_facets.facet_from_vertices(solid_->polyhedron_facet_vertices(around[0])).value());
      }
    }
    return facets;
  }

  void append_registered_block_facets(std::vector<index_t>& facets) const {
    const auto& solid_facets = solid_->facets();
    for (const auto& [block, block_facets] : block_facets_) {
      const auto& mesh = block->mesh();
      const auto uniques = brep_.component_unique_vertices(block->id());
      for (const auto& facet : block_facets) {
        auto vertices = mesh.polyhedron_facet_vertices(facet);
        for (auto& vertex : vertices) vertex = solid_vertex(unique_vertex_at(uniques, vertex));
        const auto solid_facet = solid_facets.facet_from_vertices(vertices);
        if (!solid_facet) {
          throw_model_exception_at(
              solid_->point(vertices[0]), OstrelException::TYPE::internal,
              "[BRepTopologyRebuilder::Impl::solid_facet_from_brep_component_mesh_vertices] "
              "Should have found a facet in the solid corresponding to the given vertices.");
        }
        facets.push_back(*solid_facet);
      }
    }
  }

  // Cuts the solid along the registered surfaces and follows the cut in the lists and the
  // correspondences. Returns the input unique vertex -> solid vertices correspondence after it.
  GenericMapping<index_t> remove_conformity(SolidElementLists& lists) {
    std::vector<PolyhedronFacet> facets;
    for (const auto& id : non_conformal_surfaces_) {
      const auto& surface = brep_.surface(id);
      for (index_t polygon = 0; polygon < surface.mesh().nb_polygons(); ++polygon) {
        auto vertices = polygon_unique_vertices(brep_, surface, polygon);
        for (auto& vertex : vertices) vertex = solid_vertex(vertex);
        facets.push_back(solid_->polyhedron_facet_from_vertices(vertices).value());
      }
    }
    auto builder = SolidMeshBuilder<3>::create(*solid_);
    const auto split = SplitAlongSolidFacets{*solid_, *builder}.split_solid_along_facets(facets);
    renumber(lists.corner_vertices, split.vertices);
    renumber(lists.line_edges, split.edges);
    renumber(lists.surface_facets, split.facets);
    compose(mappings_.corner_mapping, split.vertices);
    compose(mappings_.line_mapping, split.edges);
    compose(mappings_.surface_mapping, split.facets);
    append_model_boundary_lines(lists);

    GenericMapping<index_t> vertices;
    vertices.reserve(mappings_.unique_vertex_mapping.size_in());
    for (const auto& [unique_vertex, solid_vertices] :
         mappings_.unique_vertex_mapping.in2out_map()) {
      for (const auto solid_vertex : solid_vertices) {
        for (const auto copy : outputs(split.vertices, solid_vertex)) {
          vertices.map(unique_vertex, copy);
        }
      }
    }
    return vertices;
  }

  // The cut drops the line edges and corners it duplicated. Along the model's outer surfaces
  // they must stay: after the cut, such an edge lies between one outer facet and one facet of
  // the cut on each side, which no longer makes a line by itself. So every image of the lines
  // bounding the model boundaries' surfaces, and of their corners, is listed again.
  void append_model_boundary_lines(SolidElementLists& lists) const {
    absl::flat_hash_set<uuid> seen_lines;
    absl::flat_hash_set<uuid> seen_corners;
    for (const auto& boundary : brep_.model_boundaries()) {
      for (const auto& surface : brep_.model_boundary_items(boundary)) {
        for (const auto& line : brep_.boundaries(surface)) {
          if (!seen_lines.insert(line.id()).second) continue;
          for (index_t edge = 0; edge < line.mesh().nb_edges(); ++edge) {
            for (const auto solid_edge : outputs(mappings_.line_mapping, {line.id(), edge})) {
              lists.line_edges.push_back(solid_edge);
            }
          }
          for (const auto& corner : brep_.boundaries(line)) {
            if (!seen_corners.insert(corner.id()).second) break;
            for (const auto solid_vertex : outputs(mappings_.corner_mapping, {corner.id(), 0})) {
              lists.corner_vertices.push_back(solid_vertex);
            }
          }
        }
      }
    }
  }

  // Input unique vertex -> unique vertices of the new BRep. Solid vertices that the builder
  // dropped (no block uses them: a surface outside every block, an isolated unique vertex) have
  // no counterpart and are skipped.
  static GenericMapping<index_t> unique_vertex_mapping(
      const GenericMapping<index_t>& vertices, const GenericMapping<index_t>& solid_to_unique) {
    GenericMapping<index_t> mapping;
    mapping.reserve(vertices.size_in());
    for (const auto& [unique_vertex, solid_vertices] : vertices.in2out_map()) {
      for (const auto solid_vertex : solid_vertices) {
        for (const auto new_vertex : outputs(solid_to_unique, solid_vertex)) {
          mapping.map(unique_vertex, new_vertex);
        }
      }
    }
    return mapping;
  }

  BRepMeshesElementMapping mesh_element_mapping(
      const IndexToBRepMeshElementsMapping& solid_to_elements) const {
    BRepMeshesElementMapping mapping;
    for (const auto& corner : brep_.corners()) {
      const MeshElement element{corner.id(), 0};
      for (const auto solid_vertex : outputs(mappings_.corner_mapping, element)) {
        const auto& news = outputs(solid_to_elements.corners, solid_vertex);
        if (!news.empty()) mapping.corners.map(element, news.front());
      }
    }
    // The conversion lists its keys with the components in model order and their elements
    // ascending, the order asked for here: walking its correspondences in their own order
    // saves one lookup per element.
    const auto map_all = [](const GenericMapping<MeshElement, index_t>& to_solid,
                            const GenericMapping<index_t, MeshElement>& from_solid,
                            GenericMapping<MeshElement>& result) {
      result.reserve(to_solid.size_in());
      for (const auto& [element, solid_elements] : to_solid.in2out_map()) {
        for (const auto solid_element : solid_elements) {
          for (const auto& new_element : outputs(from_solid, solid_element)) {
            result.map(element, new_element);
          }
        }
      }
    };
    map_all(mappings_.line_mapping, solid_to_elements.lines, mapping.lines);
    map_all(mappings_.surface_mapping, solid_to_elements.surfaces, mapping.surfaces);
    map_all(mappings_.block_mapping, solid_to_elements.blocks, mapping.blocks);
    return mapping;
  }

  // Mesh types, names, active flags, collections and model boundaries of the input.
  void transfer_components(BRep& rebuilt, const ModelGenericMapping& components) const {
    BRepBuilder builder{rebuilt};
    const auto& surfaces = components.at(Surface<3>::component_type_static());
    for (const auto& surface : brep_.surfaces()) {
      const auto type = surface.mesh().type_name();
      for (const auto& id : outputs(surfaces, surface.id())) {
        const auto& new_surface = rebuilt.surface(id);
        if (new_surface.mesh().type_name() == type) continue;
        convert_surface_mesh(rebuilt, builder, new_surface, type);
      }
    }
    const auto& blocks = components.at(Block<3>::component_type_static());
    for (const auto& block : brep_.blocks()) {
      const auto type = block.mesh().type_name();
      for (const auto& id : outputs(blocks, block.id())) {
        const auto& new_block = rebuilt.block(id);
        if (new_block.mesh().type_name() == type) continue;
        convert_block_mesh(rebuilt, builder, new_block, type);
      }
    }
    transfer_brep_metadata(brep_, builder, components);
    // The builder made one boundary of all outer surfaces; the input's own boundaries replace it.
    if (rebuilt.nb_model_boundaries() != 0) {
      builder.remove_model_boundary(*rebuilt.model_boundaries().begin());
    }
    transfer_brep_collections(brep_, rebuilt, builder, components);
    // A surface made non-conformal becomes two border surfaces whose source was in no model
    // boundary: they are gathered into a new one so that every border surface has a boundary.
    internal::build_new_model_boundary(rebuilt, builder);
  }

  BRepMeshesVertexMapping mesh_vertex_mapping(const BRep& rebuilt,
                                              const GenericMapping<index_t>& unique_vertices,
                                              const BRepMeshesElementMapping& elements) const {
    BRepMeshesVertexMapping mapping;
    add_corners_vertices_mappings(rebuilt, unique_vertices, mapping.corners);
    add_lines_vertices_mappings(rebuilt, unique_vertices, elements.lines, mapping.lines);
    add_surfaces_vertices_mappings(rebuilt, unique_vertices, elements.surfaces, mapping.surfaces);
    add_blocks_vertices_mappings(rebuilt, unique_vertices, elements.blocks, mapping.blocks);
    return mapping;
  }

  void add_corners_vertices_mappings(const BRep& rebuilt,
                                     const GenericMapping<index_t>& unique_vertices,
                                     GenericMapping<MeshVertex>& mapping) const {
    const auto type = Corner<3>::component_type_static();
    for (const auto& corner : brep_.corners()) {
      const auto unique_vertex = brep_.unique_vertex({corner.component_id(), 0});
      for (const auto new_unique : outputs(unique_vertices, unique_vertex)) {
        const auto ties = ties_of_type(rebuilt.component_mesh_vertices(new_unique), type);
        if (ties.count == 0) continue;
        mapping.map({corner.id(), 0}, {ties.first.component_id.id(), ties.first.vertex});
      }
    }
  }

  void add_lines_vertices_mappings(const BRep& rebuilt,
                                   const GenericMapping<index_t>& unique_vertices,
                                   const GenericMapping<MeshElement>& edges,
                                   GenericMapping<MeshVertex>& mapping) const {
    const auto type = Line<3>::component_type_static();
    for (const auto& line : brep_.lines()) {
      const auto& mesh = line.mesh();
      const auto uniques = brep_.component_unique_vertices(line.id());
      for (index_t vertex = 0; vertex < mesh.nb_vertices(); ++vertex) {
        const MeshVertex old_vertex{line.id(), vertex};
        for (const auto new_unique : outputs(unique_vertices, unique_vertex_at(uniques, vertex))) {
          const auto ties = ties_of_type(rebuilt.component_mesh_vertices(new_unique), type);
          if (ties.count == 1) {
            mapping.map(old_vertex, {ties.first.component_id.id(), ties.first.vertex});
            continue;
          }
          // The vertex is on several new lines (or none): the new line that carries the first
          // old edge around it tells which.
          const auto& around = mesh.edges_around_vertex(vertex);
          if (around.empty()) continue;
          const auto new_vertex = line_vertex_at(
              rebuilt, outputs(edges, {line.id(), around.front().edge_id}), new_unique);
          if (new_vertex) mapping.map(old_vertex, *new_vertex);
        }
      }
    }
  }

  // The end of one of the new edges whose unique vertex is `new_unique`.
  static std::optional<MeshVertex> line_vertex_at(
      const BRep& rebuilt, const GenericMapping<MeshElement>::Values<MeshElement>& new_edges,
      index_t new_unique) {
    for (const auto& edge : new_edges) {
      if (edge.element == NO_ID) continue;
      const auto& new_mesh = rebuilt.line(edge.component_id).mesh();
      const auto new_uniques = rebuilt.component_unique_vertices(edge.component_id);
      for (const auto end : new_mesh.edge_vertices(edge.element)) {
        if (unique_vertex_at(new_uniques, end) == new_unique) {
          return MeshVertex{edge.component_id, end};
        }
      }
    }
    return std::nullopt;
  }

  void add_surfaces_vertices_mappings(const BRep& rebuilt,
                                      const GenericMapping<index_t>& unique_vertices,
                                      const GenericMapping<MeshElement>& polygons,
                                      GenericMapping<MeshVertex>& mapping) const {
    const auto type = Surface<3>::component_type_static();
    for (const auto& surface : brep_.surfaces()) {
      const auto& mesh = surface.mesh();
      const auto uniques = brep_.component_unique_vertices(surface.id());
      for (index_t vertex = 0; vertex < mesh.nb_vertices(); ++vertex) {
        const MeshVertex old_vertex{surface.id(), vertex};
        for (const auto new_unique : outputs(unique_vertices, unique_vertex_at(uniques, vertex))) {
          const auto ties = ties_of_type(rebuilt.component_mesh_vertices(new_unique), type);
          if (ties.count == 1) {
            mapping.map(old_vertex, {ties.first.component_id.id(), ties.first.vertex});
            continue;
          }
          const auto new_vertex =
              surface_vertex_at(rebuilt, mesh, surface.id(), vertex, polygons, new_unique);
          if (new_vertex && !mapping.has_mapping_output(*new_vertex)) {
            mapping.map(old_vertex, *new_vertex);
          }
        }
      }
    }
  }

  // The first vertex at `new_unique` among the new polygons of the old polygons around the old
  // vertex.
  static std::optional<MeshVertex> surface_vertex_at(const BRep& rebuilt,
                                                     const SurfaceMesh<3>& mesh,
                                                     const uuid& surface, index_t vertex,
                                                     const GenericMapping<MeshElement>& polygons,
                                                     index_t new_unique) {
    for (const auto& around : mesh.polygons_around_vertex(vertex)) {
      for (const auto& polygon : outputs(polygons, {surface, around.polygon_id})) {
        const auto& new_mesh = rebuilt.surface(polygon.component_id).mesh();
        const auto new_uniques = rebuilt.component_unique_vertices(polygon.component_id);
        for (const auto new_vertex : new_mesh.polygon_vertices(polygon.element)) {
          if (unique_vertex_at(new_uniques, new_vertex) == new_unique) {
            return MeshVertex{polygon.component_id, new_vertex};
          }
        }
      }
    }
    return std::nullopt;
  }

  void add_blocks_vertices_mappings(const BRep& rebuilt,
                                    const GenericMapping<index_t>& unique_vertices,
                                    const GenericMapping<MeshElement>& polyhedra,
                                    GenericMapping<MeshVertex>& mapping) const {
    const auto type = Block<3>::component_type_static();
    for (const auto& block : rebuilt.blocks()) {
      const auto& mesh = block.mesh();
      const auto new_uniques = rebuilt.component_unique_vertices(block.id());
      for (index_t vertex = 0; vertex < mesh.nb_vertices(); ++vertex) {
        const auto& olds = inputs(unique_vertices, unique_vertex_at(new_uniques, vertex));
        if (olds.empty()) continue;
        const auto old_unique = olds.front();
        const auto ties = ties_of_type(brep_.component_mesh_vertices(old_unique), type);
        const MeshVertex new_vertex{block.id(), vertex};
        if (ties.count == 1) {
          mapping.map({ties.first.component_id.id(), ties.first.vertex}, new_vertex);
          continue;
        }
        // The vertex is shared by several old blocks (or none): the old polyhedron of a new
        // polyhedron around it tells which.
        const auto around = mesh.polyhedron_around_vertex(vertex).value();
        const auto& old_polyhedra = inputs(polyhedra, {block.id(), around.polyhedron_id});
        if (old_polyhedra.size() != 1) {
          throw_model_exception_at(
              mesh.point(vertex), OstrelException::TYPE::internal,
              "[BRepTopologyRebuilder::add_blocks_vertices_mappings] There should be only one "
              "block polyhedron from final BRep block polyhedron [",
              block.id().string(), ", ", around.polyhedron_id, "].");
        }
        const auto& old_polyhedron = old_polyhedra.front();
        const auto& old_mesh = brep_.block(old_polyhedron.component_id).mesh();
        const auto old_uniques = brep_.component_unique_vertices(old_polyhedron.component_id);
        for (const auto old_vertex : old_mesh.polyhedron_vertices(old_polyhedron.element)) {
          if (unique_vertex_at(old_uniques, old_vertex) != old_unique) continue;
          mapping.map({old_polyhedron.component_id, old_vertex}, new_vertex);
          break;
        }
      }
    }
  }

  const BRep& brep_;
  std::unique_ptr<SolidMesh<3>> solid_;
  ModelToMeshMappings mappings_;
  std::vector<std::pair<const Block<3>*, std::vector<PolyhedronFacet>>> block_facets_;
  std::vector<uuid> non_conformal_surfaces_;
};

BRepTopologyRebuilder::BRepTopologyRebuilder(const BRep& brep)
    : impl_(std::make_unique<Impl>(brep)) {}

BRepTopologyRebuilder::~BRepTopologyRebuilder() = default;

void BRepTopologyRebuilder::add_block_facets_to_topology(const Block<3>& block,
                                                         std::vector<PolyhedronFacet> facets) {
  impl_->add_block_facets_to_topology(block, std::move(facets));
}

void BRepTopologyRebuilder::remove_conformity_on_model_surface(const Surface<3>& surface) {
  impl_->remove_conformity_on_model_surface(surface);
}

std::tuple<BRep, BRepMappings> BRepTopologyRebuilder::rebuild() {
  return impl_->rebuild();
}

}  // namespace veyra::detail
