// SPDX-License-Identifier: MIT
#include "mesh_io.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <ostrel/basic/str_cat.h>

#include <ostrel/basic/identifier.h>
#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/io/mesh_table_restore.h>
#include <ostrel/mesh/point_set_builder.h>
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
      const auto nb_edges = reader.read_count(8, "edge count");
      std::vector<std::array<index_t, 2>> edges(nb_edges);
      for (auto& edge : edges) {
        edge[0] = reader.read_index("edge vertex");
        edge[1] = reader.read_index("edge vertex");
        if (edge[0] > edge[1] || edge[1] >= nb_vertices) reader.fail("invalid edge entry");
      }
      if (!restore_edge_table(*mesh, edges)) {
        reader.fail("the edge table does not match the polygons");
      }
      read_attributes(reader, mesh->edges().edge_attribute_manager());
    }
    read_attributes(reader, mesh->polygon_attribute_manager());
    return mesh;
  });
}

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
