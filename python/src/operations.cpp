// SPDX-License-Identifier: MIT
// The library's operations: meshes into models, one mesh into a model from its elements, blocks,
// one polyhedron as a BRep, the border curve of a surface. Each runs with the GIL released.
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include <absl/container/flat_hash_set.h>

#include <ostrel/basic/str_cat.h>
#include <ostrel/mesh/solid_edges.h>
#include <ostrel/mesh/solid_facets.h>
#include <ostrel/mesh/surface_edges.h>
#include <ostrel/model/brep_builder.h>

#include <model/common/convert_meshes.h>
#include <model/element_meshes/brep_from_brep_element.h>
#include <model/element_meshes/brep_from_solid_elements_builder.h>
#include <model/element_meshes/convert_surface_into_section_from_attribute.h>
#include <model/element_meshes/section_from_surface_elements_builder.h>
#include <model/element_meshes/surface_facets_from_attribute.h>
#include <model/operations/blocks_from_surfaces.h>
#include <model/operations/curve_from_surface_borders.h>

#include "meshes.h"
#include "models.h"

namespace veyra::python {
namespace {

template <typename Mesh>
using References = std::vector<std::reference_wrapper<const Mesh>>;

/// The meshes of a Python list, all of dimension D.
template <index_t D, template <index_t> class MeshT, typename PyMesh>
References<MeshT<D>> mesh_references(const py::iterable& meshes, const char* what) {
  References<MeshT<D>> references;
  for (const auto& item : meshes) {
    if (!py::isinstance<PyMesh>(item)) throw py::type_error(str_cat(what, ": expected meshes"));
    const auto& mesh = item.cast<const PyMesh&>();
    const auto* handle = std::get_if<MeshHandle<MeshT<D>>>(&mesh.handle);
    if (handle == nullptr) {
      throw py::value_error(str_cat(what, ": expected ", D, "D meshes for a ",
                                    D == 3 ? "BRep" : "Section"));
    }
    references.emplace_back(handle->get());
  }
  return references;
}

template <index_t D, typename Convert>
auto convert_meshes(const py::iterable& point_sets, const py::iterable& curves,
                    const py::iterable& surfaces, Convert convert) {
  const auto points = mesh_references<D, PointSet, PyPointSet>(point_sets, "point_sets");
  const auto lines = mesh_references<D, EdgedCurve, PyEdgedCurve>(curves, "curves");
  const auto faces = mesh_references<D, SurfaceMesh, PySurfaceMesh>(surfaces, "surfaces");
  auto [model, mappings] = call_without_gil([&] { return convert(points, lines, faces); });
  return std::make_tuple(share_model(std::move(model)), std::move(mappings));
}

SurfaceMesh<2>& surface_2d(const PySurfaceMesh& mesh, const char* operation) {
  const auto* handle = std::get_if<MeshHandle<SurfaceMesh<2>>>(&mesh.handle);
  if (handle == nullptr) throw py::value_error(str_cat(operation, ": expected a 2D surface mesh"));
  return handle->modifiable(operation);
}

SolidMesh<3>& solid_of(const PySolidMesh& mesh, const char* operation) {
  return std::get<MeshHandle<SolidMesh<3>>>(mesh.handle).modifiable(operation);
}

py::list ids_list(const std::vector<uuid>& ids) {
  py::list result;
  for (const auto& id : ids) result.append(id.string());
  return result;
}

std::vector<uuid> ids_vector(const py::iterable& values) {
  std::vector<uuid> ids;
  for (const auto& value : values) ids.push_back(to_uuid(value));
  return ids;
}

void bind_block_relationships(py::module_& module) {
  py::class_<BlockRelationships>(module, "BlockRelationships",
                                 "The components of one block: its boundary surfaces and the "
                                 "surfaces, lines and corners inside it, as lists of ids.")
      .def(py::init([](const py::iterable& boundary_surfaces, const py::iterable& internal_surfaces,
                       const py::iterable& internal_lines, const py::iterable& internal_corners) {
             return BlockRelationships{ids_vector(boundary_surfaces), ids_vector(internal_surfaces),
                                       ids_vector(internal_lines), ids_vector(internal_corners)};
           }),
           py::arg("boundary_surfaces"), py::arg("internal_surfaces") = py::list(),
           py::arg("internal_lines") = py::list(), py::arg("internal_corners") = py::list(),
           "A block record from ids (texts or components).")
      .def_property_readonly(
          "boundary_surfaces",
          [](const BlockRelationships& self) { return ids_list(self.boundary_surfaces); },
          "Ids of the surfaces bounding the block.")
      .def_property_readonly(
          "internal_surfaces",
          [](const BlockRelationships& self) { return ids_list(self.internal_surfaces); },
          "Ids of the surfaces inside the block.")
      .def_property_readonly(
          "internal_lines",
          [](const BlockRelationships& self) { return ids_list(self.internal_lines); },
          "Ids of the lines inside the block.")
      .def_property_readonly(
          "internal_corners",
          [](const BlockRelationships& self) { return ids_list(self.internal_corners); },
          "Ids of the corners inside the block.")
      .def("__repr__", [](const BlockRelationships& self) {
        return str_cat("<veyra.BlockRelationships ", self.boundary_surfaces.size(),
                       " boundary surfaces, ", self.internal_surfaces.size(),
                       " internal surfaces, ", self.internal_lines.size(), " internal lines, ",
                       self.internal_corners.size(), " internal corners>");
      });
}

}  // namespace

void bind_operations(py::module_& module) {
  bind_block_relationships(module);

  module.def(
      "convert_meshes_into_brep",
      [](const py::iterable& point_sets, const py::iterable& curves, const py::iterable& surfaces) {
        return convert_meshes<3>(point_sets, curves, surfaces,
                                 [](const auto& points, const auto& lines, const auto& faces) {
                                   return convert_meshes_into_brep(points, lines, faces);
                                 });
      },
      py::arg("point_sets") = py::list(), py::arg("curves") = py::list(),
      py::arg("surfaces") = py::list(),
      R"(A new BRep from separate 3D meshes: each point set becomes a corner, each curve a line
and each surface mesh a surface (with the mesh's id and name); points closer than 1e-6 are tied,
the topology engine splits and completes corners, lines and surfaces, then the blocks that the
surfaces close and the model boundary are built. The meshes are not changed.

Returns (brep, mappings): a BRepMappings from the input mesh ids, (mesh id, vertex) and
(mesh id, element) pairs to the model's components and mesh items.)");

  module.def(
      "convert_meshes_into_section",
      [](const py::iterable& point_sets, const py::iterable& curves, const py::iterable& surfaces) {
        return convert_meshes<2>(point_sets, curves, surfaces,
                                 [](const auto& points, const auto& lines, const auto& faces) {
                                   return convert_meshes_into_section(points, lines, faces);
                                 });
      },
      py::arg("point_sets") = py::list(), py::arg("curves") = py::list(),
      py::arg("surfaces") = py::list(),
      R"(A new Section from separate 2D meshes, as convert_meshes_into_brep does (no blocks).
Returns (section, mappings), a SectionMappings.)");

  module.def(
      "convert_surface_elements_into_section",
      [](const PySurfaceMesh& mesh_object, const py::handle& corner_values,
         const py::handle& line_edge_values) {
        auto& mesh = surface_2d(mesh_object, "convert_surface_elements_into_section");
        const auto corners = index_array(corner_values, "corner_vertices", 1, mesh.nb_vertices());
        mesh.enable_edges();
        const auto edges = index_array(line_edge_values, "line_edges", 1, mesh.edges().nb_edges());
        const absl::Span<const index_t> corner_span{corners.data(),
                                                    static_cast<std::size_t>(corners.size())};
        const absl::Span<const index_t> edge_span{edges.data(),
                                                  static_cast<std::size_t>(edges.size())};
        auto [section, vertices, elements] = call_without_gil(
            [&] { return convert_surface_elements_into_section(mesh, corner_span, edge_span); });
        return std::make_tuple(share_model(std::move(section)), std::move(vertices),
                               std::move(elements));
      },
      py::arg("mesh"), py::arg("corner_vertices") = py::list(),
      py::arg("line_edges") = py::list(),
      R"(A new Section from ONE 2D surface mesh: the given vertices are corners, the given
edges (ids of mesh.edges, see SurfaceMesh.edge_ids) and the mesh border are lines, corners
appear where lines meet, and each region of polygons between lines is a surface.

The mesh is changed: its edge table is built and polygon adjacencies are cut along the line
edges (give mesh.copy() to keep it). Returns (section, vertices, elements): an IndexMapping from
mesh vertex to unique vertex, and an IndexToMeshElementMappings from mesh vertex to corner
vertex, mesh edge to line edges and polygon to surface polygons.)");

  module.def(
      "convert_surface_into_section_from_attribute",
      [](const PySurfaceMesh& mesh_object, const std::string& attribute) {
        auto& mesh = surface_2d(mesh_object, "convert_surface_into_section_from_attribute");
        auto [section, vertices, elements] = call_without_gil(
            [&] { return convert_surface_into_section_from_attribute(mesh, attribute); });
        return std::make_tuple(share_model(std::move(section)), std::move(vertices),
                               std::move(elements));
      },
      py::arg("mesh"), py::arg("attribute"),
      R"(A new Section from ONE 2D surface mesh whose polygons carry region values: the mesh is
cut wherever the polygon attribute (read as floats, NaN differing from everything) changes
across an edge, so that each region is a surface, with lines between regions and along the
border. The mesh is changed (its adjacencies are cut; give mesh.copy() to keep it). Returns
(section, vertices, elements): a MeshVertexMappings and a MeshElementMappings from (mesh id,
vertex) and (mesh id, element) pairs of the mesh and of the border curve made from it to the
Section's components. Raises VeyraError (type "input") when the attribute does not exist.)");

  module.def(
      "convert_solid_elements_into_brep",
      [](const PySolidMesh& mesh_object, const py::handle& corner_values,
         const py::handle& line_edge_values, const py::handle& surface_facet_values) {
        auto& solid = solid_of(mesh_object, "convert_solid_elements_into_brep");
        const auto corners = index_array(corner_values, "corner_vertices", 1, solid.nb_vertices());
        IndexArray edges = index_array(line_edge_values, "line_edges", 1, NO_ID);
        if (edges.size() > 0) {
          solid.enable_edges();
          edges = index_array(line_edge_values, "line_edges", 1, solid.edges().nb_edges());
        }
        IndexArray facets = index_array(surface_facet_values, "surface_facets", 1, NO_ID);
        if (facets.size() > 0) {
          solid.enable_facets();
          facets = index_array(surface_facet_values, "surface_facets", 1, solid.facets().nb_facets());
        }
        const absl::Span<const index_t> corner_span{corners.data(),
                                                    static_cast<std::size_t>(corners.size())};
        const absl::Span<const index_t> edge_span{edges.data(),
                                                  static_cast<std::size_t>(edges.size())};
        const absl::Span<const index_t> facet_span{facets.data(),
                                                   static_cast<std::size_t>(facets.size())};
        auto [brep, vertices, elements] = call_without_gil([&] {
          return convert_solid_elements_into_brep(solid, corner_span, edge_span, facet_span);
        });
        return std::make_tuple(share_model(std::move(brep)), std::move(vertices),
                               std::move(elements));
      },
      py::arg("mesh"), py::arg("corner_vertices") = py::list(), py::arg("line_edges") = py::list(),
      py::arg("surface_facets") = py::list(),
      R"(A new BRep with block meshes from ONE solid mesh: the given vertices are corners, the
given edges (ids of mesh.edges) line edges and the given facets (ids of mesh.facet_table, for
example from surface_facets_from_attribute) surface facets; the skin of the solid is always a
surface. Lines are completed where surfaces meet, and each set of polyhedra connected across
facets that are no surface facets becomes a block whose mesh copies them (tetrahedral solids are
repaired on a copy so that block meshes stay conformal with the surfaces).

The mesh is changed: its edge and facet tables are built (and, except for a tetrahedral solid,
adjacencies are cut along surface facets); give mesh.copy() to keep it. Returns (brep, vertices,
elements): an IndexMapping from solid vertex to unique vertex and an
IndexToBRepMeshElementMappings from solid vertex to corner vertex, solid edge to line edges,
solid facet to surface polygons and polyhedron to block polyhedra.)");

  module.def(
      "surface_facets_from_attribute",
      [](const PySolidMesh& mesh_object, const std::string& attribute) {
        auto& solid = solid_of(mesh_object, "surface_facets_from_attribute");
        return to_numpy(
            call_without_gil([&] { return surface_facets_from_attribute(solid, attribute); }));
      },
      py::arg("mesh"), py::arg("attribute"),
      R"(The facet ids (rows of mesh.facet_table) shared by two adjacent polyhedra whose values
of the polyhedron attribute differ (read as floats, NaN differing from everything), in the order
of polyhedra and their facets, as a new uint32 array: the surface_facets that split a
region-tagged solid. Builds the mesh's facet table. Raises VeyraError (type "input") when the
attribute does not exist.)");

  module.def(
      "determine_blocks",
      [](const std::shared_ptr<BRep>& brep) {
        return call_without_gil([&] { return determine_blocks(*brep); });
      },
      py::arg("brep"),
      R"(The blocks that the BRep's surfaces close, without changing the model: a list of
BlockRelationships (boundary surfaces, and the surfaces, lines and corners floating inside),
one per closed region.)");

  module.def(
      "build_blocks",
      [](const std::shared_ptr<BRep>& brep, const std::optional<py::iterable>& relationships) {
        if (relationships) {
          std::vector<BlockRelationships> records;
          for (const auto& record : *relationships) {
            records.push_back(record.cast<BlockRelationships>());
          }
          return ids_list(call_without_gil([&] {
            BRepBuilder builder{*brep};
            return build_blocks(*brep, builder, records);
          }));
        }
        absl::flat_hash_set<uuid> before;
        for (const auto& block : brep->blocks()) before.insert(block.id());
        call_without_gil([&] {
          BRepBuilder builder{*brep};
          build_blocks(*brep, builder);
        });
        std::vector<uuid> created;
        for (const auto& block : brep->blocks()) {
          if (!before.contains(block.id())) created.push_back(block.id());
        }
        return ids_list(created);
      },
      py::arg("brep"), py::arg("relationships") = py::none(),
      R"(Adds blocks to the BRep, in place. Without relationships, builds the blocks its surfaces
close (only for a model with surfaces and no block; otherwise logs a warning and changes
nothing); with a list of BlockRelationships (from determine_blocks), creates one block without
mesh per record. Returns the ids of the new blocks, in model order.)");

  module.def(
      "build_brep_from_brep_element",
      [](const ComponentRef& block_component, index_t polyhedron) {
        const auto& block = block_of(block_component);
        return share_model(
            call_without_gil([&] { return detail::build_brep_from_brep_element(block, polyhedron); }));
      },
      py::arg("block"), py::arg("polyhedron"),
      R"(A new one-block BRep standing for one polyhedron of a block's mesh: its facets become
triangulated surfaces, meeting at lines and corners (a tetrahedron gives 4 corners, 6 lines, 4
surfaces and 1 block). `block` is a Component of a BRep. Raises VeyraError (type "input") when
the polyhedron does not exist.)");

  module.def(
      "curve_from_surface_borders",
      [](const PySurfaceMesh& mesh) {
        return mesh.visit([](const auto& handle) {
          const auto& surface = handle.get();
          return wrap_mesh(call_without_gil([&] { return curve_from_surface_borders(surface); }));
        });
      },
      py::arg("mesh"),
      R"(A new EdgedCurve with one edge per polygon edge of the surface mesh that has no adjacent
polygon, oriented like its polygon, polygons and edges in order; only the vertices of those
edges remain. A closed surface gives an empty curve.)");

  module.def(
      "seed", [](std::uint64_t value) { uuid::seed(value); }, py::arg("value"),
      "Restarts the generator of ids from `value`: ids made afterwards depend only on the order\n"
      "of creation, so that a whole run is reproducible.");
}

}  // namespace veyra::python
