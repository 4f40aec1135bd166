// SPDX-License-Identifier: MIT
#include "raw_mesh.h"

#include "cell_shapes.h"

#include <algorithm>
#include <array>
#include <cmath>

#include <absl/container/flat_hash_map.h>
#include <absl/container/flat_hash_set.h>

#include <ostrel/basic/attribute_manager.h>
#include <ostrel/basic/logger.h>
#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/point_set_builder.h>
#include <ostrel/mesh/polygonal_surface.h>
#include <ostrel/mesh/polygonal_surface_builder.h>
#include <ostrel/mesh/polyhedral_solid.h>
#include <ostrel/mesh/solid_mesh_builder.h>
#include <ostrel/mesh/tetrahedral_solid.h>
#include <ostrel/mesh/triangulated_surface.h>
#include <ostrel/mesh/triangulated_surface_builder.h>

namespace veyra::internal {
namespace {

constexpr index_t max_polygon_vertices = 254;

std::string_view cell_dimension_name(index_t dimension) {
  switch (dimension) {
    case 0:
      return "point";
    case 1:
      return "segment";
    case 2:
      return "polygon";
    default:
      return "volume";
  }
}

/// Element e of the mesh takes tuple tuples[e] of an array (identity when `tuples` is empty).
struct TupleSelection {
  absl::Span<const index_t> tuples;
  index_t nb_elements;

  index_t tuple(index_t element) const { return tuples.empty() ? element : tuples[element]; }
};

template <typename T, std::size_t N>
void create_array_attribute(AttributeManager& manager, std::string_view name,
                            const std::vector<T>& values, index_t nb_components,
                            index_t first_component, const TupleSelection& selection) {
  if constexpr (N == 1) {
    auto attribute = manager.find_or_create_attribute<VariableAttribute, T>(name, T{});
    for (index_t element = 0; element < selection.nb_elements; ++element) {
      const auto index =
          static_cast<std::size_t>(selection.tuple(element)) * nb_components + first_component;
      attribute->set_value(element, values[index]);
    }
  } else {
    auto attribute =
        manager.find_or_create_attribute<VariableAttribute, std::array<T, N>>(name, {});
    for (index_t element = 0; element < selection.nb_elements; ++element) {
      const auto first = static_cast<std::size_t>(selection.tuple(element)) * N;
      std::array<T, N> value;
      std::copy_n(values.begin() + static_cast<long>(first), N, value.begin());
      attribute->set_value(element, value);
    }
  }
}

/// One attribute per array (std::array<T, N> for the usual component counts), or one per
/// component otherwise.
void create_attribute(AttributeManager& manager, const DataArray& array,
                      const TupleSelection& selection) {
  std::visit(
      [&](const auto& values) {
        using T = typename std::decay_t<decltype(values)>::value_type;
        const auto nb = array.nb_components;
        switch (nb) {
          case 1:
            return create_array_attribute<T, 1>(manager, array.name, values, nb, 0, selection);
          case 2:
            return create_array_attribute<T, 2>(manager, array.name, values, nb, 0, selection);
          case 3:
            return create_array_attribute<T, 3>(manager, array.name, values, nb, 0, selection);
          case 4:
            return create_array_attribute<T, 4>(manager, array.name, values, nb, 0, selection);
          case 6:
            return create_array_attribute<T, 6>(manager, array.name, values, nb, 0, selection);
          case 9:
            return create_array_attribute<T, 9>(manager, array.name, values, nb, 0, selection);
          default:
            for (index_t component = 0; component < nb; ++component) {
              create_array_attribute<T, 1>(manager, str_cat(array.name, "_", component), values,
                                           nb, component, selection);
            }
        }
      },
      array.values);
}

/// Vertex count of the cells of fixed shape; 0 for polygons and polyhedra.
std::size_t fixed_cell_size(CellKind kind) {
  switch (kind) {
    case CellKind::vertex:
      return 1;
    case CellKind::edge:
      return 2;
    case CellKind::tetrahedron:
      return 4;
    case CellKind::hexahedron:
      return 8;
    case CellKind::prism:
      return 6;
    case CellKind::pyramid:
      return 5;
    default:
      return 0;
  }
}

template <index_t D>
class MeshAssembler {
 public:
  MeshAssembler(RawMesh& raw, const InputSource& source) : raw_(raw), source_(source) {}

  LoadedMesh assemble() {
    check_arrays();
    check_cells();
    const auto dimension = select_cells();
    switch (dimension) {
      case 0:
        return make_point_set();
      case 1:
        return make_curve();
      case 2:
        return make_surface();
      default:
        if constexpr (D == 3) {
          return make_solid();
        } else {
          source_.fail("volume elements (tetrahedra, hexahedra, prisms, pyramids, polyhedra) "
                       "cannot be read into a 2D mesh");
        }
    }
  }

 private:
  void check_arrays() const {
    check_array_names(raw_.point_data, "point");
    check_array_names(raw_.cell_data, "cell");
    for (const auto& array : raw_.point_data) {
      check_array_shape(array, "point");
      if (array.nb_tuples() != raw_.nb_points()) {
        source_.fail("the point data array \"", printable(array.name), "\" has ",
                     array.nb_tuples(), " tuples, one per point (", raw_.nb_points(),
                     ") was expected");
      }
    }
    index_t nb_cell_tuples = raw_.nb_cells();
    if (!raw_.cell_data_tuple.empty()) {
      OSTREL_EXCEPTION(OstrelMeshException, raw_.cell_data_tuple.size() == raw_.nb_cells(),
                       "[build_mesh] one cell data tuple per cell was expected");
      nb_cell_tuples = raw_.cell_data_tuple.empty()
                           ? 0
                           : *std::max_element(raw_.cell_data_tuple.begin(),
                                               raw_.cell_data_tuple.end()) +
                                 1;
    }
    for (const auto& array : raw_.cell_data) {
      check_array_shape(array, "cell");
      if (array.nb_tuples() < nb_cell_tuples) {
        source_.fail("the cell data array \"", printable(array.name), "\" has ",
                     array.nb_tuples(), " tuples, one per cell (", nb_cell_tuples,
                     ") was expected");
      }
    }
  }

  void check_array_names(const std::vector<DataArray>& arrays, std::string_view kind) const {
    absl::flat_hash_set<std::string_view> names;
    for (const auto& array : arrays) {
      if (array.name.empty()) source_.fail("a ", kind, " data array has no name");
      if (!names.insert(array.name).second) {
        source_.fail("two ", kind, " data arrays are named \"", printable(array.name), "\"");
      }
    }
  }

  void check_array_shape(const DataArray& array, std::string_view kind) const {
    if (array.nb_components == 0 || array.nb_values() % array.nb_components != 0) {
      source_.fail("the ", kind, " data array \"", printable(array.name), "\" holds ",
                   array.nb_values(), " values, not a whole number of ", array.nb_components,
                   "-component tuples");
    }
  }

  void check_cells() const {
    const auto nb_points = raw_.nb_points();
    for (index_t cell = 0; cell < raw_.nb_cells(); ++cell) {
      for (const auto vertex : raw_.cell(cell)) {
        if (vertex >= nb_points) {
          source_.fail("cell ", cell, " uses point ", vertex, ", but the file has ", nb_points,
                       " points");
        }
      }
      const auto size = raw_.cell(cell).size();
      const auto kind = raw_.cell_kinds[cell];
      const auto fixed_size = fixed_cell_size(kind);
      if (fixed_size != 0 && size != fixed_size) {
        source_.fail("cell ", cell, " has ", size, " vertices, ", fixed_size, " expected");
      }
      if (kind == CellKind::polygon &&
          (size < 3 || size > max_polygon_vertices)) {
        source_.fail("cell ", cell, " is a polygon of ", size, " vertices (3 to ",
                     max_polygon_vertices, " are supported)");
      }
    }
  }

  /// Keeps the cells of the highest dimension; returns it (0 when there are no cells).
  index_t select_cells() {
    index_t dimension = 0;
    for (const auto kind : raw_.cell_kinds) {
      dimension = std::max(dimension, cell_dimension(kind));
    }
    std::array<index_t, 4> nb_dropped{};
    for (index_t cell = 0; cell < raw_.nb_cells(); ++cell) {
      const auto cell_dim = cell_dimension(raw_.cell_kinds[cell]);
      if (cell_dim == dimension) {
        selected_.push_back(cell);
      } else {
        nb_dropped[cell_dim]++;
      }
    }
    for (index_t d = 0; d < dimension; ++d) {
      if (nb_dropped[d] > 0) {
        Logger::log_debug("[read_mesh] ", source_.file(), ": ", nb_dropped[d], " ",
                          cell_dimension_name(d), " elements left out of the ",
                          cell_dimension_name(dimension), " mesh");
      }
    }
    if (dimension > 0) {
      cell_tuples_.reserve(selected_.size());
      for (const auto cell : selected_) {
        cell_tuples_.push_back(raw_.cell_data_tuple.empty() ? cell : raw_.cell_data_tuple[cell]);
      }
    }
    return dimension;
  }

  template <typename Builder>
  void create_points(Builder& builder) {
    const auto nb_points = raw_.nb_points();
    builder.reserve_vertices(nb_points);
    builder.create_vertices(nb_points);
    for (index_t v = 0; v < nb_points; ++v) {
      const auto* xyz = &raw_.coordinates[3 * static_cast<std::size_t>(v)];
      std::array<double, D> values;
      for (index_t axis = 0; axis < D; ++axis) values[axis] = xyz[axis];
      if constexpr (D == 2) {
        if (std::abs(xyz[2]) > global_epsilon) {
          source_.fail("point ", v, " has z = ", xyz[2],
                       ": a 2D mesh needs every z coordinate to be 0");
        }
      }
      builder.set_point(v, Point<D>{values});
    }
    if (!raw_.name.empty()) builder.set_name(raw_.name);
  }

  void create_vertex_attributes(const VertexSet& mesh) const {
    for (const auto& array : raw_.point_data) {
      create_attribute(mesh.vertex_attribute_manager(), array, {{}, raw_.nb_points()});
    }
  }

  void create_element_attributes(AttributeManager& manager) const {
    const TupleSelection selection{cell_tuples_, static_cast<index_t>(selected_.size())};
    for (const auto& array : raw_.cell_data) create_attribute(manager, array, selection);
  }

  LoadedMesh make_point_set() {
    auto mesh = PointSet<D>::create();
    auto builder = PointSetBuilder<D>::create(*mesh);
    create_points(*builder);
    create_vertex_attributes(*mesh);
    return LoadedMesh{std::move(mesh)};
  }

  LoadedMesh make_curve() {
    auto mesh = EdgedCurve<D>::create();
    auto builder = EdgedCurveBuilder<D>::create(*mesh);
    create_points(*builder);
    for (const auto cell : selected_) {
      const auto vertices = raw_.cell(cell);
      builder->create_edge(vertices[0], vertices[1]);
    }
    create_vertex_attributes(*mesh);
    create_element_attributes(mesh->edge_attribute_manager());
    return LoadedMesh{std::move(mesh)};
  }

  LoadedMesh make_surface() {
    const auto all_triangles = std::all_of(selected_.begin(), selected_.end(),
                                           [&](index_t cell) { return raw_.cell(cell).size() == 3; });
    std::unique_ptr<SurfaceMesh<D>> mesh;
    if (all_triangles) {
      mesh = TriangulatedSurface<D>::create();
    } else {
      mesh = PolygonalSurface<D>::create();
    }
    auto builder = SurfaceMeshBuilder<D>::create(*mesh);
    create_points(*builder);
    std::size_t nb_corners = 0;
    for (const auto cell : selected_) nb_corners += raw_.cell(cell).size();
    builder->reserve_polygons(static_cast<index_t>(selected_.size()),
                              static_cast<index_t>(nb_corners));
    for (const auto cell : selected_) builder->create_polygon(raw_.cell(cell));
    builder->compute_polygon_adjacencies();
    create_vertex_attributes(*mesh);
    create_element_attributes(mesh->polygon_attribute_manager());
    return LoadedMesh{std::move(mesh)};
  }

  /// The facets of every selected cell: fixed tables, or the file's own for polyhedra.
  absl::flat_hash_map<index_t, std::vector<std::vector<local_index_t>>> polyhedron_facets() const {
    absl::flat_hash_map<index_t, std::vector<std::vector<local_index_t>>> facets_of_cell;
    std::size_t cursor = 0;
    const auto& stream = raw_.polyhedron_facets;
    const auto next = [&](index_t cell) {
      if (cursor >= stream.size()) source_.fail("cell ", cell, ": its facets are missing");
      return stream[cursor++];
    };
    for (index_t cell = 0; cell < raw_.nb_cells(); ++cell) {
      if (raw_.cell_kinds[cell] != CellKind::polyhedron) continue;
      const auto nb_vertices = raw_.cell(cell).size();
      const auto nb_facets = next(cell);
      if (nb_facets < 4 || nb_facets > max_polygon_vertices || nb_vertices < 4 ||
          nb_vertices > max_polygon_vertices) {
        source_.fail("cell ", cell, " is a polyhedron of ", nb_vertices, " vertices and ",
                     nb_facets, " facets (4 to ", max_polygon_vertices, " of each are supported)");
      }
      auto& facets = facets_of_cell[cell];
      facets.resize(nb_facets);
      for (auto& facet : facets) {
        const auto size = next(cell);
        if (size < 3 || size > nb_vertices) {
          source_.fail("cell ", cell, " has a facet of ", size, " vertices");
        }
        for (index_t i = 0; i < size; ++i) {
          const auto position = next(cell);
          if (position >= nb_vertices) {
            source_.fail("cell ", cell, " has a facet vertex out of its ", nb_vertices,
                         " vertices");
          }
          facet.push_back(static_cast<local_index_t>(position));
        }
      }
    }
    return facets_of_cell;
  }

  LoadedMesh make_solid()
    requires(D == 3)
  {
    const auto all_tetrahedra =
        std::all_of(selected_.begin(), selected_.end(),
                    [&](index_t cell) { return raw_.cell_kinds[cell] == CellKind::tetrahedron; });
    std::unique_ptr<SolidMesh<3>> mesh;
    if (all_tetrahedra) {
      mesh = TetrahedralSolid<3>::create();
    } else {
      mesh = PolyhedralSolid<3>::create();
    }
    auto builder = SolidMeshBuilder<3>::create(*mesh);
    create_points(*builder);
    std::size_t nb_corners = 0;
    std::size_t nb_facets = 0;
    for (const auto cell : selected_) {
      nb_corners += raw_.cell(cell).size();
      nb_facets += cell_facets(raw_.cell_kinds[cell]).size();
    }
    builder->reserve_polyhedra(static_cast<index_t>(selected_.size()),
                               static_cast<index_t>(nb_corners), static_cast<index_t>(nb_facets));
    if (all_tetrahedra) {
      for (const auto cell : selected_) builder->create_polyhedron(raw_.cell(cell), {});
    } else {
      const auto facets = polyhedron_facets();
      for (const auto cell : selected_) {
        const auto kind = raw_.cell_kinds[cell];
        builder->create_polyhedron(raw_.cell(cell), kind == CellKind::polyhedron
                                                        ? absl::MakeConstSpan(facets.at(cell))
                                                        : absl::MakeConstSpan(cell_facets(kind)));
      }
    }
    builder->compute_polyhedron_adjacencies();
    create_vertex_attributes(*mesh);
    create_element_attributes(mesh->polyhedron_attribute_manager());
    return LoadedMesh{std::move(mesh)};
  }

  RawMesh& raw_;
  const InputSource& source_;
  std::vector<index_t> selected_;
  std::vector<index_t> cell_tuples_;
};

}  // namespace

index_t cell_dimension(CellKind kind) {
  switch (kind) {
    case CellKind::vertex:
      return 0;
    case CellKind::edge:
      return 1;
    case CellKind::polygon:
      return 2;
    default:
      return 3;
  }
}

std::size_t DataArray::nb_values() const {
  return std::visit([](const auto& values) { return values.size(); }, values);
}

LoadedMesh build_mesh(RawMesh raw, const MeshReadOptions& options, const InputSource& source) {
  if (options.dimension == 2) return MeshAssembler<2>{raw, source}.assemble();
  OSTREL_INPUT_CHECK(OstrelMeshException, options.dimension == 3, "[read_mesh] ",
                     source.file(), ": the dimension to read must be 2 or 3, not ",
                     options.dimension);
  return MeshAssembler<3>{raw, source}.assemble();
}

}  // namespace veyra::internal
