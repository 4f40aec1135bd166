// SPDX-License-Identifier: MIT
#include <ostrel/model/component_mesh_edges.h>
#include <ostrel/model/component_mesh_polygons.h>

#include <algorithm>
#include <type_traits>

#include <absl/container/inlined_vector.h>
#include <absl/types/span.h>

#include <ostrel/model/brep.h>
#include <ostrel/model/canonical_cycle.h>
#include <ostrel/model/section.h>

namespace veyra {
namespace {

using Vertices = absl::InlinedVector<index_t, 4>;

index_t unique_vertex_of(absl::Span<const index_t> unique_vertices, index_t vertex) {
  return vertex < unique_vertices.size() ? unique_vertices[vertex] : NO_ID;
}

/// The vertices of `component` tied to `unique_vertex`, in tie order.
template <typename Model>
Vertices tied_vertices(const Model& model, index_t unique_vertex, const uuid& component) {
  Vertices vertices;
  for (const auto& tie : model.component_mesh_vertices(unique_vertex)) {
    if (tie.component_id.id() == component) vertices.push_back(tie.vertex);
  }
  return vertices;
}

template <typename T>
void sort_unique(std::vector<T>& values) {
  std::sort(values.begin(), values.end());
  values.erase(std::unique(values.begin(), values.end()), values.end());
}

/// Calls visit(component_id) once per component, in the order of the unique vertex's ties.
template <typename Model, typename Visit>
void for_each_tied_component(const Model& model, index_t unique_vertex, Visit&& visit) {
  absl::InlinedVector<uuid, 8> visited;
  for (const auto& tie : model.component_mesh_vertices(unique_vertex)) {
    const auto& id = tie.component_id.id();
    if (std::find(visited.begin(), visited.end(), id) != visited.end()) continue;
    visited.push_back(id);
    visit(tie.component_id);
  }
}

bool is_tied(const std::array<index_t, 2>& unique_vertices) {
  return unique_vertices[0] != NO_ID && unique_vertices[1] != NO_ID;
}

template <typename Model>
std::vector<index_t> line_edges_on(const Model& model, const Line<Model::dim>& line,
                                   const std::array<index_t, 2>& unique_vertices) {
  const auto& mesh = line.mesh();
  const auto tied = model.component_unique_vertices(line.id());
  std::vector<index_t> edges;
  for (const auto vertex : tied_vertices(model, unique_vertices[0], line.id())) {
    for (const auto& edge_vertex : mesh.edges_around_vertex(vertex)) {
      const auto other = mesh.edge_vertex(edge_vertex.opposite());
      if (unique_vertex_of(tied, other) == unique_vertices[1]) {
        edges.push_back(edge_vertex.edge_id);
      }
    }
  }
  sort_unique(edges);
  return edges;
}

template <typename Model>
std::vector<PolygonEdge> surface_edges_on(const Model& model, const Surface<Model::dim>& surface,
                                          const std::array<index_t, 2>& unique_vertices) {
  const auto& mesh = surface.mesh();
  const auto ends = tied_vertices(model, unique_vertices[1], surface.id());
  std::vector<PolygonEdge> edges;
  for (const auto vertex : tied_vertices(model, unique_vertices[0], surface.id())) {
    for (const auto end : ends) {
      if (end == vertex) continue;
      const std::array<index_t, 2> pair{vertex, end};
      for (const auto& edge : mesh.polygons_from_edge_vertices(pair)) edges.push_back(edge);
    }
  }
  sort_unique(edges);
  return edges;
}

template <index_t D>
PolygonVertices polygon_cycle(const Surface<D>& surface, absl::Span<const index_t> tied,
                              index_t polygon) {
  const auto& mesh = surface.mesh();
  PolygonVertices cycle;
  const auto nb_vertices = mesh.nb_polygon_vertices(polygon);
  for (local_index_t v = 0; v < nb_vertices; ++v) {
    cycle.push_back(unique_vertex_of(tied, mesh.polygon_vertex({polygon, v})));
  }
  return cycle;
}

template <typename Model>
std::vector<index_t> surface_polygons_on(const Model& model, const Surface<Model::dim>& surface,
                                         const PolygonVertices& unique_vertices,
                                         const PolygonVertices& canonical) {
  const auto& mesh = surface.mesh();
  const auto tied = model.component_unique_vertices(surface.id());
  // A matching polygon has an edge joining the first two unique vertices of the query.
  std::vector<index_t> candidates;
  for (const auto& edge :
       surface_edges_on(model, surface, {unique_vertices[0], unique_vertices[1]})) {
    candidates.push_back(edge.polygon_id);
  }
  sort_unique(candidates);
  std::vector<index_t> polygons;
  for (const auto polygon : candidates) {
    if (mesh.nb_polygon_vertices(polygon) != canonical.size()) continue;
    auto cycle = polygon_cycle(surface, tied, polygon);
    if (std::find(cycle.begin(), cycle.end(), NO_ID) != cycle.end()) continue;
    make_canonical_cycle(cycle);
    if (cycle == canonical) polygons.push_back(polygon);
  }
  return polygons;
}

std::vector<std::array<index_t, 2>> block_edges_on(const BRep& model, const Block<3>& block,
                                                   const std::array<index_t, 2>& unique_vertices) {
  const auto& mesh = block.mesh();
  const auto ends = tied_vertices(model, unique_vertices[1], block.id());
  std::vector<std::array<index_t, 2>> edges;
  for (const auto vertex : tied_vertices(model, unique_vertices[0], block.id())) {
    for (const auto end : ends) {
      if (end == vertex) continue;
      if (!mesh.polyhedra_around_edge({vertex, end}).empty()) edges.push_back({vertex, end});
    }
  }
  sort_unique(edges);
  return edges;
}

PolygonVertices facet_cycle(const Block<3>& block, absl::Span<const index_t> tied,
                            const PolyhedronFacet& facet) {
  PolygonVertices cycle;
  for (const auto vertex : block.mesh().polyhedron_facet_vertices(facet)) {
    cycle.push_back(unique_vertex_of(tied, vertex));
  }
  return cycle;
}

/// The block's polyhedron facets whose unique vertices form the cycle `canonical`; candidates
/// are the polyhedra with an edge joining the first two unique vertices of the query.
std::vector<PolyhedronFacet> block_facets_on(const BRep& model, const Block<3>& block,
                                             const PolygonVertices& unique_vertices,
                                             const PolygonVertices& canonical) {
  const auto& mesh = block.mesh();
  const auto tied = model.component_unique_vertices(block.id());
  const auto ends = tied_vertices(model, unique_vertices[1], block.id());
  std::vector<index_t> candidates;
  for (const auto vertex : tied_vertices(model, unique_vertices[0], block.id())) {
    for (const auto end : ends) {
      if (end == vertex) continue;
      for (const auto polyhedron : mesh.polyhedra_around_edge({vertex, end})) {
        candidates.push_back(polyhedron);
      }
    }
  }
  sort_unique(candidates);
  std::vector<PolyhedronFacet> facets;
  for (const auto polyhedron : candidates) {
    const auto nb_facets = mesh.nb_polyhedron_facets(polyhedron);
    for (local_index_t f = 0; f < nb_facets; ++f) {
      const PolyhedronFacet facet{polyhedron, f};
      if (mesh.nb_polyhedron_facet_vertices(facet) != canonical.size()) continue;
      auto cycle = facet_cycle(block, tied, facet);
      if (std::find(cycle.begin(), cycle.end(), NO_ID) != cycle.end()) continue;
      make_canonical_cycle(cycle);
      if (cycle == canonical) facets.push_back(facet);
    }
  }
  return facets;
}

bool has_untied(const PolygonVertices& unique_vertices) {
  return std::find(unique_vertices.begin(), unique_vertices.end(), NO_ID) != unique_vertices.end();
}

/// Every polygon and block facet on the cycle of `unique_vertices`.
template <typename Model>
ModelComponentMeshPolygons polygons_on_cycle(const Model& model,
                                             const PolygonVertices& unique_vertices) {
  ModelComponentMeshPolygons result;
  if (unique_vertices.size() < 3 || has_untied(unique_vertices)) return result;
  const auto canonical = canonical_cycle(unique_vertices);
  for_each_tied_component(model, unique_vertices[0], [&](const ComponentID& component) {
    const auto& type = component.type();
    if (type == Surface<Model::dim>::component_type_static()) {
      auto polygons =
          surface_polygons_on(model, model.surface(component.id()), unique_vertices, canonical);
      if (!polygons.empty()) result.surface_polygons.emplace(component.id(), std::move(polygons));
    }
    if constexpr (std::is_same_v<Model, BRep>) {
      if (type == Block<3>::component_type_static()) {
        auto facets =
            block_facets_on(model, model.block(component.id()), unique_vertices, canonical);
        if (!facets.empty()) result.block_facets.emplace(component.id(), std::move(facets));
      }
    }
  });
  return result;
}

}  // namespace

template <typename Model>
std::array<index_t, 2> edge_unique_vertices(const Model& model, const Line<Model::dim>& line,
                                            index_t edge) {
  const auto tied = model.component_unique_vertices(line.id());
  const auto vertices = line.mesh().edge_vertices(edge);
  return {unique_vertex_of(tied, vertices[0]), unique_vertex_of(tied, vertices[1])};
}

template <typename Model>
std::array<index_t, 2> edge_unique_vertices(const Model& model, const Surface<Model::dim>& surface,
                                            const PolygonEdge& edge) {
  const auto tied = model.component_unique_vertices(surface.id());
  const auto vertices = surface.mesh().polygon_edge_vertices(edge);
  return {unique_vertex_of(tied, vertices[0]), unique_vertex_of(tied, vertices[1])};
}

template <typename Model>
PolygonVertices polygon_unique_vertices(const Model& model, const Surface<Model::dim>& surface,
                                        index_t polygon) {
  return polygon_cycle(surface, model.component_unique_vertices(surface.id()), polygon);
}

template <typename Model>
ModelComponentMeshEdges component_mesh_edges(const Model& model,
                                             const std::array<index_t, 2>& unique_vertices) {
  ModelComponentMeshEdges result;
  if (!is_tied(unique_vertices)) return result;
  for_each_tied_component(model, unique_vertices[0], [&](const ComponentID& component) {
    const auto& type = component.type();
    if (type == Line<Model::dim>::component_type_static()) {
      auto edges = line_edges_on(model, model.line(component.id()), unique_vertices);
      if (!edges.empty()) result.line_edges.emplace(component.id(), std::move(edges));
    } else if (type == Surface<Model::dim>::component_type_static()) {
      auto edges = surface_edges_on(model, model.surface(component.id()), unique_vertices);
      if (!edges.empty()) result.surface_edges.emplace(component.id(), std::move(edges));
    }
    if constexpr (std::is_same_v<Model, BRep>) {
      if (type == Block<3>::component_type_static()) {
        auto edges = block_edges_on(model, model.block(component.id()), unique_vertices);
        if (!edges.empty()) result.block_edges.emplace(component.id(), std::move(edges));
      }
    }
  });
  return result;
}

template <typename Model>
ModelComponentMeshEdges component_mesh_edges(const Model& model, const Line<Model::dim>& line,
                                             index_t edge) {
  return component_mesh_edges(model, edge_unique_vertices(model, line, edge));
}

template <typename Model>
linked_hash_map<uuid, std::vector<PolygonEdge>> surface_component_mesh_edges(
    const Model& model, const std::array<index_t, 2>& unique_vertices) {
  linked_hash_map<uuid, std::vector<PolygonEdge>> result;
  if (!is_tied(unique_vertices)) return result;
  for_each_tied_component(model, unique_vertices[0], [&](const ComponentID& component) {
    if (component.type() != Surface<Model::dim>::component_type_static()) return;
    auto edges = surface_edges_on(model, model.surface(component.id()), unique_vertices);
    if (!edges.empty()) result.emplace(component.id(), std::move(edges));
  });
  return result;
}

template <typename Model>
std::vector<PolygonEdge> surface_component_mesh_edges(
    const Model& model, const Surface<Model::dim>& surface,
    const std::array<index_t, 2>& unique_vertices) {
  if (!is_tied(unique_vertices)) return {};
  return surface_edges_on(model, surface, unique_vertices);
}

template <typename Model>
ModelComponentMeshPolygons component_mesh_polygons(const Model& model,
                                                   const Surface<Model::dim>& surface,
                                                   index_t polygon) {
  return polygons_on_cycle(model, polygon_unique_vertices(model, surface, polygon));
}

PolygonVertices polyhedron_facet_unique_vertices(const BRep& model, const Block<3>& block,
                                                 const PolyhedronFacet& facet) {
  return facet_cycle(block, model.component_unique_vertices(block.id()), facet);
}

ModelComponentMeshPolygons component_mesh_polygons(const BRep& model, const Block<3>& block,
                                                   const PolyhedronFacet& facet) {
  return polygons_on_cycle(model, polyhedron_facet_unique_vertices(model, block, facet));
}

linked_hash_map<uuid, std::vector<PolyhedronFacet>> block_component_mesh_polygons(
    const BRep& model, absl::Span<const index_t> unique_vertices) {
  auto result =
      polygons_on_cycle(model, PolygonVertices{unique_vertices.begin(), unique_vertices.end()});
  return std::move(result.block_facets);
}

std::vector<PolyhedronFacet> block_mesh_polyhedra_from_surface_polygon(const BRep& model,
                                                                       const Block<3>& block,
                                                                       const Surface<3>& surface,
                                                                       index_t polygon) {
  const auto unique_vertices = polygon_unique_vertices(model, surface, polygon);
  if (has_untied(unique_vertices)) return {};
  return block_facets_on(model, block, unique_vertices, canonical_cycle(unique_vertices));
}

#define OSTREL_INSTANTIATE_QUERIES(Model)                                                        \
  template std::array<index_t, 2> edge_unique_vertices(const Model&, const Line<Model::dim>&,    \
                                                       index_t);                                 \
  template std::array<index_t, 2> edge_unique_vertices(const Model&, const Surface<Model::dim>&, \
                                                       const PolygonEdge&);                      \
  template PolygonVertices polygon_unique_vertices(const Model&, const Surface<Model::dim>&,     \
                                                   index_t);                                     \
  template ModelComponentMeshEdges component_mesh_edges(const Model&,                            \
                                                        const std::array<index_t, 2>&);          \
  template ModelComponentMeshEdges component_mesh_edges(const Model&, const Line<Model::dim>&,   \
                                                        index_t);                                \
  template linked_hash_map<uuid, std::vector<PolygonEdge>> surface_component_mesh_edges(         \
      const Model&, const std::array<index_t, 2>&);                                              \
  template std::vector<PolygonEdge> surface_component_mesh_edges(                                \
      const Model&, const Surface<Model::dim>&, const std::array<index_t, 2>&);                  \
  template ModelComponentMeshPolygons component_mesh_polygons(const Model&,                      \
                                                              const Surface<Model::dim>&, index_t)

OSTREL_INSTANTIATE_QUERIES(BRep);
OSTREL_INSTANTIATE_QUERIES(Section);

#undef OSTREL_INSTANTIATE_QUERIES

}  // namespace veyra
