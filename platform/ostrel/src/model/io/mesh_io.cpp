// SPDX-License-Identifier: MIT
#include "mesh_io.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <ostrel/basic/str_cat.h>

#include <ostrel/basic/identifier.h>
#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/io/mesh_table_restore.h>
#include <ostrel/mesh/point_set_builder.h>
#include <ostrel/mesh/solid_edges.h>
#include <ostrel/mesh/solid_facets.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/surface_edges.h>
#include <ostrel/mesh/surface_mesh_builder.h>

#include "attribute_io.h"

namespace veyra::internal {
namespace {

// Common head of every mesh: id, name, then the points with the vertex attributes.

template <index_t D>
void write_vertices(BinaryWriter& writer, const GeometricMesh<D>& mesh, std::string_view context) {
  writer.write_uuid(mesh.id());
  const auto name = mesh.name();
  writer.write_bool(name.has_value());
  if (name) writer.write_string(*name);
  const auto nb_vertices = mesh.nb_vertices();
  writer.write_index(nb_vertices);
  std::vector<double> coordinates;
  coordinates.reserve(std::size_t{nb_vertices} * D);
  for (index_t v = 0; v < nb_vertices; ++v) {
    const auto& point = mesh.point(v);
    for (local_index_t c = 0; c < D; ++c) coordinates.push_back(point.value(c));
  }
  writer.write_array<double>(coordinates);
  write_attributes(writer, mesh.vertex_attribute_manager(), str_cat(context, " vertices"));
}

template <index_t D>
void read_vertices(BinaryReader& reader, GeometricMesh<D>& mesh, GeometricMeshBuilder<D>& builder) {
  IdentifierBuilder identifier{mesh};
  identifier.set_id(reader.read_uuid("mesh id"));
  if (reader.read_bool("mesh name flag")) identifier.set_name(reader.read_string("mesh name"));
  const auto nb_vertices = reader.read_count(D * sizeof(double), "vertex count");
  std::vector<double> coordinates(std::size_t{nb_vertices} * D);
  reader.read_array<double>(absl::MakeSpan(coordinates), "points");
  builder.create_vertices(nb_vertices);
  for (index_t v = 0; v < nb_vertices; ++v) {
    std::array<double, D> values;
    for (local_index_t c = 0; c < D; ++c) values[c] = coordinates[std::size_t{v} * D + c];
    builder.set_point(v, Point<D>{values});
  }
  read_attributes(reader, mesh.vertex_attribute_manager());
}

/// Mesh builders check their arguments too; what they reject here is corruption of the file.
template <typename Read>
auto guarded(BinaryReader& reader, Read&& read) {
  try {
    return read();
  } catch (const OstrelModelException&) {
    throw;
  } catch (const OstrelException& exception) {
    reader.fail("invalid mesh data (", exception.what(), ")");
  }
}

constexpr std::array<std::array<local_index_t, 3>, 4> tetrahedron_facets{
    {{1, 2, 3}, {0, 3, 2}, {0, 1, 3}, {0, 2, 1}}};

template <index_t D>
bool has_fixed_tetrahedron_facets(const SolidMesh<D>& mesh, index_t polyhedron) {
  if (mesh.nb_polyhedron_vertices(polyhedron) != 4 || mesh.nb_polyhedron_facets(polyhedron) != 4) {
    return false;
  }
  for (local_index_t f = 0; f < 4; ++f) {
    const PolyhedronFacet facet{polyhedron, f};
    if (mesh.nb_polyhedron_facet_vertices(facet) != 3) return false;
    for (local_index_t v = 0; v < 3; ++v) {
      if (mesh.polyhedron_facet_vertex_id({facet, v}).vertex_id != tetrahedron_facets[f][v]) {
        return false;
      }
    }
  }
  return true;
}

template <typename Table>
bool same_edge_table(const Table& table, absl::Span<const std::array<index_t, 2>> edges) {
  if (table.nb_edges() != edges.size()) return false;
  for (index_t e = 0; e < edges.size(); ++e) {
    if (table.edge_vertices(e) != edges[e]) return false;
  }
  return true;
}

bool same_facet_table(const SolidFacets<3>& table, absl::Span<const index_t> offsets,
                      absl::Span<const index_t> vertices) {
  if (table.nb_facets() + 1 != offsets.size()) return false;
  for (index_t f = 0; f < table.nb_facets(); ++f) {
    const auto entry = table.facet_vertices(f);
    if (!std::equal(entry.begin(), entry.end(), vertices.begin() + offsets[f],
                    vertices.begin() + offsets[f + 1])) {
      return false;
    }
  }
  return true;
}

void read_index_pairs(BinaryReader& reader, std::vector<std::array<index_t, 2>>& pairs,
                      index_t nb_vertices) {
  for (auto& pair : pairs) {
    pair[0] = reader.read_index("edge vertex");
    pair[1] = reader.read_index("edge vertex");
    if (pair[0] > pair[1] || pair[1] >= nb_vertices) reader.fail("invalid edge entry");
  }
}

}  // namespace

template <index_t D>
void write_mesh(BinaryWriter& writer, const PointSet<D>& mesh, std::string_view context) {
  write_vertices(writer, mesh, context);
}

template <index_t D>
std::unique_ptr<PointSet<D>> read_point_set(BinaryReader& reader, const MeshImpl& impl) {
  return guarded(reader, [&] {
    auto mesh = PointSet<D>::create(impl);
    auto builder = PointSetBuilder<D>::create(*mesh);
    read_vertices(reader, *mesh, *builder);
    return mesh;
  });
}

// Edged curves: the edge ends, then each vertex's list of edge ends in attachment order, which
// the reader replays through set_edge_vertex to give every list back its order.

template <index_t D>
void write_mesh(BinaryWriter& writer, const EdgedCurve<D>& mesh, std::string_view context) {
  write_vertices(writer, mesh, context);
  const auto nb_edges = mesh.nb_edges();
  writer.write_index(nb_edges);
  for (index_t e = 0; e < nb_edges; ++e) {
    const auto vertices = mesh.edge_vertices(e);
    writer.write_index(vertices[0]);
    writer.write_index(vertices[1]);
  }
  for (index_t v = 0; v < mesh.nb_vertices(); ++v) {
    const auto& around = mesh.edges_around_vertex(v);
    writer.write_index(static_cast<index_t>(around.size()));
    for (const auto& edge_vertex : around) {
      writer.write_index(edge_vertex.edge_id);
      writer.write<std::uint8_t>(edge_vertex.vertex_id);
    }
  }
  write_attributes(writer, mesh.edge_attribute_manager(), str_cat(context, " edges"));
}

template <index_t D>
std::unique_ptr<EdgedCurve<D>> read_edged_curve(BinaryReader& reader, const MeshImpl& impl) {
  return guarded(reader, [&] {
    auto mesh = EdgedCurve<D>::create(impl);
    auto builder = EdgedCurveBuilder<D>::create(*mesh);
    read_vertices(reader, *mesh, *builder);
    const auto nb_vertices = mesh->nb_vertices();
    const auto nb_edges = reader.read_count(8, "edge count");
    std::vector<std::array<index_t, 2>> ends(nb_edges);
    for (auto& edge : ends) {
      for (auto& end : edge) {
        end = reader.read_index("edge vertex");
        if (end != NO_ID && end >= nb_vertices) reader.fail("edge vertex ", end, " out of range");
      }
      builder->create_edge();
    }
    std::vector<std::array<bool, 2>> attached(nb_edges, {false, false});
    index_t nb_attached = 0;
    for (index_t v = 0; v < nb_vertices; ++v) {
      const auto nb_ends = reader.read_count(5, "edge end count");
      for (index_t i = 0; i < nb_ends; ++i) {
        const auto edge = reader.read_index_below(nb_edges, "edge of an edge end");
        const auto end = reader.read<std::uint8_t>("edge end");
        if (end > 1 || ends[edge][end] != v || attached[edge][end]) {
          reader.fail("edge end (", edge, ", ", int{end}, ") listed at the wrong vertex ", v);
        }
        attached[edge][end] = true;
        ++nb_attached;
        builder->set_edge_vertex({edge, end}, v);
      }
    }
    index_t nb_ends = 0;
    for (const auto& edge : ends) nb_ends += (edge[0] != NO_ID) + (edge[1] != NO_ID);
    if (nb_ends != nb_attached) reader.fail("edge ends missing from the vertex lists");
    read_attributes(reader, mesh->edge_attribute_manager());
    return mesh;
  });
}

// Surface meshes: polygon sizes, corners, adjacencies, then the edge table when enabled.

template <index_t D>
void write_mesh(BinaryWriter& writer, const SurfaceMesh<D>& mesh, std::string_view context) {
  write_vertices(writer, mesh, context);
  const auto nb_polygons = mesh.nb_polygons();
  writer.write_index(nb_polygons);
  std::vector<std::uint8_t> sizes(nb_polygons);
  for (index_t p = 0; p < nb_polygons; ++p) sizes[p] = mesh.nb_polygon_vertices(p);
  writer.write_array<std::uint8_t>(sizes);
  std::vector<index_t> corners;
  std::vector<index_t> adjacents;
  for (index_t p = 0; p < nb_polygons; ++p) {
    for (local_index_t v = 0; v < sizes[p]; ++v) {
      corners.push_back(mesh.polygon_vertex({p, v}));
      adjacents.push_back(mesh.polygon_adjacent({p, v}).value_or(NO_ID));
    }
  }
  writer.write_array<index_t>(corners);
  writer.write_array<index_t>(adjacents);
  writer.write_bool(mesh.are_edges_enabled());
  if (mesh.are_edges_enabled()) {
    const auto& edges = mesh.edges();
    writer.write_index(edges.nb_edges());
    for (index_t e = 0; e < edges.nb_edges(); ++e) {
      const auto vertices = edges.edge_vertices(e);
      writer.write_index(vertices[0]);
      writer.write_index(vertices[1]);
    }
    write_attributes(writer, edges.edge_attribute_manager(), str_cat(context, " edge table"));
  }
  write_attributes(writer, mesh.polygon_attribute_manager(), str_cat(context, " polygons"));
}

template <index_t D>
std::unique_ptr<SurfaceMesh<D>> read_surface_mesh(BinaryReader& reader, const MeshImpl& impl) {
  return guarded(reader, [&] {
    auto mesh = SurfaceMesh<D>::create(impl);
    auto builder = SurfaceMeshBuilder<D>::create(*mesh);
    read_vertices(reader, *mesh, *builder);
    const auto nb_vertices = mesh->nb_vertices();
    // Each polygon takes its size byte and at least three corners of two indices each.
    const auto nb_polygons = reader.read_count(1 + 3 * 8, "polygon count");
    std::vector<std::uint8_t> sizes(nb_polygons);
    reader.read_array<std::uint8_t>(absl::MakeSpan(sizes), "polygon sizes");
    std::uint64_t nb_corners = 0;
    for (const auto size : sizes) {
      if (size < 3 || size == NO_LID) reader.fail("polygon of ", int{size}, " vertices");
      nb_corners += size;
    }
    if (nb_corners * 8 > reader.remaining()) reader.fail("polygon corners exceed the file");
    std::vector<index_t> corners(nb_corners);
    std::vector<index_t> adjacents(nb_corners);
    reader.read_array<index_t>(absl::MakeSpan(corners), "polygon vertices");
    reader.read_array<index_t>(absl::MakeSpan(adjacents), "polygon adjacencies");
    builder->reserve_polygons(nb_polygons, static_cast<index_t>(nb_corners));
    std::size_t first = 0;
    for (index_t p = 0; p < nb_polygons; ++p) {
      const absl::Span<const index_t> vertices{corners.data() + first, sizes[p]};
      for (const auto vertex : vertices) {
        if (vertex >= nb_vertices) reader.fail("polygon vertex ", vertex, " out of range");
      }
      builder->create_polygon(vertices);
      first += sizes[p];
    }
    first = 0;
    for (index_t p = 0; p < nb_polygons; ++p) {
      for (local_index_t e = 0; e < sizes[p]; ++e) {
        const auto adjacent = adjacents[first + e];
        if (adjacent == NO_ID) continue;
        if (adjacent >= nb_polygons) reader.fail("adjacent polygon ", adjacent, " out of range");
        builder->set_polygon_adjacent({p, e}, adjacent);
      }
      first += sizes[p];
    }
    if (reader.read_bool("edge table flag")) {
      std::vector<std::array<index_t, 2>> edges(reader.read_count(8, "edge count"));
      read_index_pairs(reader, edges, nb_vertices);
      if (!restore_edge_table(*mesh, edges)) {
        reader.fail("the edge table does not match the polygons");
      }
      read_attributes(reader, mesh->edges().edge_attribute_manager());
    }
    read_attributes(reader, mesh->polygon_attribute_manager());
    return mesh;
  });
}

// Solid meshes: per polyhedron its vertex and facet counts, the facets as local vertex lists
// (left out when every polyhedron is a tetrahedron with the fixed facet order), the corners and
// the facet adjacencies, then the enabled edge and facet tables.

template <index_t D>
void write_mesh(BinaryWriter& writer, const SolidMesh<D>& mesh, std::string_view context) {
  write_vertices(writer, mesh, context);
  const auto nb_polyhedra = mesh.nb_polyhedra();
  writer.write_index(nb_polyhedra);
  bool tetrahedra = true;
  for (index_t p = 0; p < nb_polyhedra && tetrahedra; ++p) {
    tetrahedra = has_fixed_tetrahedron_facets(mesh, p);
  }
  writer.write_bool(tetrahedra);
  std::vector<index_t> corners;
  std::vector<index_t> adjacents;
  std::vector<std::uint8_t> shapes;
  for (index_t p = 0; p < nb_polyhedra; ++p) {
    const auto nb_vertices = mesh.nb_polyhedron_vertices(p);
    const auto nb_facets = mesh.nb_polyhedron_facets(p);
    for (local_index_t v = 0; v < nb_vertices; ++v)
      corners.push_back(mesh.polyhedron_vertex({p, v}));
    if (!tetrahedra) {
      shapes.push_back(nb_vertices);
      shapes.push_back(nb_facets);
    }
    for (local_index_t f = 0; f < nb_facets; ++f) {
      const PolyhedronFacet facet{p, f};
      adjacents.push_back(mesh.polyhedron_adjacent(facet).value_or(NO_ID));
      if (tetrahedra) continue;
      const auto size = mesh.nb_polyhedron_facet_vertices(facet);
      shapes.push_back(size);
      for (local_index_t v = 0; v < size; ++v) {
        shapes.push_back(mesh.polyhedron_facet_vertex_id({facet, v}).vertex_id);
      }
    }
  }
  writer.write_index(static_cast<index_t>(shapes.size()));
  writer.write_array<std::uint8_t>(shapes);
  writer.write_array<index_t>(corners);
  writer.write_array<index_t>(adjacents);
  writer.write_bool(mesh.are_edges_enabled());
  if (mesh.are_edges_enabled()) {
    const auto& edges = mesh.edges();
    writer.write_index(edges.nb_edges());
    for (index_t e = 0; e < edges.nb_edges(); ++e) {
      const auto vertices = edges.edge_vertices(e);
      writer.write_index(vertices[0]);
      writer.write_index(vertices[1]);
    }
    write_attributes(writer, edges.edge_attribute_manager(), str_cat(context, " edge table"));
  }
  writer.write_bool(mesh.are_facets_enabled());
  if (mesh.are_facets_enabled()) {
    const auto& facets = mesh.facets();
    writer.write_index(facets.nb_facets());
    for (index_t f = 0; f < facets.nb_facets(); ++f) {
      const auto vertices = facets.facet_vertices(f);
      writer.write<std::uint8_t>(static_cast<std::uint8_t>(vertices.size()));
      for (const auto vertex : vertices) writer.write_index(vertex);
    }
    write_attributes(writer, facets.facet_attribute_manager(), str_cat(context, " facet table"));
  }
  write_attributes(writer, mesh.polyhedron_attribute_manager(), str_cat(context, " polyhedra"));
}

template <index_t D>
std::unique_ptr<SolidMesh<D>> read_solid_mesh(BinaryReader& reader, const MeshImpl& impl) {
  return guarded(reader, [&] {
    auto mesh = SolidMesh<D>::create(impl);
    auto builder = SolidMeshBuilder<D>::create(*mesh);
    read_vertices(reader, *mesh, *builder);
    const auto nb_vertices = mesh->nb_vertices();
    // Each polyhedron takes at least four corners and four adjacencies.
    const auto nb_polyhedra = reader.read_count(8 * 4, "polyhedron count");
    const auto tetrahedra = reader.read_bool("tetrahedra flag");
    const auto nb_shape_bytes = reader.read_count(1, "polyhedron shape size");
    if (tetrahedra && nb_shape_bytes != 0) reader.fail("shapes given for tetrahedra");
    std::vector<std::uint8_t> shapes(nb_shape_bytes);
    reader.read_array<std::uint8_t>(absl::MakeSpan(shapes), "polyhedron shapes");

    // Walk the shapes once to get every polyhedron's facets and the corner and slot counts.
    std::vector<std::vector<local_index_t>> facet_lists;
    std::vector<std::uint32_t> facet_list_offsets{0};
    std::vector<std::uint8_t> nb_polyhedron_vertices(nb_polyhedra, 4);
    std::uint64_t nb_corners = 4 * std::uint64_t{nb_polyhedra};
    std::uint64_t nb_slots = 4 * std::uint64_t{nb_polyhedra};
    if (!tetrahedra) {
      nb_corners = 0;
      nb_slots = 0;
      std::size_t position = 0;
      const auto next = [&]() -> std::uint8_t {
        if (position >= shapes.size()) reader.fail("polyhedron shapes end too early");
        return shapes[position++];
      };
      for (index_t p = 0; p < nb_polyhedra; ++p) {
        const auto nb_local = next();
        const auto nb_facets = next();
        if (nb_local < 4 || nb_facets < 4) reader.fail("polyhedron ", p, " is too small");
        nb_polyhedron_vertices[p] = nb_local;
        for (local_index_t f = 0; f < nb_facets; ++f) {
          const auto size = next();
          if (size < 3) reader.fail("facet of ", int{size}, " vertices");
          std::vector<local_index_t> facet(size);
          for (auto& local : facet) {
            local = next();
            if (local >= nb_local) reader.fail("facet vertex out of its polyhedron");
          }
          facet_lists.push_back(std::move(facet));
        }
        facet_list_offsets.push_back(static_cast<std::uint32_t>(facet_lists.size()));
        nb_corners += nb_local;
        nb_slots += nb_facets;
      }
      if (position != shapes.size()) reader.fail("unexpected polyhedron shape data");
    }
    if ((nb_corners + nb_slots) * 4 > reader.remaining()) {
      reader.fail("polyhedra exceed the file");
    }
    std::vector<index_t> corners(nb_corners);
    std::vector<index_t> adjacents(nb_slots);
    reader.read_array<index_t>(absl::MakeSpan(corners), "polyhedron vertices");
    reader.read_array<index_t>(absl::MakeSpan(adjacents), "polyhedron adjacencies");
    for (const auto vertex : corners) {
      if (vertex >= nb_vertices) reader.fail("polyhedron vertex ", vertex, " out of range");
    }
    for (const auto adjacent : adjacents) {
      if (adjacent != NO_ID && adjacent >= nb_polyhedra) {
        reader.fail("adjacent polyhedron ", adjacent, " out of range");
      }
    }
    std::vector<std::vector<local_index_t>> tetrahedron;
    for (const auto& facet : tetrahedron_facets)
      tetrahedron.emplace_back(facet.begin(), facet.end());
    builder->reserve_polyhedra(nb_polyhedra, static_cast<index_t>(nb_corners),
                               static_cast<index_t>(nb_slots));
    std::size_t corner = 0;
    for (index_t p = 0; p < nb_polyhedra; ++p) {
      const absl::Span<const index_t> vertices{corners.data() + corner, nb_polyhedron_vertices[p]};
      if (tetrahedra) {
        builder->create_polyhedron(vertices, tetrahedron);
      } else {
        builder->create_polyhedron(
            vertices, absl::MakeConstSpan(facet_lists.data() + facet_list_offsets[p],
                                          facet_list_offsets[p + 1] - facet_list_offsets[p]));
      }
      corner += nb_polyhedron_vertices[p];
    }
    std::size_t slot = 0;
    for (index_t p = 0; p < nb_polyhedra; ++p) {
      const auto nb_facets = mesh->nb_polyhedron_facets(p);
      for (local_index_t f = 0; f < nb_facets; ++f) {
        if (adjacents[slot] != NO_ID) builder->set_polyhedron_adjacent({p, f}, adjacents[slot]);
        ++slot;
      }
    }
    if (reader.read_bool("edge table flag")) {
      std::vector<std::array<index_t, 2>> edges(reader.read_count(8, "edge count"));
      read_index_pairs(reader, edges, nb_vertices);
      // A table that was never edited is the one enabling builds: no need to rebuild it.
      mesh->enable_edges();
      if (!same_edge_table(mesh->edges(), edges) && !restore_edge_table(*mesh, edges)) {
        reader.fail("the edge table does not match the polyhedra");
      }
      read_attributes(reader, mesh->edges().edge_attribute_manager());
    }
    if (reader.read_bool("facet table flag")) {
      const auto nb_facets = reader.read_count(1 + 3 * 4, "facet count");
      std::vector<index_t> offsets{0};
      std::vector<index_t> vertices;
      offsets.reserve(std::size_t{nb_facets} + 1);
      for (index_t f = 0; f < nb_facets; ++f) {
        const auto size = reader.read<std::uint8_t>("facet size");
        if (size < 3) reader.fail("facet entry of ", int{size}, " vertices");
        for (std::uint8_t v = 0; v < size; ++v) {
          vertices.push_back(reader.read_index_below(nb_vertices, "facet vertex"));
        }
        offsets.push_back(static_cast<index_t>(vertices.size()));
      }
      mesh->enable_facets();
      if (!same_facet_table(mesh->facets(), offsets, vertices) &&
          !restore_facet_table(*mesh, offsets, vertices)) {
        reader.fail("the facet table does not match the polyhedra");
      }
      read_attributes(reader, mesh->facets().facet_attribute_manager());
    }
    read_attributes(reader, mesh->polyhedron_attribute_manager());
    return mesh;
  });
}

template void write_mesh(BinaryWriter&, const SolidMesh<3>&, std::string_view);
template std::unique_ptr<SolidMesh<3>> read_solid_mesh(BinaryReader&, const MeshImpl&);
template void write_mesh(BinaryWriter&, const PointSet<2>&, std::string_view);
template void write_mesh(BinaryWriter&, const PointSet<3>&, std::string_view);
template void write_mesh(BinaryWriter&, const EdgedCurve<2>&, std::string_view);
template void write_mesh(BinaryWriter&, const EdgedCurve<3>&, std::string_view);
template void write_mesh(BinaryWriter&, const SurfaceMesh<2>&, std::string_view);
template void write_mesh(BinaryWriter&, const SurfaceMesh<3>&, std::string_view);
template std::unique_ptr<PointSet<2>> read_point_set(BinaryReader&, const MeshImpl&);
template std::unique_ptr<PointSet<3>> read_point_set(BinaryReader&, const MeshImpl&);
template std::unique_ptr<EdgedCurve<2>> read_edged_curve(BinaryReader&, const MeshImpl&);
template std::unique_ptr<EdgedCurve<3>> read_edged_curve(BinaryReader&, const MeshImpl&);
template std::unique_ptr<SurfaceMesh<2>> read_surface_mesh(BinaryReader&, const MeshImpl&);
template std::unique_ptr<SurfaceMesh<3>> read_surface_mesh(BinaryReader&, const MeshImpl&);

}  // namespace veyra::internal
