// SPDX-License-Identifier: MIT
// The six faces of the unit cube, each a separate mesh of two triangles, become one BRep; the
// mappings tell where each input face and vertex went.
#include <array>
#include <functional>
#include <iostream>
#include <memory>
#include <vector>

#include <ostrel/mesh/triangulated_surface.h>
#include <ostrel/mesh/triangulated_surface_builder.h>

#include <model/common/convert_meshes.h>
#include <model/common/library.h>

namespace {

// The face of the cube where coordinate `axis` is `side`, as two triangles facing outwards.
std::unique_ptr<veyra::TriangulatedSurface<3>> cube_face(int axis, double side) {
  auto face = veyra::TriangulatedSurface<3>::create();
  auto builder = veyra::TriangulatedSurfaceBuilder<3>::create(*face);
  const int u = (axis + 1) % 3;
  const int v = (axis + 2) % 3;
  for (const auto& [a, b] : std::array<std::array<double, 2>, 4>{
           {{0., 0.}, {1., 0.}, {1., 1.}, {0., 1.}}}) {
    veyra::Point<3> point;
    point.set_value(axis, side);
    point.set_value(u, a);
    point.set_value(v, b);
    builder->create_point(point);
  }
  if (side > 0.) {
    builder->create_triangle({0, 1, 2});
    builder->create_triangle({0, 2, 3});
  } else {
    builder->create_triangle({0, 2, 1});
    builder->create_triangle({0, 3, 2});
  }
  builder->compute_polygon_adjacencies();
  return face;
}

}  // namespace

int main() {
  veyra::VeyraConversionModelLibrary::initialize();

  std::vector<std::unique_ptr<veyra::TriangulatedSurface<3>>> faces;
  std::vector<std::reference_wrapper<const veyra::SurfaceMesh<3>>> surfaces;
  for (int axis = 0; axis < 3; ++axis) {
    for (const double side : {0., 1.}) {
      faces.push_back(cube_face(axis, side));
      surfaces.emplace_back(*faces.back());
    }
  }
  auto [brep, mappings] = veyra::convert_meshes_into_brep({}, {}, surfaces);
  std::cout << brep.nb_corners() << " corners, " << brep.nb_lines() << " lines, "
            << brep.nb_surfaces() << " surfaces, " << brep.nb_blocks() << " blocks\n";

  // An input face is either replaced (its id maps to new surfaces) or kept as it is, with its
  // id, vertices and triangles: the mesh mappings then have no entry for it.
  const auto surface_type = veyra::Surface<3>::component_type_static();
  const auto& replaced = mappings.component_mappings.at(surface_type);
  const auto& face = *faces.front();
  const auto surface_id = replaced.has_mapping_input(face.id())
                              ? replaced.in2out(face.id()).front()
                              : face.id();
  const veyra::MeshVertex input_vertex{face.id(), 0};
  const auto& vertex_mapping = mappings.mesh_vertices.surfaces;
  const auto vertex = vertex_mapping.has_mapping_input(input_vertex)
                          ? vertex_mapping.in2out(input_vertex).front()
                          : input_vertex;
  const auto& surface = brep.surface(surface_id);
  std::cout << "face 0 is surface " << (surface_id == face.id() ? "(same id)" : "(new id)")
            << " bounded by " << brep.nb_boundaries(surface) << " lines; its vertex 0 is at "
            << surface.mesh().point(vertex.vertex).string() << '\n';
  // The lines and corners did not exist in the input: they are all created.
  std::cout << mappings.created_components.at(veyra::Line<3>::component_type_static()).size()
            << " lines created\n";
  return brep.nb_blocks() == 1 ? 0 : 1;
}
