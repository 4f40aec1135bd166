// SPDX-License-Identifier: MIT
// Meshes of every kind with attributes of several value types, a scratch folder, and
// comparisons of two meshes' points, elements and attributes, for the exchange format tests.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include <ostrel/basic/attribute_manager.h>
#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/io/loaded_mesh.h>
#include <ostrel/mesh/point_set_builder.h>
#include <ostrel/mesh/polygonal_surface.h>
#include <ostrel/mesh/polygonal_surface_builder.h>
#include <ostrel/mesh/polyhedral_solid.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/mesh/triangulated_surface.h>
#include <ostrel/mesh/triangulated_surface_builder.h>

#include "../solid_fixtures.h"

namespace veyra::test {

/// A fresh folder under the system's temporary folder, removed with its content at the end.
class ScratchFolder {
 public:
  explicit ScratchFolder(std::string_view name)
      : path_(std::filesystem::temp_directory_path() /
              str_cat("veyra_io_", name, "_", ::testing::UnitTest::GetInstance()->random_seed(),
                      "_", reinterpret_cast<std::uintptr_t>(this))) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  std::string file(std::string_view name) const { return (path_ / name).string(); }
  const std::filesystem::path& path() const { return path_; }
  std::size_t nb_entries() const {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator{path_},
                                                  std::filesystem::directory_iterator{}));
  }

 private:
  std::filesystem::path path_;
};

/// Coordinates that need every digit of a double to read back exactly.
inline Point<3> odd_point(index_t i) {
  return Point<3>{{0.1 * i + 1. / 3., -2.5e-7 * i, 1e5 + i / 7.}};
}

/// Attributes of several value types on one manager: values depend on the element.
inline void add_typed_attributes(AttributeManager& manager, index_t nb_elements,
                                 std::string_view prefix) {
  auto real = manager.find_or_create_attribute<VariableAttribute, double>(str_cat(prefix, "_d"), 0.);
  auto integer = manager.find_or_create_attribute<VariableAttribute, int>(str_cat(prefix, "_i"), 0);
  auto index = manager.find_or_create_attribute<VariableAttribute, index_t>(str_cat(prefix, "_u"), 0);
  auto vector = manager.find_or_create_attribute<VariableAttribute, std::array<double, 3>>(
      str_cat(prefix, "_v"), {});
  auto flag = manager.find_or_create_attribute<VariableAttribute, bool>(str_cat(prefix, "_b"), false);
  auto small = manager.find_or_create_attribute<VariableAttribute, float>(str_cat(prefix, "_f"), 0.f);
  for (index_t e = 0; e < nb_elements; ++e) {
    real->set_value(e, e / 3. - 1e-9);
    integer->set_value(e, -7 * static_cast<int>(e));
    index->set_value(e, 4000000000u - e);
    vector->set_value(e, {1. * e, 0.5, -1. / (e + 1)});
    flag->set_value(e, e % 2 == 1);
    small->set_value(e, 0.1f * static_cast<float>(e));
  }
}

inline std::unique_ptr<PointSet<3>> make_point_set() {
  auto mesh = PointSet<3>::create();
  auto builder = PointSetBuilder<3>::create(*mesh);
  for (index_t v = 0; v < 5; ++v) builder->create_point(odd_point(v));
  add_typed_attributes(mesh->vertex_attribute_manager(), 5, "vertex");
  return mesh;
}

inline std::unique_ptr<EdgedCurve<3>> make_curve() {
  auto mesh = EdgedCurve<3>::create();
  auto builder = EdgedCurveBuilder<3>::create(*mesh);
  for (index_t v = 0; v < 6; ++v) builder->create_point(odd_point(v));
  for (const auto& [v0, v1] : {std::pair{0u, 1u}, {1u, 2u}, {2u, 3u}, {4u, 5u}, {3u, 0u}}) {
    builder->create_edge(v0, v1);
  }
  add_typed_attributes(mesh->vertex_attribute_manager(), 6, "vertex");
  add_typed_attributes(mesh->edge_attribute_manager(), 5, "edge");
  return mesh;
}

/// A 3 x 2 grid of points cut into two quads and two triangles, plus a lone pentagon when
/// `with_pentagon`; polygonal, or triangulated (the quads split) when `triangles_only`.
inline std::unique_ptr<SurfaceMesh<3>> make_surface(bool triangles_only, bool with_pentagon) {
  std::unique_ptr<SurfaceMesh<3>> mesh;
  if (triangles_only) {
    mesh = TriangulatedSurface<3>::create();
  } else {
    mesh = PolygonalSurface<3>::create();
  }
  auto builder = SurfaceMeshBuilder<3>::create(*mesh);
  for (index_t v = 0; v < 8; ++v) builder->create_point(odd_point(v));
  for (index_t v = 0; v < 5; ++v) {
    builder->create_point(Point<3>{{std::cos(v * 1.2566), std::sin(v * 1.2566), 2.}});
  }
  if (triangles_only) {
    for (const auto& triangle : std::vector<std::array<index_t, 3>>{
             {0, 1, 5}, {0, 5, 4}, {1, 2, 6}, {1, 6, 5}, {2, 3, 7}, {2, 7, 6}}) {
      builder->create_polygon(triangle);
    }
  } else {
    builder->create_polygon(std::vector<index_t>{0, 1, 5, 4});
    builder->create_polygon(std::vector<index_t>{1, 2, 6, 5});
    builder->create_polygon(std::vector<index_t>{2, 3, 7});
    builder->create_polygon(std::vector<index_t>{2, 7, 6});
  }
  if (with_pentagon) builder->create_polygon(std::vector<index_t>{8, 9, 10, 11, 12});
  builder->compute_polygon_adjacencies();
  add_typed_attributes(mesh->vertex_attribute_manager(), mesh->nb_vertices(), "vertex");
  add_typed_attributes(mesh->polygon_attribute_manager(), mesh->nb_polygons(), "polygon");
  return mesh;
}

inline std::unique_ptr<SurfaceMesh<2>> make_surface_2d() {
  auto mesh = TriangulatedSurface<2>::create();
  auto builder = SurfaceMeshBuilder<2>::create(*mesh);
  for (index_t v = 0; v < 4; ++v) {
    builder->create_point(Point<2>{{0.1 * (v % 2) + 1. / 3., 0.7 * (v / 2)}});
  }
  builder->create_polygon(std::vector<index_t>{0, 1, 3});
  builder->create_polygon(std::vector<index_t>{0, 3, 2});
  builder->compute_polygon_adjacencies();
  add_typed_attributes(mesh->polygon_attribute_manager(), 2, "polygon");
  return mesh;
}

/// A Kuhn grid of 2^3 cubes (48 tetrahedra) with attributes.
inline std::unique_ptr<SolidMesh<3>> make_tetrahedral_solid() {
  auto points = lattice_points(2);
  for (auto& point : points) point = point * (1. / 3.);
  auto mesh = make_solid(tetrahedral_impl(), points, kuhn_tetrahedra(2));
  add_typed_attributes(mesh->vertex_attribute_manager(), mesh->nb_vertices(), "vertex");
  add_typed_attributes(mesh->polyhedron_attribute_manager(), mesh->nb_polyhedra(), "polyhedron");
  return mesh;
}

/// A hexahedron (Gmsh vertex order) with a prism and a pyramid on its faces, a tetrahedron,
/// and, when `with_general`, a polyhedron of another shape (a cube in binary vertex order).
inline std::unique_ptr<SolidMesh<3>> make_mixed_solid(bool with_general) {
  auto mesh = PolyhedralSolid<3>::create();
  auto builder = SolidMeshBuilder<3>::create(*mesh);
  const std::vector<std::array<double, 3>> points{
      {0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0},       // hexahedron bottom
      {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1},       // hexahedron top
      {2, 0, 0}, {2, 0, 1},                             // prism beyond x = 1
      {0.5, 0.5, 2},                                    // pyramid apex above the top
      {0.5, -1, 0.5},                                   // tetrahedron in front
      {3, 0, 0}, {4, 0, 0}, {3, 1, 0}, {4, 1, 0},       // binary-order cube
      {3, 0, 1}, {4, 0, 1}, {3, 1, 1}, {4, 1, 1}};
  for (const auto& point : points) builder->create_point(Point<3>{point});
  const Facets hexahedron{{0, 3, 2, 1}, {4, 5, 6, 7}, {0, 1, 5, 4},
                          {1, 2, 6, 5}, {2, 3, 7, 6}, {3, 0, 4, 7}};
  builder->create_polyhedron(std::vector<index_t>{0, 1, 2, 3, 4, 5, 6, 7}, hexahedron);
  builder->create_polyhedron(std::vector<index_t>{1, 8, 2, 5, 9, 6}, prism_facet_lists());
  const Facets pyramid{{0, 3, 2, 1}, {0, 1, 4}, {1, 2, 4}, {2, 3, 4}, {3, 0, 4}};
  builder->create_polyhedron(std::vector<index_t>{4, 5, 6, 7, 10}, pyramid);
  builder->create_polyhedron(std::vector<index_t>{0, 11, 1, 4}, tetrahedron_facet_lists());
  if (with_general) {
    builder->create_polyhedron(std::vector<index_t>{12, 13, 14, 15, 16, 17, 18, 19},
                               cube_facet_lists());
  }
  builder->compute_polyhedron_adjacencies();
  add_typed_attributes(mesh->polyhedron_attribute_manager(), mesh->nb_polyhedra(), "polyhedron");
  return mesh;
}

/// The element vertex lists of any mesh (empty for point sets).
inline std::vector<std::vector<index_t>> elements(const LoadedMesh& mesh) {
  std::vector<std::vector<index_t>> result;
  mesh.visit([&](const auto& typed) {
    using Mesh = std::decay_t<decltype(typed)>;
    if constexpr (std::is_same_v<Mesh, EdgedCurve<Mesh::dimension>>) {
      for (index_t e = 0; e < typed.nb_edges(); ++e) {
        const auto vertices = typed.edge_vertices(e);
        result.emplace_back(vertices.begin(), vertices.end());
      }
    } else if constexpr (std::is_same_v<Mesh, SurfaceMesh<Mesh::dimension>>) {
      for (index_t p = 0; p < typed.nb_polygons(); ++p) {
        const auto vertices = typed.polygon_vertices(p);
        result.emplace_back(vertices.begin(), vertices.end());
      }
    } else if constexpr (std::is_same_v<Mesh, SolidMesh<3>>) {
      for (index_t p = 0; p < typed.nb_polyhedra(); ++p) {
        const auto vertices = typed.polyhedron_vertices(p);
        result.emplace_back(vertices.begin(), vertices.end());
      }
    }
  });
  return result;
}

/// The facets of every polyhedron of a solid, as mesh vertex lists.
inline std::vector<std::vector<std::vector<index_t>>> solid_facets(const SolidMesh<3>& mesh) {
  std::vector<std::vector<std::vector<index_t>>> result(mesh.nb_polyhedra());
  for (index_t p = 0; p < mesh.nb_polyhedra(); ++p) {
    for (local_index_t f = 0; f < mesh.nb_polyhedron_facets(p); ++f) {
      const auto vertices = mesh.polyhedron_facet_vertices({p, f});
      result[p].emplace_back(vertices.begin(), vertices.end());
    }
  }
  return result;
}

/// The element attribute manager of any mesh (nullptr for point sets).
inline const AttributeManager* element_attributes(const LoadedMesh& mesh) {
  return mesh.visit([](const auto& typed) -> const AttributeManager* {
    using Mesh = std::decay_t<decltype(typed)>;
    if constexpr (std::is_same_v<Mesh, EdgedCurve<Mesh::dimension>>) {
      return &typed.edge_attribute_manager();
    } else if constexpr (std::is_same_v<Mesh, SurfaceMesh<Mesh::dimension>>) {
      return &typed.polygon_attribute_manager();
    } else if constexpr (std::is_same_v<Mesh, SolidMesh<3>>) {
      return &typed.polyhedron_attribute_manager();
    } else {
      return nullptr;
    }
  });
}

template <typename T>
void expect_same_values(const AttributeManager& expected, const AttributeManager& actual,
                        const std::string& name) {
  const auto original = expected.find_attribute<T>(name);
  ASSERT_TRUE(actual.attribute_exists(name)) << name;
  const auto read = actual.find_attribute<T>(name);  // throws for another value type
  ASSERT_EQ(expected.nb_elements(), actual.nb_elements());
  for (index_t e = 0; e < expected.nb_elements(); ++e) {
    EXPECT_EQ(original->value(e), read->value(e)) << name << " element " << e;
  }
}

/// Every attribute of `expected` made by add_typed_attributes is in `actual` with the same
/// value type and values (bool attributes come back as std::uint8_t).
inline void expect_same_typed_attributes(const AttributeManager& expected,
                                         const AttributeManager& actual) {
  for (const auto& name : expected.attribute_names()) {
    SCOPED_TRACE(name);
    if (name.ends_with("_d")) expect_same_values<double>(expected, actual, name);
    if (name.ends_with("_i")) expect_same_values<int>(expected, actual, name);
    if (name.ends_with("_u")) expect_same_values<index_t>(expected, actual, name);
    if (name.ends_with("_f")) expect_same_values<float>(expected, actual, name);
    if (name.ends_with("_v")) expect_same_values<std::array<double, 3>>(expected, actual, name);
    if (name.ends_with("_b")) {
      const auto original = expected.find_attribute<bool>(name);
      const auto read = actual.find_attribute<std::uint8_t>(name);
      for (index_t e = 0; e < expected.nb_elements(); ++e) {
        EXPECT_EQ(original->value(e) ? 1 : 0, read->value(e)) << name << " element " << e;
      }
    }
  }
}

}  // namespace veyra::test
