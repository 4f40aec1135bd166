// SPDX-License-Identifier: MIT
// The mesh classes PointSet, EdgedCurve, SurfaceMesh and SolidMesh: built in one pass from numpy
// arrays (no Python call per element), and read back as numpy arrays.
#include <array>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include <absl/types/span.h>

#include <ostrel/basic/str_cat.h>
#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/point_set_builder.h>
#include <ostrel/mesh/polygonal_surface.h>
#include <ostrel/mesh/polyhedral_solid.h>
#include <ostrel/mesh/solid_edges.h>
#include <ostrel/mesh/solid_facets.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/surface_edges.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/mesh/tetrahedral_solid_builder.h>
#include <ostrel/mesh/triangulated_surface.h>

#include "mesh_attributes.h"
#include "meshes.h"

namespace veyra::python {
namespace {

using Facets = std::vector<std::vector<local_index_t>>;
using PointArray = py::array_t<double, py::array::c_style | py::array::forcecast>;

// The fixed volume cells in Gmsh's vertex order (the one the mesh readers use), their facets
// facing outwards for a positively oriented cell.
const Facets pyramid_facets{{0, 3, 2, 1}, {0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {3, 0, 4}};
const Facets prism_facets{{0, 2, 1}, {3, 4, 5}, {0, 1, 4, 3}, {1, 2, 5, 4}, {2, 0, 3, 5}};
const Facets hexahedron_facets{{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                               {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};

// ---- Arrays in ----

/// Points as an (n, 2) or (n, 3) float64 array of finite values.
PointArray point_array(const py::handle& values) {
  auto points = PointArray::ensure(values);
  if (!points) throw py::type_error("points: expected an (n, 2) or (n, 3) array of floats");
  if (points.ndim() != 2 || (points.shape(1) != 2 && points.shape(1) != 3)) {
    throw py::value_error("points: expected an (n, 2) or (n, 3) array");
  }
  const auto* data = points.data();
  for (py::ssize_t i = 0; i < points.size(); ++i) {
    if (!std::isfinite(data[i])) {
      throw py::value_error(str_cat("points: coordinate ", i % points.shape(1), " of point ",
                                    i / points.shape(1), " is not finite"));
    }
  }
  return points;
}

index_t count(py::ssize_t size, const char* what) {
  if (size >= static_cast<py::ssize_t>(NO_ID)) {
    throw py::value_error(str_cat(what, ": too many items for 32-bit indices"));
  }
  return static_cast<index_t>(size);
}

/// Offsets of `nb_items` groups into `nb_values` values: rising from 0 to nb_values.
void check_offsets(const IndexArray& offsets, const char* what, index_t nb_values) {
  const auto* data = offsets.data();
  if (offsets.size() == 0 || data[0] != 0 || data[offsets.size() - 1] != nb_values) {
    throw py::value_error(str_cat(what, ": expected offsets rising from 0 to ", nb_values));
  }
  for (py::ssize_t i = 1; i < offsets.size(); ++i) {
    if (data[i] < data[i - 1]) {
      throw py::value_error(str_cat(what, ": offsets fall at position ", i));
    }
  }
}

template <index_t D>
void create_points(GeometricMeshBuilder<D>& builder, const double* coordinates,
                   index_t nb_points) {
  builder.reserve_vertices(nb_points);
  for (index_t v = 0; v < nb_points; ++v) {
    Point<D> point;
    for (index_t axis = 0; axis < D; ++axis) point.set_value(axis, coordinates[v * D + axis]);
    builder.create_point(point);
  }
}

void set_name(VertexSetBuilder& builder, const std::optional<std::string>& name) {
  if (name) builder.set_name(*name);
}

template <index_t D>
std::unique_ptr<PointSet<D>> build_point_set(const double* coordinates, index_t nb_points,
                                             const std::optional<std::string>& name) {
  auto mesh = PointSet<D>::create();
  auto builder = PointSetBuilder<D>::create(*mesh);
  set_name(*builder, name);
  create_points<D>(*builder, coordinates, nb_points);
  return mesh;
}

template <index_t D>
std::unique_ptr<EdgedCurve<D>> build_curve(const double* coordinates, index_t nb_points,
                                           const index_t* edges, index_t nb_edges,
                                           const std::optional<std::string>& name) {
  auto mesh = EdgedCurve<D>::create();
  auto builder = EdgedCurveBuilder<D>::create(*mesh);
  set_name(*builder, name);
  create_points<D>(*builder, coordinates, nb_points);
  for (index_t e = 0; e < nb_edges; ++e) builder->create_edge(edges[2 * e], edges[2 * e + 1]);
  return mesh;
}

/// Polygon p is vertices[offsets[p] .. offsets[p + 1]); a triangulated surface when every
/// polygon is a triangle.
template <index_t D>
std::unique_ptr<SurfaceMesh<D>> build_surface(const double* coordinates, index_t nb_points,
                                              const index_t* vertices, const index_t* offsets,
                                              index_t nb_polygons,
                                              const std::optional<std::string>& name) {
  bool triangles = true;
  for (index_t p = 0; p < nb_polygons && triangles; ++p) {
    triangles = offsets[p + 1] - offsets[p] == 3;
  }
  std::unique_ptr<SurfaceMesh<D>> mesh;
  if (triangles) {
    mesh = TriangulatedSurface<D>::create();
  } else {
    mesh = PolygonalSurface<D>::create();
  }
  auto builder = SurfaceMeshBuilder<D>::create(*mesh);
  set_name(*builder, name);
  create_points<D>(*builder, coordinates, nb_points);
  builder->reserve_polygons(nb_polygons, offsets[nb_polygons]);
  for (index_t p = 0; p < nb_polygons; ++p) {
    builder->create_polygon(absl::MakeConstSpan(vertices + offsets[p], vertices + offsets[p + 1]));
  }
  builder->compute_polygon_adjacencies();
  return mesh;
}

/// Polyhedra given as fixed cells of `cell_size` vertices each (4, 5, 6 or 8).
std::unique_ptr<SolidMesh<3>> build_solid_from_cells(const double* coordinates,
                                                     index_t nb_points, const index_t* cells,
                                                     index_t nb_cells, index_t cell_size,
                                                     const std::optional<std::string>& name) {
  std::unique_ptr<SolidMesh<3>> mesh;
  if (cell_size == 4) {
    mesh = TetrahedralSolid<3>::create();
  } else {
    mesh = PolyhedralSolid<3>::create();
  }
  auto builder = SolidMeshBuilder<3>::create(*mesh);
  set_name(*builder, name);
  create_points<3>(*builder, coordinates, nb_points);
  const Facets* facets = nullptr;
  index_t nb_facets = 4;
  switch (cell_size) {
    case 5:
      facets = &pyramid_facets;
      break;
    case 6:
      facets = &prism_facets;
      break;
    case 8:
      facets = &hexahedron_facets;
      break;
    default:
      break;
  }
  if (facets != nullptr) nb_facets = static_cast<index_t>(facets->size());
  builder->reserve_polyhedra(nb_cells, nb_cells * cell_size, nb_cells * nb_facets);
  const auto cell_facets = facets != nullptr ? absl::MakeConstSpan(*facets)
                                             : absl::Span<const std::vector<local_index_t>>{};
  for (index_t c = 0; c < nb_cells; ++c) {
    builder->create_polyhedron(absl::MakeConstSpan(cells + c * cell_size, cell_size),
                               cell_facets);
  }
  builder->compute_polyhedron_adjacencies();
  return mesh;
}

struct PolyhedraArrays {
  const index_t* vertices;
  const index_t* offsets;
  const index_t* facet_vertices;
  const index_t* facet_offsets;
  const index_t* polyhedron_facet_offsets;
  index_t nb_polyhedra;
};

std::unique_ptr<SolidMesh<3>> build_solid_from_polyhedra(const double* coordinates,
                                                         index_t nb_points,
                                                         const PolyhedraArrays& arrays,
                                                         const std::optional<std::string>& name) {
  auto mesh = PolyhedralSolid<3>::create();
  auto builder = SolidMeshBuilder<3>::create(*mesh);
  set_name(*builder, name);
  create_points<3>(*builder, coordinates, nb_points);
  builder->reserve_polyhedra(arrays.nb_polyhedra, arrays.offsets[arrays.nb_polyhedra],
                             arrays.polyhedron_facet_offsets[arrays.nb_polyhedra]);
  // One scratch list of facets, refilled for each polyhedron: its vectors keep their room.
  Facets facets;
  for (index_t p = 0; p < arrays.nb_polyhedra; ++p) {
    const auto first_facet = arrays.polyhedron_facet_offsets[p];
    const auto nb_facets = arrays.polyhedron_facet_offsets[p + 1] - first_facet;
    if (facets.size() < nb_facets) facets.resize(nb_facets);
    for (index_t f = 0; f < nb_facets; ++f) {
      const auto begin = arrays.facet_offsets[first_facet + f];
      const auto end = arrays.facet_offsets[first_facet + f + 1];
      facets[f].assign(arrays.facet_vertices + begin, arrays.facet_vertices + end);
    }
    builder->create_polyhedron(
        absl::MakeConstSpan(arrays.vertices + arrays.offsets[p],
                            arrays.vertices + arrays.offsets[p + 1]),
        absl::MakeConstSpan(facets.data(), nb_facets));
  }
  builder->compute_polyhedron_adjacencies();
  return mesh;
}

/// Offsets 0, k, 2k... of `nb` groups of `k`.
std::vector<index_t> uniform_offsets(index_t nb, index_t k) {
  std::vector<index_t> offsets(nb + 1);
  for (index_t i = 0; i <= nb; ++i) offsets[i] = i * k;
  return offsets;
}

// ---- Arrays out ----

template <index_t D>
py::array_t<double> points_of(const GeometricMesh<D>& mesh) {
  std::vector<double> coordinates(static_cast<std::size_t>(mesh.nb_vertices()) * D);
  for (index_t v = 0; v < mesh.nb_vertices(); ++v) {
    const auto& point = mesh.point(v);
    for (index_t axis = 0; axis < D; ++axis) coordinates[v * D + axis] = point.value(axis);
  }
  return to_numpy(std::move(coordinates), D);
}

/// Element sizes of a surface or solid: the CSR offsets, and the common size (0 when they vary).
template <typename SizeOf>
std::pair<std::vector<index_t>, index_t> element_offsets(index_t nb_elements, SizeOf size_of) {
  std::vector<index_t> offsets(nb_elements + 1, 0);
  index_t common = nb_elements == 0 ? 0 : size_of(0);
  for (index_t e = 0; e < nb_elements; ++e) {
    const index_t size = size_of(e);
    if (size != common) common = 0;
    offsets[e + 1] = offsets[e] + size;
  }
  return {std::move(offsets), common};
}

template <index_t D>
std::pair<std::vector<index_t>, std::vector<index_t>> polygon_csr(const SurfaceMesh<D>& mesh) {
  auto [offsets, common] = element_offsets(
      mesh.nb_polygons(), [&](index_t p) { return index_t{mesh.nb_polygon_vertices(p)}; });
  std::vector<index_t> vertices(offsets.back());
  for (index_t p = 0; p < mesh.nb_polygons(); ++p) {
    const auto nb = mesh.nb_polygon_vertices(p);
    for (local_index_t v = 0; v < nb; ++v) {
      vertices[offsets[p] + v] = mesh.polygon_vertex(PolygonVertex{p, v});
    }
  }
  return {std::move(vertices), std::move(offsets)};
}

std::pair<std::vector<index_t>, std::vector<index_t>> polyhedron_csr(const SolidMesh<3>& mesh) {
  auto [offsets, common] = element_offsets(
      mesh.nb_polyhedra(), [&](index_t p) { return index_t{mesh.nb_polyhedron_vertices(p)}; });
  std::vector<index_t> vertices(offsets.back());
  for (index_t p = 0; p < mesh.nb_polyhedra(); ++p) {
    const auto nb = mesh.nb_polyhedron_vertices(p);
    for (local_index_t v = 0; v < nb; ++v) {
      vertices[offsets[p] + v] = mesh.polyhedron_vertex(PolyhedronVertex{p, v});
    }
  }
  return {std::move(vertices), std::move(offsets)};
}

/// The elements as an (m, k) array when they all have k vertices.
py::array_t<index_t> uniform_elements(std::vector<index_t>&& vertices,
                                      const std::vector<index_t>& offsets, const char* what,
                                      const char* flat_names) {
  const auto nb = static_cast<index_t>(offsets.size() - 1);
  if (nb == 0) return to_numpy(std::move(vertices), 1);
  const auto k = offsets[1];
  for (index_t e = 0; e < nb; ++e) {
    if (offsets[e + 1] - offsets[e] != k) {
      throw py::value_error(str_cat("the ", what, " have different vertex counts: read ",
                                    flat_names, " instead"));
    }
  }
  return to_numpy(std::move(vertices), k);
}

// ---- Class bindings ----

template <typename PyMesh>
std::string kind_name();
template <>
std::string kind_name<PyPointSet>() { return "PointSet"; }
template <>
std::string kind_name<PyEdgedCurve>() { return "EdgedCurve"; }
template <>
std::string kind_name<PySurfaceMesh>() { return "SurfaceMesh"; }
template <>
std::string kind_name<PySolidMesh>() { return "SolidMesh"; }

template <index_t D>
std::unique_ptr<VertexSetBuilder> builder_of(PointSet<D>& mesh) {
  return PointSetBuilder<D>::create(mesh);
}
template <index_t D>
std::unique_ptr<VertexSetBuilder> builder_of(EdgedCurve<D>& mesh) {
  return EdgedCurveBuilder<D>::create(mesh);
}
template <index_t D>
std::unique_ptr<VertexSetBuilder> builder_of(SurfaceMesh<D>& mesh) {
  return SurfaceMeshBuilder<D>::create(mesh);
}
std::unique_ptr<VertexSetBuilder> builder_of(SolidMesh<3>& mesh) {
  return SolidMeshBuilder<3>::create(mesh);
}

AttributeTable table_of(const py::object& owner, std::function<AttributeManager&()> manager,
                        std::string elements) {
  return AttributeTable{std::move(manager), owner, std::move(elements)};
}

/// What every mesh class has: ids, names, points, vertex attributes, copies.
template <typename PyMesh>
void bind_common(py::class_<PyMesh>& mesh_class) {
  mesh_class
      .def_property(
          "name",
          [](const PyMesh& self) -> std::optional<std::string> {
            return self.visit([](const auto& handle) -> std::optional<std::string> {
              const auto name = handle.get().name();
              if (!name) return std::nullopt;
              return std::string{*name};
            });
          },
          [](const PyMesh& self, const std::string& name) {
            self.visit([&](const auto& handle) {
              builder_of(handle.modifiable("Naming a mesh"))->set_name(name);
            });
          },
          "The mesh's name, or None. Only a mesh that is no component's mesh can be renamed.")
      .def_property_readonly(
          "id",
          [](const PyMesh& self) {
            return self.visit([](const auto& handle) { return handle.get().id().string(); });
          },
          "The mesh's id, as text. A component's mesh has its own id, not the component's.")
      .def_property_readonly(
          "dimension",
          [](const PyMesh& self) {
            return self.visit([](const auto& handle) {
              return std::decay_t<decltype(handle.get())>::dimension;
            });
          },
          "2 or 3: the number of coordinates of the points.")
      .def_property_readonly(
          "type_name",
          [](const PyMesh& self) {
            return self.visit([](const auto& handle) { return handle.get().type_name().get(); });
          },
          "The concrete mesh type, e.g. \"TriangulatedSurface3D\" or \"PolyhedralSolid3D\".")
      .def_property_readonly(
          "nb_vertices",
          [](const PyMesh& self) {
            return self.visit([](const auto& handle) { return handle.get().nb_vertices(); });
          },
          "Number of vertices.")
      .def_property_readonly(
          "points",
          [](const PyMesh& self) {
            return self.visit([](const auto& handle) { return points_of(handle.get()); });
          },
          "The vertex positions as a new (nb_vertices, dimension) float64 array (a copy:\n"
          "changing it does not change the mesh).")
      .def_property_readonly(
          "is_view",
          [](const PyMesh& self) {
            return self.visit([](const auto& handle) { return handle.is_view(); });
          },
          "True for the mesh of a model's component: a live, read-only view of the model's\n"
          "mesh (attributes excepted), valid as long as the model has the component. False for\n"
          "a mesh of its own.")
      .def(
          "copy",
          [](const PyMesh& self) {
            return self.visit([](const auto& handle) {
              const auto& mesh = handle.get();
              return wrap_mesh(mesh.clone());
            });
          },
          "A mesh of its own with the same vertices, elements, attributes and name, and a new\n"
          "id. Operations that change their input mesh take such a copy of a component's mesh.")
      .def_property_readonly(
          "vertex_attributes",
          [](const py::object& self) {
            const auto& mesh = self.cast<const PyMesh&>();
            return table_of(self,
                            [&mesh]() -> AttributeManager& {
                              return mesh.visit([](const auto& handle) -> AttributeManager& {
                                return handle.get().vertex_attribute_manager();
                              });
                            },
                            "vertices");
          },
          "The vertex attributes: a mapping from names to numpy arrays (see AttributeTable).")
      .def("__repr__", [](const PyMesh& self) {
        return self.visit([](const auto& handle) {
          const auto& mesh = handle.get();
          return str_cat("<veyra.", kind_name<PyMesh>(), " ", mesh.type_name().get(), " ",
                         mesh.nb_vertices(), " vertices", handle.is_view() ? " (view)" : "",
                         ">");
        });
      });
}

/// The edge table of a surface or solid: enabled on a mesh of its own, required on a view.
template <typename Mesh>
const Mesh& with_edges(const MeshHandle<Mesh>& handle) {
  const auto& mesh = handle.get();
  if (!mesh.are_edges_enabled()) handle.modifiable("Listing the edges").enable_edges();
  return mesh;
}

template <typename Edges>
py::array_t<index_t> edge_table(const Edges& edges) {
  std::vector<index_t> pairs(static_cast<std::size_t>(edges.nb_edges()) * 2);
  for (index_t e = 0; e < edges.nb_edges(); ++e) {
    const auto ends = edges.edge_vertices(e);
    pairs[2 * e] = ends[0];
    pairs[2 * e + 1] = ends[1];
  }
  return to_numpy(std::move(pairs), 2);
}

template <typename Edges>
py::array_t<index_t> edge_ids(const Edges& edges, const py::handle& pairs_values,
                              index_t nb_vertices) {
  const auto pairs = index_array(pairs_values, "pairs", 2, nb_vertices);
  if (pairs.size() > 0 && pairs.shape(1) != 2) {
    throw py::value_error("pairs: expected an (n, 2) array of vertex pairs");
  }
  const auto nb = pairs.size() == 0 ? 0 : static_cast<index_t>(pairs.shape(0));
  std::vector<index_t> ids(nb);
  for (index_t i = 0; i < nb; ++i) {
    const std::array<index_t, 2> ends{pairs.at(i, 0), pairs.at(i, 1)};
    const auto edge = edges.edge_from_vertices(ends);
    if (!edge) {
      throw py::value_error(str_cat("pairs: (", ends[0], ", ", ends[1], ") at row ", i,
                                    " is no edge of the mesh"));
    }
    ids[i] = *edge;
  }
  return to_numpy(std::move(ids));
}

void bind_point_set(py::module_& module) {
  py::class_<PyPointSet> point_set(module, "PointSet", R"(Vertices with positions and nothing else.

PointSet(points, name=None) builds one from an (n, 2) or (n, 3) float array; the number of
columns gives the dimension. Arrays read from a mesh are copies.)");
  point_set.def(py::init([](const py::handle& points_values, std::optional<std::string> name) {
                  const auto points = point_array(points_values);
                  const auto nb_points = count(points.shape(0), "points");
                  const auto* coordinates = points.data();
                  if (points.shape(1) == 2) {
                    return PyPointSet{MeshHandle<PointSet<2>>{call_without_gil(
                        [&] { return build_point_set<2>(coordinates, nb_points, name); })}};
                  }
                  return PyPointSet{MeshHandle<PointSet<3>>{call_without_gil(
                      [&] { return build_point_set<3>(coordinates, nb_points, name); })}};
                }),
                py::arg("points"), py::arg("name") = py::none(),
                "A point set with one vertex per row of `points`.");
  bind_common(point_set);
}

void bind_edged_curve(py::module_& module) {
  py::class_<PyEdgedCurve> curve(module, "EdgedCurve", R"(Vertices with positions joined by edges.

EdgedCurve(points, edges, name=None) builds one from an (n, D) float array and an (m, 2)
integer array of vertex indices. Arrays read from a mesh are copies.)");
  curve.def(py::init([](const py::handle& points_values, const py::handle& edges_values,
                        std::optional<std::string> name) {
              const auto points = point_array(points_values);
              const auto nb_points = count(points.shape(0), "points");
              const auto edges = index_array(edges_values, "edges", 2, nb_points);
              if (edges.size() > 0 && edges.shape(1) != 2) {
                throw py::value_error("edges: expected an (m, 2) array");
              }
              const auto nb_edges = edges.size() == 0 ? 0 : count(edges.shape(0), "edges");
              const auto* coordinates = points.data();
              const auto* ends = edges.data();
              if (points.shape(1) == 2) {
                return PyEdgedCurve{MeshHandle<EdgedCurve<2>>{call_without_gil([&] {
                  return build_curve<2>(coordinates, nb_points, ends, nb_edges, name);
                })}};
              }
              return PyEdgedCurve{MeshHandle<EdgedCurve<3>>{call_without_gil([&] {
                return build_curve<3>(coordinates, nb_points, ends, nb_edges, name);
              })}};
            }),
            py::arg("points"), py::arg("edges"), py::arg("name") = py::none(),
            "A curve with one vertex per row of `points` and one edge per row of `edges`.");
  bind_common(curve);
  curve
      .def_property_readonly(
          "nb_edges",
          [](const PyEdgedCurve& self) {
            return self.visit([](const auto& handle) { return handle.get().nb_edges(); });
          },
          "Number of edges.")
      .def_property_readonly(
          "edges",
          [](const PyEdgedCurve& self) {
            return self.visit([](const auto& handle) {
              const auto& mesh = handle.get();
              std::vector<index_t> ends(static_cast<std::size_t>(mesh.nb_edges()) * 2);
              for (index_t e = 0; e < mesh.nb_edges(); ++e) {
                const auto vertices = mesh.edge_vertices(e);
                ends[2 * e] = vertices[0];
                ends[2 * e + 1] = vertices[1];
              }
              return to_numpy(std::move(ends), 2);
            });
          },
          "The edges as a new (nb_edges, 2) uint32 array of vertex indices, in edge order.")
      .def_property_readonly(
          "edge_attributes",
          [](const py::object& self) {
            const auto& mesh = self.cast<const PyEdgedCurve&>();
            return table_of(self,
                            [&mesh]() -> AttributeManager& {
                              return mesh.visit([](const auto& handle) -> AttributeManager& {
                                return handle.get().edge_attribute_manager();
                              });
                            },
                            "edges");
          },
          "The edge attributes (see AttributeTable).");
}

template <index_t D>
PySurfaceMesh surface_from_csr(const PointArray& points, const index_t* vertices,
                               const index_t* offsets, index_t nb_polygons,
                               const std::optional<std::string>& name) {
  const auto nb_points = static_cast<index_t>(points.shape(0));
  const auto* coordinates = points.data();
  return PySurfaceMesh{MeshHandle<SurfaceMesh<D>>{call_without_gil([&] {
    return build_surface<D>(coordinates, nb_points, vertices, offsets, nb_polygons, name);
  })}};
}

PySurfaceMesh make_surface(const PointArray& points, const index_t* vertices,
                           const index_t* offsets, index_t nb_polygons,
                           const std::optional<std::string>& name) {
  if (points.shape(1) == 2) return surface_from_csr<2>(points, vertices, offsets, nb_polygons, name);
  return surface_from_csr<3>(points, vertices, offsets, nb_polygons, name);
}

void bind_surface_mesh(py::module_& module) {
  py::class_<PySurfaceMesh> surface(module, "SurfaceMesh", R"(Polygons over vertices with positions.

SurfaceMesh(points, polygons, name=None) builds one from an (n, D) float array and an (m, k)
integer array (k >= 3) of vertex indices: with k = 3 the mesh is a triangulated surface, otherwise
a polygonal one. SurfaceMesh.from_polygons takes polygons of different sizes. Polygon adjacencies
are computed. Arrays read from a mesh are copies.)");
  surface
      .def(py::init([](const py::handle& points_values, const py::handle& polygon_values,
                       std::optional<std::string> name) {
             const auto points = point_array(points_values);
             const auto nb_points = count(points.shape(0), "points");
             const auto polygons = index_array(polygon_values, "polygons", 2, nb_points);
             const auto nb_polygons = polygons.size() == 0 ? 0 : count(polygons.shape(0), "polygons");
             const auto size = polygons.size() == 0 ? 3 : static_cast<index_t>(polygons.shape(1));
             if (size < 3) throw py::value_error("polygons: expected at least 3 vertices each");
             const auto offsets = uniform_offsets(nb_polygons, size);
             return make_surface(points, polygons.data(), offsets.data(), nb_polygons, name);
           }),
           py::arg("points"), py::arg("polygons"), py::arg("name") = py::none(),
           "A surface with one vertex per row of `points` and one polygon per row of `polygons`.")
      .def_static(
          "from_polygons",
          [](const py::handle& points_values, const py::handle& vertex_values,
             const py::handle& offset_values, std::optional<std::string> name) {
            const auto points = point_array(points_values);
            const auto nb_points = count(points.shape(0), "points");
            const auto vertices = index_array(vertex_values, "polygon_vertices", 1, nb_points);
            const auto offsets = index_array(offset_values, "polygon_offsets", 1, NO_ID);
            const auto nb_corners = count(vertices.size(), "polygon_vertices");
            check_offsets(offsets, "polygon_offsets", nb_corners);
            const auto nb_polygons = static_cast<index_t>(offsets.size() - 1);
            for (index_t p = 0; p < nb_polygons; ++p) {
              if (offsets.at(p + 1) - offsets.at(p) < 3) {
                throw py::value_error(str_cat("polygon ", p, " has fewer than 3 vertices"));
              }
            }
            return make_surface(points, vertices.data(), offsets.data(), nb_polygons, name);
          },
          py::arg("points"), py::arg("polygon_vertices"), py::arg("polygon_offsets"),
          py::arg("name") = py::none(),
          "A surface whose polygon p is polygon_vertices[polygon_offsets[p]:polygon_offsets[p + 1]]\n"
          "(offsets rise from 0 to len(polygon_vertices)); a triangulated surface when every\n"
          "polygon is a triangle.");
  bind_common(surface);
  surface
      .def_property_readonly(
          "nb_polygons",
          [](const PySurfaceMesh& self) {
            return self.visit([](const auto& handle) { return handle.get().nb_polygons(); });
          },
          "Number of polygons.")
      .def_property_readonly(
          "is_triangulated",
          [](const PySurfaceMesh& self) {
            return self.visit([](const auto& handle) {
              using Mesh = std::decay_t<decltype(handle.get())>;
              return dynamic_cast<const TriangulatedSurface<Mesh::dimension>*>(&handle.get()) !=
                     nullptr;
            });
          },
          "True for a triangulated surface (every polygon is and stays a triangle).")
      .def_property_readonly(
          "polygons",
          [](const PySurfaceMesh& self) {
            return self.visit([](const auto& handle) {
              auto [vertices, offsets] = polygon_csr(handle.get());
              return uniform_elements(std::move(vertices), offsets, "polygons",
                                      "polygon_vertices and polygon_offsets");
            });
          },
          "The polygons as a new (nb_polygons, k) uint32 array of vertex indices, when they all\n"
          "have k vertices (ValueError otherwise).")
      .def_property_readonly(
          "polygon_vertices",
          [](const PySurfaceMesh& self) {
            return self.visit([](const auto& handle) {
              return to_numpy(polygon_csr(handle.get()).first);
            });
          },
          "The vertices of every polygon, one after the other, as a new uint32 array.")
      .def_property_readonly(
          "polygon_offsets",
          [](const PySurfaceMesh& self) {
            return self.visit([](const auto& handle) {
              return to_numpy(polygon_csr(handle.get()).second);
            });
          },
          "Where each polygon starts in polygon_vertices, plus the total: nb_polygons + 1 values.")
      .def_property_readonly(
          "polygon_adjacents",
          [](const PySurfaceMesh& self) {
            return self.visit([](const auto& handle) {
              const auto& mesh = handle.get();
              auto offsets = polygon_csr(mesh).second;
              std::vector<index_t> adjacents(offsets.back(), NO_ID);
              for (index_t p = 0; p < mesh.nb_polygons(); ++p) {
                for (local_index_t e = 0; e < mesh.nb_polygon_edges(p); ++e) {
                  const auto adjacent = mesh.polygon_adjacent(PolygonEdge{p, e});
                  if (adjacent) adjacents[offsets[p] + e] = *adjacent;
                }
              }
              return to_numpy(std::move(adjacents));
            });
          },
          "For each polygon edge, laid out like polygon_vertices (edge k of a polygon goes from\n"
          "its vertex k to its vertex k + 1), the adjacent polygon or NO_ID on a border.")
      .def_property_readonly(
          "polygon_attributes",
          [](const py::object& self) {
            const auto& mesh = self.cast<const PySurfaceMesh&>();
            return table_of(self,
                            [&mesh]() -> AttributeManager& {
                              return mesh.visit([](const auto& handle) -> AttributeManager& {
                                return handle.get().polygon_attribute_manager();
                              });
                            },
                            "polygons");
          },
          "The polygon attributes (see AttributeTable).")
      .def_property_readonly(
          "edges",
          [](const PySurfaceMesh& self) {
            return self.visit([](const auto& handle) {
              return edge_table(with_edges(handle).edges());
            });
          },
          "The edge table: one row (smaller vertex, larger vertex) per pair of vertices joined by\n"
          "a polygon edge, as a new uint32 array; row i is edge id i, the id the conversions take.\n"
          "Reading it builds the table on a mesh of its own.")
      .def(
          "edge_ids",
          [](const PySurfaceMesh& self, const py::handle& pairs) {
            return self.visit([&](const auto& handle) {
              const auto& mesh = with_edges(handle);
              return edge_ids(mesh.edges(), pairs, mesh.nb_vertices());
            });
          },
          py::arg("pairs"),
          "The edge ids (rows of `edges`) of an (n, 2) array of vertex pairs given in either\n"
          "order. ValueError for a pair that no polygon edge joins.");
}

PySolidMesh make_solid_from_cells(const PointArray& points, const IndexArray& cells,
                                  std::optional<std::string> name) {
  const auto nb_points = static_cast<index_t>(points.shape(0));
  const auto nb_cells = cells.size() == 0 ? 0 : count(cells.shape(0), "cells");
  const auto size = cells.size() == 0 ? 4 : static_cast<index_t>(cells.shape(1));
  if (size != 4 && size != 5 && size != 6 && size != 8) {
    throw py::value_error(
        "cells: expected 4 (tetrahedra), 5 (pyramids), 6 (prisms) or 8 (hexahedra) columns; "
        "use SolidMesh.from_polyhedra for other polyhedra");
  }
  const auto* coordinates = points.data();
  const auto* cell_vertices = cells.data();
  return PySolidMesh{MeshHandle<SolidMesh<3>>{call_without_gil([&] {
    return build_solid_from_cells(coordinates, nb_points, cell_vertices, nb_cells, size, name);
  })}};
}

PointArray solid_points(const py::handle& values) {
  auto points = point_array(values);
  if (points.shape(1) != 3) throw py::value_error("points: a solid needs (n, 3) points");
  return points;
}

void bind_solid_mesh(py::module_& module) {
  py::class_<PySolidMesh> solid(module, "SolidMesh", R"(Polyhedra over vertices with positions (3D only).

SolidMesh(points, cells, name=None) builds one from an (n, 3) float array and an (m, k) integer
array of vertex indices: k = 4 gives a tetrahedral solid, k = 5 pyramids, 6 prisms and 8
hexahedra (a polyhedral solid), in Gmsh's vertex order. SolidMesh.from_polyhedra takes any
polyhedra with their facets. Polyhedron adjacencies are computed. Arrays read from a mesh are
copies.)");
  solid
      .def(py::init([](const py::handle& points_values, const py::handle& cell_values,
                       std::optional<std::string> name) {
             const auto points = solid_points(points_values);
             const auto nb_points = count(points.shape(0), "points");
             const auto cells = index_array(cell_values, "cells", 2, nb_points);
             return make_solid_from_cells(points, cells, std::move(name));
           }),
           py::arg("points"), py::arg("cells"), py::arg("name") = py::none(),
           "A solid with one vertex per row of `points` and one polyhedron per row of `cells`.")
      .def_static(
          "from_polyhedra",
          [](const py::handle& points_values, const py::handle& vertex_values,
             const py::handle& offset_values, const py::handle& facet_vertex_values,
             const py::handle& facet_offset_values,
             const py::handle& polyhedron_facet_offset_values, std::optional<std::string> name) {
            const auto points = solid_points(points_values);
            const auto nb_points = count(points.shape(0), "points");
            const auto vertices = index_array(vertex_values, "polyhedron_vertices", 1, nb_points);
            const auto offsets = index_array(offset_values, "polyhedron_offsets", 1, NO_ID);
            check_offsets(offsets, "polyhedron_offsets",
                          count(vertices.size(), "polyhedron_vertices"));
            const auto nb_polyhedra = static_cast<index_t>(offsets.size() - 1);
            const auto facet_vertices =
                index_array(facet_vertex_values, "facet_vertices", 1, NO_LID);
            const auto facet_offsets = index_array(facet_offset_values, "facet_offsets", 1, NO_ID);
            check_offsets(facet_offsets, "facet_offsets",
                          count(facet_vertices.size(), "facet_vertices"));
            const auto polyhedron_facet_offsets =
                index_array(polyhedron_facet_offset_values, "polyhedron_facet_offsets", 1, NO_ID);
            check_offsets(polyhedron_facet_offsets, "polyhedron_facet_offsets",
                          static_cast<index_t>(facet_offsets.size() - 1));
            if (polyhedron_facet_offsets.size() != offsets.size()) {
              throw py::value_error(
                  "polyhedron_facet_offsets: expected one value per polyhedron, plus one");
            }
            const PolyhedraArrays arrays{vertices.data(),      offsets.data(),
                                         facet_vertices.data(), facet_offsets.data(),
                                         polyhedron_facet_offsets.data(), nb_polyhedra};
            const auto* coordinates = points.data();
            return PySolidMesh{MeshHandle<SolidMesh<3>>{call_without_gil([&] {
              return build_solid_from_polyhedra(coordinates, nb_points, arrays, name);
            })}};
          },
          py::arg("points"), py::arg("polyhedron_vertices"), py::arg("polyhedron_offsets"),
          py::arg("facet_vertices"), py::arg("facet_offsets"),
          py::arg("polyhedron_facet_offsets"), py::arg("name") = py::none(),
          R"(A polyhedral solid from flat arrays (the layout polyhedron_facets returns):
polyhedron p has the vertices polyhedron_vertices[polyhedron_offsets[p]:polyhedron_offsets[p + 1]]
and the facets polyhedron_facet_offsets[p] to polyhedron_facet_offsets[p + 1] - 1; facet f is
facet_vertices[facet_offsets[f]:facet_offsets[f + 1]], positions in its polyhedron's vertex list,
turning so that the facet faces outwards.)");
  bind_common(solid);
  solid
      .def_property_readonly(
          "nb_polyhedra",
          [](const PySolidMesh& self) {
            return self.visit([](const auto& handle) { return handle.get().nb_polyhedra(); });
          },
          "Number of polyhedra.")
      .def_property_readonly(
          "is_tetrahedral",
          [](const PySolidMesh& self) {
            return self.visit([](const auto& handle) {
              return dynamic_cast<const TetrahedralSolid<3>*>(&handle.get()) != nullptr;
            });
          },
          "True for a tetrahedral solid (every polyhedron is and stays a tetrahedron).")
      .def_property_readonly(
          "polyhedra",
          [](const PySolidMesh& self) {
            return self.visit([](const auto& handle) {
              auto [vertices, offsets] = polyhedron_csr(handle.get());
              return uniform_elements(std::move(vertices), offsets, "polyhedra",
                                      "polyhedron_vertices and polyhedron_offsets");
            });
          },
          "The polyhedra as a new (nb_polyhedra, k) uint32 array of vertex indices, when they\n"
          "all have k vertices (ValueError otherwise).")
      .def_property_readonly(
          "polyhedron_vertices",
          [](const PySolidMesh& self) {
            return self.visit([](const auto& handle) {
              return to_numpy(polyhedron_csr(handle.get()).first);
            });
          },
          "The vertices of every polyhedron, one after the other, as a new uint32 array.")
      .def_property_readonly(
          "polyhedron_offsets",
          [](const PySolidMesh& self) {
            return self.visit([](const auto& handle) {
              return to_numpy(polyhedron_csr(handle.get()).second);
            });
          },
          "Where each polyhedron starts in polyhedron_vertices, plus the total.")
      .def(
          "polyhedron_facets",
          [](const PySolidMesh& self) {
            return self.visit([](const auto& handle) {
              const auto& mesh = handle.get();
              std::vector<index_t> facet_vertices;
              std::vector<index_t> facet_offsets{0};
              std::vector<index_t> polyhedron_facet_offsets{0};
              polyhedron_facet_offsets.reserve(mesh.nb_polyhedra() + 1);
              for (index_t p = 0; p < mesh.nb_polyhedra(); ++p) {
                const auto nb_facets = mesh.nb_polyhedron_facets(p);
                for (local_index_t f = 0; f < nb_facets; ++f) {
                  const PolyhedronFacet facet{p, f};
                  const auto nb = mesh.nb_polyhedron_facet_vertices(facet);
                  for (local_index_t v = 0; v < nb; ++v) {
                    facet_vertices.push_back(
                        mesh.polyhedron_facet_vertex_id(PolyhedronFacetVertex{facet, v}).vertex_id);
                  }
                  facet_offsets.push_back(static_cast<index_t>(facet_vertices.size()));
                }
                polyhedron_facet_offsets.push_back(polyhedron_facet_offsets.back() + nb_facets);
              }
              py::dict result;
              result["facet_vertices"] = to_numpy(std::move(facet_vertices));
              result["facet_offsets"] = to_numpy(std::move(facet_offsets));
              result["polyhedron_facet_offsets"] = to_numpy(std::move(polyhedron_facet_offsets));
              return result;
            });
          },
          "The facets of every polyhedron as a dict of new uint32 arrays facet_vertices,\n"
          "facet_offsets and polyhedron_facet_offsets, laid out as SolidMesh.from_polyhedra\n"
          "takes them (facet vertices are positions in the polyhedron's vertex list).")
      .def_property_readonly(
          "polyhedron_adjacents",
          [](const PySolidMesh& self) {
            return self.visit([](const auto& handle) {
              const auto& mesh = handle.get();
              std::vector<index_t> adjacents;
              for (index_t p = 0; p < mesh.nb_polyhedra(); ++p) {
                for (local_index_t f = 0; f < mesh.nb_polyhedron_facets(p); ++f) {
                  const auto adjacent = mesh.polyhedron_adjacent(PolyhedronFacet{p, f});
                  adjacents.push_back(adjacent ? *adjacent : NO_ID);
                }
              }
              return to_numpy(std::move(adjacents));
            });
          },
          "For each polyhedron facet, polyhedra in order then facets in local order, the\n"
          "adjacent polyhedron or NO_ID on a border.")
      .def_property_readonly(
          "polyhedron_attributes",
          [](const py::object& self) {
            const auto& mesh = self.cast<const PySolidMesh&>();
            return table_of(self,
                            [&mesh]() -> AttributeManager& {
                              return mesh.visit([](const auto& handle) -> AttributeManager& {
                                return handle.get().polyhedron_attribute_manager();
                              });
                            },
                            "polyhedra");
          },
          "The polyhedron attributes (see AttributeTable).")
      .def_property_readonly(
          "edges",
          [](const PySolidMesh& self) {
            return self.visit([](const auto& handle) {
              return edge_table(with_edges(handle).edges());
            });
          },
          "The edge table: one row (smaller vertex, larger vertex) per pair of vertices joined by\n"
          "a facet edge, as a new uint32 array; row i is edge id i, the id the conversions take.\n"
          "Reading it builds the table on a mesh of its own.")
      .def(
          "edge_ids",
          [](const PySolidMesh& self, const py::handle& pairs) {
            return self.visit([&](const auto& handle) {
              const auto& mesh = with_edges(handle);
              return edge_ids(mesh.edges(), pairs, mesh.nb_vertices());
            });
          },
          py::arg("pairs"),
          "The edge ids (rows of `edges`) of an (n, 2) array of vertex pairs given in either\n"
          "order. ValueError for a pair that no facet edge joins.")
      .def(
          "facet_table",
          [](const PySolidMesh& self) {
            return self.visit([](const auto& handle) {
              const auto& mesh = handle.get();
              if (!mesh.are_facets_enabled()) {
                handle.modifiable("Listing the facets").enable_facets();
              }
              const auto& facets = mesh.facets();
              std::vector<index_t> vertices;
              std::vector<index_t> offsets{0};
              offsets.reserve(facets.nb_facets() + 1);
              for (index_t f = 0; f < facets.nb_facets(); ++f) {
                for (const auto vertex : facets.facet_vertices(f)) vertices.push_back(vertex);
                offsets.push_back(static_cast<index_t>(vertices.size()));
              }
              return py::make_tuple(to_numpy(std::move(vertices)), to_numpy(std::move(offsets)));
            });
          },
          "The facet table as (vertices, offsets), new uint32 arrays: facet id f, the id the\n"
          "conversions take, has the mesh vertices vertices[offsets[f]:offsets[f + 1]]. Builds the\n"
          "table on a mesh of its own.")
      .def(
          "facet_ids",
          [](const PySolidMesh& self, const py::handle& facet_values) {
            return self.visit([&](const auto& handle) {
              const auto& mesh = handle.get();
              if (!mesh.are_facets_enabled()) {
                handle.modifiable("Listing the facets").enable_facets();
              }
              const auto facets = index_array(facet_values, "facets", 2, mesh.nb_vertices());
              const auto nb = facets.size() == 0 ? 0 : static_cast<index_t>(facets.shape(0));
              const auto k = facets.size() == 0 ? 0 : static_cast<index_t>(facets.shape(1));
              std::vector<index_t> ids(nb);
              for (index_t i = 0; i < nb; ++i) {
                const auto facet = mesh.facets().facet_from_vertices(
                    absl::MakeConstSpan(facets.data() + i * k, k));
                if (!facet) {
                  throw py::value_error(str_cat("facets: row ", i, " is no facet of the mesh"));
                }
                ids[i] = *facet;
              }
              return to_numpy(std::move(ids));
            });
          },
          py::arg("facets"),
          "The facet ids of an (n, k) array of facets given by their mesh vertices in any order.\n"
          "ValueError for a row that is no facet.");
}

}  // namespace

std::string mesh_description(const VertexSet& mesh) {
  return str_cat(mesh.type_name().get(), " ", mesh.id().string());
}

py::object wrap_loaded_mesh(LoadedMesh&& loaded) {
  switch (loaded.kind()) {
    case MeshKind::point_set:
      if (loaded.dimension() == 2) return wrap_mesh(loaded.release<PointSet<2>>());
      return wrap_mesh(loaded.release<PointSet<3>>());
    case MeshKind::edged_curve:
      if (loaded.dimension() == 2) return wrap_mesh(loaded.release<EdgedCurve<2>>());
      return wrap_mesh(loaded.release<EdgedCurve<3>>());
    case MeshKind::surface:
      if (loaded.dimension() == 2) return wrap_mesh(loaded.release<SurfaceMesh<2>>());
      return wrap_mesh(loaded.release<SurfaceMesh<3>>());
    case MeshKind::solid:
      return wrap_mesh(loaded.release<SolidMesh<3>>());
  }
  throw py::value_error("unknown mesh kind");
}

void bind_meshes(py::module_& module) {
  bind_point_set(module);
  bind_edged_curve(module);
  bind_surface_mesh(module);
  bind_solid_mesh(module);
}

}  // namespace veyra::python
