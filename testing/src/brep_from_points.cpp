// SPDX-License-Identifier: MIT
#include <veyra_testing/brep_from_points.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>

#include <absl/container/flat_hash_map.h>
#include <absl/container/flat_hash_set.h>
#include <absl/container/inlined_vector.h>

#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/point_set_builder.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/mesh/triangulated_surface.h>

namespace veyra::testing {
namespace {

using EdgeKey = std::uint64_t;

EdgeKey edge_key(index_t a, index_t b) {
  const auto [low, high] = std::minmax(a, b);
  return (static_cast<EdgeKey>(low) << 32) | high;
}

// What a border edge touches: the surfaces it borders and those it runs inside of.
struct EdgeSurfaces {
  std::vector<index_t> borders;
  std::vector<index_t> inners;
  friend bool operator==(const EdgeSurfaces&, const EdgeSurfaces&) = default;
};

}  // namespace

BRepFromPoints::BRepFromPoints(BRep& model, std::vector<Point<3>> points)
    : model_(model), builder_(model), points_(std::move(points)) {
  builder_.create_unique_vertices(static_cast<index_t>(points_.size()));
}

uuid BRepFromPoints::add_surface(absl::Span<const PointChain> polygons) {
  const bool triangulated = std::all_of(
      polygons.begin(), polygons.end(), [](const PointChain& polygon) { return polygon.size() == 3; });
  const auto id = triangulated
                      ? builder_.add_surface(OstrelTriangulatedSurface<3>::impl_name_static())
                      : builder_.add_surface();
  const auto& surface = model_.surface(id);
  auto mesh = builder_.surface_mesh_builder(id);
  absl::flat_hash_map<index_t, index_t> vertices;
  std::vector<index_t> local;
  for (const auto& polygon : polygons) {
    local.clear();
    for (const auto point : polygon) {
      const auto [found, inserted] = vertices.try_emplace(point, surface.mesh().nb_vertices());
      if (inserted) {
        mesh->create_point(points_[point]);
        builder_.set_unique_vertex({surface.component_id(), found->second}, point);
      }
      local.push_back(found->second);
    }
    mesh->create_polygon(local);
  }
  mesh->compute_polygon_adjacencies();
  surfaces_.emplace_back(id, std::vector<PointChain>(polygons.begin(), polygons.end()));
  return id;
}

uuid BRepFromPoints::add_line(const PointChain& chain) {
  const auto id = builder_.add_line();
  const auto& line = model_.line(id);
  auto mesh = builder_.line_mesh_builder(id);
  const bool closed = chain.size() > 2 && chain.front() == chain.back();
  const auto nb_vertices = static_cast<index_t>(closed ? chain.size() - 1 : chain.size());
  for (index_t v = 0; v < nb_vertices; ++v) {
    mesh->create_point(points_[chain[v]]);
    builder_.set_unique_vertex({line.component_id(), v}, chain[v]);
  }
  for (index_t e = 0; e + 1 < chain.size(); ++e) {
    mesh->create_edge(e, closed && e + 2 == chain.size() ? 0 : e + 1);
  }
  return id;
}

uuid BRepFromPoints::add_corner(index_t point) {
  const auto id = builder_.add_corner();
  builder_.corner_mesh_builder(id)->create_point(points_[point]);
  builder_.set_unique_vertex({model_.corner(id).component_id(), 0}, point);
  return id;
}

uuid BRepFromPoints::add_block(const SolidMesh<3>& mesh, absl::Span<const index_t> vertex_points) {
  const auto id = builder_.add_block(mesh.impl_name());
  const auto& block = model_.block(id);
  builder_.update_block_mesh(block, mesh.clone());
  for (index_t v = 0; v < mesh.nb_vertices(); ++v) {
    builder_.set_unique_vertex({block.component_id(), v},
                               vertex_points.empty() ? v : vertex_points[v]);
  }
  return id;
}

void BRepFromPoints::add_lines_from_surface_borders() {
  // Border edges in order of first appearance, with the surfaces each touches.
  std::vector<std::array<index_t, 2>> edges;
  absl::flat_hash_map<EdgeKey, index_t> edge_ids;
  std::vector<EdgeSurfaces> edge_surfaces;
  std::vector<absl::flat_hash_map<EdgeKey, index_t>> uses(surfaces_.size());
  for (index_t s = 0; s < surfaces_.size(); ++s) {
    for (const auto& polygon : surfaces_[s].second) {
      for (index_t k = 0; k < polygon.size(); ++k) {
        ++uses[s][edge_key(polygon[k], polygon[(k + 1) % polygon.size()])];
      }
    }
  }
  for (index_t s = 0; s < surfaces_.size(); ++s) {
    for (const auto& polygon : surfaces_[s].second) {
      for (index_t k = 0; k < polygon.size(); ++k) {
        const std::array<index_t, 2> edge{polygon[k], polygon[(k + 1) % polygon.size()]};
        const auto key = edge_key(edge[0], edge[1]);
        if (uses[s].at(key) != 1) continue;
        const auto [found, inserted] = edge_ids.try_emplace(key, edges.size());
        if (inserted) {
          edges.push_back(edge);
          edge_surfaces.emplace_back();
        }
        auto& borders = edge_surfaces[found->second].borders;
        if (std::find(borders.begin(), borders.end(), s) == borders.end()) borders.push_back(s);
      }
    }
  }
  for (index_t e = 0; e < edges.size(); ++e) {
    const auto key = edge_key(edges[e][0], edges[e][1]);
    for (index_t s = 0; s < surfaces_.size(); ++s) {
      const auto found = uses[s].find(key);
      if (found != uses[s].end() && found->second == 2) edge_surfaces[e].inners.push_back(s);
    }
  }
  absl::flat_hash_map<index_t, absl::InlinedVector<index_t, 2>> point_edges;
  for (index_t e = 0; e < edges.size(); ++e) {
    point_edges[edges[e][0]].push_back(e);
    point_edges[edges[e][1]].push_back(e);
  }
  const auto is_corner = [&](index_t point) {
    const auto& around = point_edges.at(point);
    return around.size() != 2 || !(edge_surfaces[around[0]] == edge_surfaces[around[1]]);
  };
  std::vector<bool> visited(edges.size(), false);
  // The other edge at `point` when the chain goes on through it.
  const auto next_edge = [&](index_t edge, index_t point) -> index_t {
    if (is_corner(point)) return NO_ID;
    const auto& around = point_edges.at(point);
    const auto next = around[0] == edge ? around[1] : around[0];
    return visited[next] ? NO_ID : next;
  };
  const auto other_end = [&](index_t edge, index_t point) {
    return edges[edge][0] == point ? edges[edge][1] : edges[edge][0];
  };
  absl::flat_hash_map<index_t, uuid> corners;
  for (index_t first = 0; first < edges.size(); ++first) {
    if (visited[first]) continue;
    visited[first] = true;
    std::deque<index_t> chain{edges[first][0], edges[first][1]};
    for (auto edge = first, point = chain.back(); (edge = next_edge(edge, point)) != NO_ID;) {
      visited[edge] = true;
      point = other_end(edge, point);
      chain.push_back(point);
    }
    for (auto edge = first, point = chain.front(); (edge = next_edge(edge, point)) != NO_ID;) {
      visited[edge] = true;
      point = other_end(edge, point);
      chain.push_front(point);
    }
    const auto line_id = add_line(PointChain(chain.begin(), chain.end()));
    const auto& line = model_.line(line_id);
    for (const auto s : edge_surfaces[first].borders) {
      builder_.add_line_surface_boundary_relationship(line, model_.surface(surfaces_[s].first));
    }
    for (const auto s : edge_surfaces[first].inners) {
      builder_.add_line_surface_internal_relationship(line, model_.surface(surfaces_[s].first));
    }
    if (chain.front() == chain.back()) continue;
    for (const auto end : {chain.front(), chain.back()}) {
      const auto [found, inserted] = corners.try_emplace(end);
      if (inserted) found->second = add_corner(end);
      builder_.add_corner_line_boundary_relationship(model_.corner(found->second), line);
    }
  }
}

SolidPart extract_polyhedra(const SolidMesh<3>& solid,
                            const std::function<bool(const Point<3>&)>& keep) {
  SolidPart part;
  part.mesh = SolidMesh<3>::create(solid.impl_name());
  auto builder = SolidMeshBuilder<3>::create(*part.mesh);
  std::vector<index_t> new_vertices(solid.nb_vertices(), NO_ID);
  std::vector<std::vector<local_index_t>> facets;
  std::vector<index_t> vertices;
  for (index_t p = 0; p < solid.nb_polyhedra(); ++p) {
    if (!keep(solid.polyhedron_barycenter(p))) continue;
    vertices.clear();
    for (const auto vertex : solid.polyhedron_vertices(p)) {
      if (new_vertices[vertex] == NO_ID) {
        new_vertices[vertex] = builder->create_point(solid.point(vertex));
        part.vertex_points.push_back(vertex);
      }
      vertices.push_back(new_vertices[vertex]);
    }
    facets.assign(solid.nb_polyhedron_facets(p), {});
    for (local_index_t f = 0; f < facets.size(); ++f) {
      const PolyhedronFacet facet{p, f};
      for (local_index_t k = 0; k < solid.nb_polyhedron_facet_vertices(facet); ++k) {
        facets[f].push_back(solid.polyhedron_facet_vertex_id({facet, k}).vertex_id);
      }
    }
    builder->create_polyhedron(vertices, facets);
  }
  builder->compute_polyhedron_adjacencies();
  return part;
}

std::vector<PointChain> solid_facets_where(const SolidMesh<3>& solid,
                                           const std::function<bool(const Point<3>&)>& keep,
                                           const Vector<3>& direction) {
  std::vector<PointChain> result;
  absl::flat_hash_set<PointChain> seen;
  for (index_t p = 0; p < solid.nb_polyhedra(); ++p) {
    for (local_index_t f = 0; f < solid.nb_polyhedron_facets(p); ++f) {
      const auto facet_vertices = solid.polyhedron_facet_vertices({p, f});
      PointChain facet(facet_vertices.begin(), facet_vertices.end());
      if (!std::all_of(facet.begin(), facet.end(),
                       [&](index_t v) { return keep(solid.point(v)); })) {
        continue;
      }
      auto sorted = facet;
      std::sort(sorted.begin(), sorted.end());
      if (!seen.insert(std::move(sorted)).second) continue;
      Vector<3> normal;
      const auto& origin = solid.point(facet[0]);
      for (index_t k = 1; k + 1 < facet.size(); ++k) {
        normal = normal + Vector<3>{origin, solid.point(facet[k])}.cross(
                              Vector<3>{origin, solid.point(facet[k + 1])});
      }
      if (normal.dot(direction) < 0.) std::reverse(facet.begin() + 1, facet.end());
      result.push_back(std::move(facet));
    }
  }
  return result;
}

}  // namespace veyra::testing
