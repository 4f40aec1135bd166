// SPDX-License-Identifier: MIT
#include "mesh_view.h"

#include <array>
#include <cstdint>
#include <tuple>

#include <ostrel/basic/logger.h>

#include "cell_shapes.h"

namespace veyra::internal {
namespace {

template <index_t D>
void add_coordinates(const GeometricMesh<D>& mesh, MeshView& view) {
  view.mesh = &mesh;
  view.coordinates.resize(3 * static_cast<std::size_t>(mesh.nb_vertices()), 0.);
  for (index_t v = 0; v < mesh.nb_vertices(); ++v) {
    const auto& point = mesh.point(v);
    for (index_t axis = 0; axis < D; ++axis) view.coordinates[3 * v + axis] = point.value(axis);
  }
}

/// How a value type of an attribute is stored in a file array.
template <typename T>
using Stored = std::conditional_t<
    std::is_same_v<T, bool>, std::uint8_t,
    std::conditional_t<
        std::is_same_v<T, char>, std::int8_t,
        std::conditional_t<std::is_same_v<T, long long>, std::int64_t,
                           std::conditional_t<std::is_same_v<T, unsigned long long>,
                                              std::uint64_t, T>>>>;

using Scalars = std::tuple<bool, char, std::int8_t, std::uint8_t, std::int16_t, std::uint16_t,
                           std::int32_t, std::uint32_t, long, unsigned long, long long,
                           unsigned long long, float, double>;

template <typename T, std::size_t N>
bool extract_array(const AttributeBase& attribute, index_t nb_elements,
                   std::optional<DataArray>& result) {
  using Value = std::conditional_t<N == 1, T, std::array<T, N>>;
  const auto* typed = dynamic_cast<const ReadOnlyAttribute<Value>*>(&attribute);
  if (typed == nullptr) return false;
  std::vector<Stored<T>> values;
  values.reserve(static_cast<std::size_t>(nb_elements) * N);
  for (index_t e = 0; e < nb_elements; ++e) {
    if constexpr (N == 1) {
      values.push_back(static_cast<Stored<T>>(typed->value(e)));
    } else {
      for (const auto item : typed->value(e)) values.push_back(static_cast<Stored<T>>(item));
    }
  }
  result = DataArray{std::string{attribute.name()}, static_cast<index_t>(N), std::move(values)};
  return true;
}

template <typename T>
bool extract_any_size(const AttributeBase& attribute, index_t nb_elements,
                      std::optional<DataArray>& result) {
  return extract_array<T, 1>(attribute, nb_elements, result) ||
         extract_array<T, 2>(attribute, nb_elements, result) ||
         extract_array<T, 3>(attribute, nb_elements, result) ||
         extract_array<T, 4>(attribute, nb_elements, result) ||
         extract_array<T, 6>(attribute, nb_elements, result) ||
         extract_array<T, 9>(attribute, nb_elements, result);
}

template <typename... Types>
bool extract_typed(const AttributeBase& attribute, index_t nb_elements,
                   std::optional<DataArray>& result, std::tuple<Types...>* /*types*/) {
  return (extract_any_size<Types>(attribute, nb_elements, result) || ...);
}

}  // namespace

template <index_t D>
MeshView make_mesh_view(const PointSet<D>& mesh) {
  MeshView view;
  add_coordinates(mesh, view);
  return view;
}

template <index_t D>
MeshView make_mesh_view(const EdgedCurve<D>& mesh) {
  MeshView view;
  add_coordinates(mesh, view);
  view.element_dimension = 1;
  view.element_attributes = &mesh.edge_attribute_manager();
  const auto nb = mesh.nb_edges();
  view.element_kinds.assign(nb, CellKind::edge);
  view.element_ends.reserve(nb);
  view.element_vertices.reserve(2 * static_cast<std::size_t>(nb));
  for (index_t e = 0; e < nb; ++e) {
    const auto vertices = mesh.edge_vertices(e);
    view.element_vertices.insert(view.element_vertices.end(), vertices.begin(), vertices.end());
    view.element_ends.push_back(static_cast<index_t>(view.element_vertices.size()));
  }
  return view;
}

template <index_t D>
MeshView make_mesh_view(const SurfaceMesh<D>& mesh) {
  MeshView view;
  add_coordinates(mesh, view);
  view.element_dimension = 2;
  view.element_attributes = &mesh.polygon_attribute_manager();
  const auto nb = mesh.nb_polygons();
  view.element_kinds.assign(nb, CellKind::polygon);
  view.element_ends.reserve(nb);
  view.element_vertices.reserve(3 * static_cast<std::size_t>(nb));
  for (index_t p = 0; p < nb; ++p) {
    for (local_index_t v = 0; v < mesh.nb_polygon_vertices(p); ++v) {
      view.element_vertices.push_back(mesh.polygon_vertex({p, v}));
    }
    view.element_ends.push_back(static_cast<index_t>(view.element_vertices.size()));
  }
  return view;
}

MeshView make_mesh_view(const SolidMesh<3>& mesh) {
  MeshView view;
  add_coordinates(mesh, view);
  view.element_dimension = 3;
  view.element_attributes = &mesh.polyhedron_attribute_manager();
  const auto nb = mesh.nb_polyhedra();
  view.element_ends.reserve(nb);
  view.element_vertices.reserve(4 * static_cast<std::size_t>(nb));
  view.element_kinds = polyhedron_kinds(mesh);
  for (index_t p = 0; p < nb; ++p) {
    const auto kind = view.element_kinds[p];
    for (local_index_t v = 0; v < mesh.nb_polyhedron_vertices(p); ++v) {
      view.element_vertices.push_back(mesh.polyhedron_vertex({p, v}));
    }
    view.element_ends.push_back(static_cast<index_t>(view.element_vertices.size()));
    if (kind != CellKind::polyhedron) continue;
    view.polyhedron_faces.push_back(mesh.nb_polyhedron_facets(p));
    for (local_index_t f = 0; f < mesh.nb_polyhedron_facets(p); ++f) {
      const auto vertices = mesh.polyhedron_facet_vertices({p, f});
      view.polyhedron_faces.push_back(static_cast<index_t>(vertices.size()));
      view.polyhedron_faces.insert(view.polyhedron_faces.end(), vertices.begin(), vertices.end());
    }
  }
  return view;
}

std::optional<DataArray> attribute_data_array(const AttributeBase& attribute,
                                              index_t nb_elements) {
  if (!attribute.is_genericable()) return std::nullopt;
  std::optional<DataArray> result;
  if (extract_typed(attribute, nb_elements, result, static_cast<Scalars*>(nullptr))) {
    return result;
  }
  // A genericable type this list does not name: its items as floats.
  const auto nb_items = attribute.nb_items();
  std::vector<float> values;
  values.reserve(static_cast<std::size_t>(nb_elements) * nb_items);
  for (index_t e = 0; e < nb_elements; ++e) {
    for (local_index_t item = 0; item < nb_items; ++item) {
      values.push_back(attribute.generic_item_value(e, item));
    }
  }
  return DataArray{std::string{attribute.name()}, nb_items, std::move(values)};
}

std::vector<DataArray> attribute_data_arrays(const AttributeManager& manager) {
  std::vector<DataArray> arrays;
  for (const auto& name : manager.attribute_names()) {
    const auto attribute = manager.find_generic_attribute(name);
    if (attribute == nullptr) continue;
    if (auto array = attribute_data_array(*attribute, manager.nb_elements())) {
      arrays.push_back(std::move(*array));
    } else {
      Logger::log_debug("[write_mesh] attribute \"", name,
                        "\" is not genericable and is not written");
    }
  }
  return arrays;
}

template MeshView make_mesh_view(const PointSet<2>&);
template MeshView make_mesh_view(const PointSet<3>&);
template MeshView make_mesh_view(const EdgedCurve<2>&);
template MeshView make_mesh_view(const EdgedCurve<3>&);
template MeshView make_mesh_view(const SurfaceMesh<2>&);
template MeshView make_mesh_view(const SurfaceMesh<3>&);

}  // namespace veyra::internal
