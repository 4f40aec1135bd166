// SPDX-License-Identifier: MIT
// AttributeTable: mesh attributes read into numpy arrays of their own value type and written
// from numpy arrays, one C++ loop per attribute.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

#include <ostrel/basic/attribute.h>
#include <ostrel/basic/str_cat.h>
#include <ostrel/geometry/point.h>
#include <ostrel/geometry/vector.h>

#include "mesh_attributes.h"

namespace veyra::python {
namespace {

template <typename... Ts>
struct Types {};

using Scalars = Types<bool, std::int8_t, std::uint8_t, std::int16_t, std::uint16_t, std::int32_t,
                      std::uint32_t, long, unsigned long, long long, unsigned long long, float,
                      double>;

template <std::size_t N, typename... S>
Types<std::array<S, N>...> arrays_of(Types<S...>) {
  return {};
}

/// How a value type lays out in a numpy row: its item type and item count.
template <typename T>
struct Layout {
  using Item = T;
  static constexpr py::ssize_t items = 1;
  static Item item(const T& value, py::ssize_t) { return value; }
};
template <typename S, std::size_t N>
struct Layout<std::array<S, N>> {
  using Item = S;
  static constexpr py::ssize_t items = N;
  static Item item(const std::array<S, N>& value, py::ssize_t k) {
    return value[static_cast<std::size_t>(k)];
  }
};
template <index_t D>
struct Layout<Point<D>> {
  using Item = double;
  static constexpr py::ssize_t items = D;
  static Item item(const Point<D>& value, py::ssize_t k) {
    return value.value(static_cast<local_index_t>(k));
  }
};
template <index_t D>
struct Layout<Vector<D>> : Layout<Point<D>> {
  static double item(const Vector<D>& value, py::ssize_t k) {
    return value.value(static_cast<local_index_t>(k));
  }
};

template <typename T>
bool try_read(const AttributeBase& attribute, index_t nb_elements, py::object& result) {
  const auto* typed = dynamic_cast<const ReadOnlyAttribute<T>*>(&attribute);
  if (typed == nullptr) return false;
  using L = Layout<T>;
  std::vector<py::ssize_t> shape{static_cast<py::ssize_t>(nb_elements)};
  if (L::items > 1) shape.push_back(L::items);
  py::array_t<typename L::Item> values(shape);
  auto* data = values.mutable_data();
  for (index_t e = 0; e < nb_elements; ++e) {
    const auto& value = typed->value(e);
    for (py::ssize_t k = 0; k < L::items; ++k) data[e * L::items + k] = L::item(value, k);
  }
  result = std::move(values);
  return true;
}

template <typename... Ts>
bool read_any(const AttributeBase& attribute, index_t nb_elements, py::object& result,
              Types<Ts...>) {
  return (try_read<Ts>(attribute, nb_elements, result) || ...);
}

py::object read_attribute(const AttributeBase& attribute, index_t nb_elements) {
  py::object result;
  if (read_any(attribute, nb_elements, result, Scalars{}) ||
      read_any(attribute, nb_elements, result, arrays_of<2>(Scalars{})) ||
      read_any(attribute, nb_elements, result, arrays_of<3>(Scalars{})) ||
      read_any(attribute, nb_elements, result, arrays_of<4>(Scalars{})) ||
      read_any(attribute, nb_elements, result, arrays_of<6>(Scalars{})) ||
      read_any(attribute, nb_elements, result, arrays_of<9>(Scalars{})) ||
      read_any(attribute, nb_elements, result,
               Types<Vector<2>, Vector<3>, Point<2>, Point<3>>{})) {
    return result;
  }
  if (!attribute.is_genericable()) {
    throw py::type_error(str_cat("attribute \"", attribute.name(),
                                 "\" holds values that have no numpy form"));
  }
  // Other arithmetic value types: their items as floats.
  const py::ssize_t items = attribute.nb_items();
  std::vector<py::ssize_t> shape{static_cast<py::ssize_t>(nb_elements)};
  if (items > 1) shape.push_back(items);
  py::array_t<float> values(shape);
  auto* data = values.mutable_data();
  for (index_t e = 0; e < nb_elements; ++e) {
    for (py::ssize_t k = 0; k < items; ++k) {
      data[e * items + k] = attribute.generic_item_value(e, static_cast<local_index_t>(k));
    }
  }
  return values;
}

template <typename V, typename S>
void store_values(AttributeManager& manager, const std::string& name, const S* data,
                  index_t nb_elements) {
  // Assigning replaces: an attribute of another value type or storage gives way.
  const auto existing = manager.find_generic_attribute(name);
  if (existing && !std::dynamic_pointer_cast<VariableAttribute<V>>(existing)) {
    manager.delete_attribute(name);
  }
  auto attribute = manager.find_or_create_attribute<VariableAttribute, V>(name, V{});
  for (index_t e = 0; e < nb_elements; ++e) {
    if constexpr (std::is_same_v<V, S>) {
      attribute->set_value(e, data[e]);
    } else {
      V value;
      std::copy_n(data + static_cast<std::size_t>(e) * value.size(), value.size(), value.begin());
      attribute->set_value(e, value);
    }
  }
}

template <typename S>
void write_typed(AttributeManager& manager, const std::string& name, const py::array& values,
                 index_t nb_elements) {
  const auto typed = py::array_t<S, py::array::c_style | py::array::forcecast>::ensure(values);
  if (!typed) throw py::error_already_set();
  const auto columns = typed.ndim() == 1 ? 1 : typed.shape(1);
  const auto* data = typed.data();
  call_without_gil([&] {
    switch (columns) {
      case 1:
        return store_values<S>(manager, name, data, nb_elements);
      case 2:
        return store_values<std::array<S, 2>>(manager, name, data, nb_elements);
      case 3:
        return store_values<std::array<S, 3>>(manager, name, data, nb_elements);
      case 4:
        return store_values<std::array<S, 4>>(manager, name, data, nb_elements);
      case 6:
        return store_values<std::array<S, 6>>(manager, name, data, nb_elements);
      case 9:
        return store_values<std::array<S, 9>>(manager, name, data, nb_elements);
      default:
        throw py::value_error(str_cat("attribute \"", name, "\": ", columns,
                                      " columns; an attribute has 1, 2, 3, 4, 6 or 9"));
    }
  });
}

void write_attribute(AttributeManager& manager, const std::string& name,
                     const py::handle& values_object) {
  const auto values = py::array::ensure(values_object);
  if (!values) throw py::type_error("expected an array");
  const auto nb_elements = manager.nb_elements();
  if (values.ndim() < 1 || values.ndim() > 2 ||
      values.shape(0) != static_cast<py::ssize_t>(nb_elements)) {
    throw py::value_error(str_cat("attribute \"", name, "\": expected ", nb_elements,
                                  " rows (one per element), of one or more values"));
  }
  const auto kind = values.dtype().kind();
  const auto size = values.dtype().itemsize();
  if (kind == 'b') return write_typed<bool>(manager, name, values, nb_elements);
  if (kind == 'i') {
    if (size == 1) return write_typed<std::int8_t>(manager, name, values, nb_elements);
    if (size == 2) return write_typed<std::int16_t>(manager, name, values, nb_elements);
    if (size == 4) return write_typed<std::int32_t>(manager, name, values, nb_elements);
    if (size == 8) return write_typed<long>(manager, name, values, nb_elements);
  }
  if (kind == 'u') {
    if (size == 1) return write_typed<std::uint8_t>(manager, name, values, nb_elements);
    if (size == 2) return write_typed<std::uint16_t>(manager, name, values, nb_elements);
    if (size == 4) return write_typed<std::uint32_t>(manager, name, values, nb_elements);
    if (size == 8) return write_typed<unsigned long>(manager, name, values, nb_elements);
  }
  if (kind == 'f') {
    if (size == 4) return write_typed<float>(manager, name, values, nb_elements);
    if (size == 8) return write_typed<double>(manager, name, values, nb_elements);
  }
  throw py::type_error(str_cat("attribute \"", name, "\": values of dtype ",
                               std::string{py::str(values.dtype())},
                               " cannot be stored (bool, integers, float32 and float64 can)"));
}

}  // namespace

void bind_mesh_attributes(py::module_& module) {
  py::class_<AttributeTable>(module, "AttributeTable", R"(The attributes of one kind of mesh element, as a mapping from names to numpy arrays.

table[name] is a new array (a copy) of one row per element, in the attribute's own value type
(bool, integers, float32, float64; an attribute of fixed-size arrays or points gives one column
per item). table[name] = array stores one value per element: a 1-D array gives a scalar
attribute, an (n, k) array an attribute of k items (k in 1, 2, 3, 4, 6, 9); an attribute of the
same name and another value type is replaced. Tables of a component's mesh change the model's
mesh.)")
      .def(
          "keys",
          [](const AttributeTable& self) { return self.manager().attribute_names(); },
          "The attribute names, sorted.")
      .def(
          "__iter__",
          [](const AttributeTable& self) {
            return py::iter(py::cast(self.manager().attribute_names()));
          },
          "Iterates over the sorted names.")
      .def(
          "__len__",
          [](const AttributeTable& self) { return self.manager().attribute_names().size(); },
          "Number of attributes.")
      .def(
          "__contains__",
          [](const AttributeTable& self, const std::string& name) {
            return self.manager().attribute_exists(name);
          },
          "Whether an attribute has this name.")
      .def(
          "__getitem__",
          [](const AttributeTable& self, const std::string& name) {
            auto& manager = self.manager();
            const auto attribute = manager.find_generic_attribute(name);
            if (!attribute) throw py::key_error(name);
            return read_attribute(*attribute, manager.nb_elements());
          },
          py::arg("name"), "The attribute's values as a new numpy array; KeyError when absent.")
      .def(
          "__setitem__",
          [](const AttributeTable& self, const std::string& name, const py::handle& values) {
            write_attribute(self.manager(), name, values);
          },
          py::arg("name"), py::arg("values"), "Stores one value per element (see the class).")
      .def(
          "__delitem__",
          [](const AttributeTable& self, const std::string& name) {
            auto& manager = self.manager();
            if (!manager.attribute_exists(name)) throw py::key_error(name);
            manager.delete_attribute(name);
          },
          py::arg("name"), "Removes the attribute; KeyError when absent.")
      .def_property_readonly(
          "nb_elements", [](const AttributeTable& self) { return self.manager().nb_elements(); },
          "Number of elements, so of rows in every array.")
      .def("__repr__", [](const AttributeTable& self) {
        std::string names;
        for (const auto& name : self.manager().attribute_names()) {
          names += names.empty() ? name : ", " + name;
        }
        return str_cat("<veyra.AttributeTable of ", self.elements, ": ", names, ">");
      });
}

}  // namespace veyra::python
