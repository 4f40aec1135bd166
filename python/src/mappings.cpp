// SPDX-License-Identifier: MIT
// The mappings the operations return, as Python objects: lookups from either side ("what did
// this input become", "where does this output come from") and dicts of numpy arrays.
#include <algorithm>
#include <string>
#include <vector>

#include <absl/container/flat_hash_map.h>

#include <ostrel/basic/generic_mapping.h>
#include <ostrel/basic/mesh_element.h>
#include <ostrel/basic/str_cat.h>

#include <model/common/mappings.h>

#include "bindings.h"

namespace veyra::python {
namespace {

/// The ids met while laying a mapping out as columns, numbered in order of appearance.
class IdCodes {
 public:
  index_t code(const uuid& id) {
    const auto [found, inserted] = codes_.try_emplace(id, static_cast<index_t>(ids_.size()));
    if (inserted) ids_.push_back(id);
    return found->second;
  }
  const std::vector<uuid>& ids() const { return ids_; }

 private:
  absl::flat_hash_map<uuid, index_t> codes_;
  std::vector<uuid> ids_;
};

/// One side of the mapping as columns.
struct Columns {
  std::vector<index_t> components;
  std::vector<index_t> indices;
};

/// How a mapping key is given from Python, returned to it, and laid out as columns.
template <typename T>
struct Key;

template <>
struct Key<index_t> {
  static constexpr bool has_component = false;
  static constexpr bool has_index = true;
  static constexpr const char* index_name = "";
  static index_t from_py(const py::handle& value) { return value.cast<index_t>(); }
  static py::object to_py(index_t value) { return py::int_(value); }
  static void add(Columns& columns, IdCodes&, index_t value) { columns.indices.push_back(value); }
};

template <>
struct Key<uuid> {
  static constexpr bool has_component = true;
  static constexpr bool has_index = false;
  static constexpr const char* index_name = "";
  static uuid from_py(const py::handle& value) { return to_uuid(value); }
  static py::object to_py(const uuid& value) { return py::str(value.string()); }
  static void add(Columns& columns, IdCodes& codes, const uuid& value) {
    columns.components.push_back(codes.code(value));
  }
};

template <typename T, const char* Name>
struct PairKey {
  static constexpr bool has_component = true;
  static constexpr bool has_index = true;
  static constexpr const char* index_name = Name;
  static T from_py(const py::handle& value) {
    if (!py::isinstance<py::sequence>(value) || py::len(value) != 2) {
      throw py::type_error("expected a (component or mesh id, index) pair");
    }
    const auto pair = py::reinterpret_borrow<py::sequence>(value);
    return T{to_uuid(pair[0]), pair[1].cast<index_t>()};
  }
  static void add(Columns& columns, IdCodes& codes, const T& value) {
    columns.components.push_back(codes.code(value.component_id));
    columns.indices.push_back(index_of(value));
  }
  static index_t index_of(const MeshElement& value) { return value.element; }
  static index_t index_of(const MeshVertex& value) { return value.vertex; }
  static py::object to_py(const T& value) {
    return py::make_tuple(value.component_id.string(), index_of(value));
  }
};

constexpr char element_name[] = "element";
constexpr char vertex_name[] = "vertex";

template <>
struct Key<MeshElement> : PairKey<MeshElement, element_name> {};
template <>
struct Key<MeshVertex> : PairKey<MeshVertex, vertex_name> {};

template <typename T>
void emit(py::dict& result, const std::string& side, Columns&& columns) {
  if constexpr (Key<T>::has_component) {
    result[py::str(side + "_component")] = to_numpy(std::move(columns.components));
    if constexpr (Key<T>::has_index) {
      result[py::str(side + "_" + Key<T>::index_name)] = to_numpy(std::move(columns.indices));
    }
  } else {
    result[py::str(side)] = to_numpy(std::move(columns.indices));
  }
}

template <typename T1, typename T2>
py::dict mapping_dict(const GenericMapping<T1, T2>& mapping) {
  IdCodes codes;
  Columns inputs;
  Columns outputs;
  for (const auto& [in, outs] : mapping.in2out_map()) {
    for (const auto& out : outs) {
      Key<T1>::add(inputs, codes, in);
      Key<T2>::add(outputs, codes, out);
    }
  }
  py::dict result;
  emit<T1>(result, "in", std::move(inputs));
  emit<T2>(result, "out", std::move(outputs));
  if constexpr (Key<T1>::has_component || Key<T2>::has_component) {
    result["components"] = uuid_array(codes.ids());
  }
  return result;
}

template <typename Values>
py::list values_list(const Values& values) {
  py::list result;
  for (const auto& value : values) result.append(Key<typename Values::value_type>::to_py(value));
  return result;
}

template <typename T1, typename T2>
void bind_generic_mapping(py::module_& module, const char* name, const char* doc) {
  using Mapping = GenericMapping<T1, T2>;
  py::class_<Mapping>(module, name, doc)
      .def(
          "in2out",
          [](const Mapping& self, const py::handle& value) {
            const auto in = Key<T1>::from_py(value);
            if (!self.has_mapping_input(in)) throw py::key_error(std::string{py::str(value)});
            return values_list(self.in2out(in));
          },
          py::arg("input"),
          "What the input became: the outputs it maps to, in the order they were mapped.\n"
          "KeyError when the mapping does not know the input.")
      .def(
          "out2in",
          [](const Mapping& self, const py::handle& value) {
            const auto out = Key<T2>::from_py(value);
            if (!self.has_mapping_output(out)) throw py::key_error(std::string{py::str(value)});
            return values_list(self.out2in(out));
          },
          py::arg("output"),
          "Where the output comes from: the inputs that map to it. KeyError when the mapping\n"
          "does not know the output.")
      .def(
          "has_input",
          [](const Mapping& self, const py::handle& value) {
            return self.has_mapping_input(Key<T1>::from_py(value));
          },
          py::arg("input"), "Whether the input maps to something.")
      .def(
          "has_output",
          [](const Mapping& self, const py::handle& value) {
            return self.has_mapping_output(Key<T2>::from_py(value));
          },
          py::arg("output"), "Whether something maps to the output.")
      .def(
          "inputs",
          [](const Mapping& self) {
            py::list result;
            for (const auto& entry : self.in2out_map()) result.append(Key<T1>::to_py(entry.first));
            return result;
          },
          "The inputs, in the order they were first mapped.")
      .def(
          "outputs",
          [](const Mapping& self) {
            py::list result;
            for (const auto& entry : self.out2in_map()) result.append(Key<T2>::to_py(entry.first));
            return result;
          },
          "The outputs, in the order they were first mapped.")
      .def_property_readonly("size_in", &Mapping::size_in, "Number of inputs.")
      .def_property_readonly("size_out", &Mapping::size_out, "Number of outputs.")
      .def("__len__", &Mapping::size_in, "Number of inputs.")
      .def("to_dict", &mapping_dict<T1, T2>,
           "Every (input, output) pair as columns of new numpy arrays, one row per pair, inputs in\n"
           "mapping order: index sides give \"in\" / \"out\" (uint32); id sides give\n"
           "\"in_component\" / \"out_component\", uint32 positions in \"components\" (an array of\n"
           "the ids' texts), with \"in_element\" / \"out_element\" or \"in_vertex\" /\n"
           "\"out_vertex\" for mesh element and vertex pairs.")
      .def("__repr__", [name](const Mapping& self) {
        return str_cat("<veyra.", name, " ", self.size_in(), " inputs, ", self.size_out(),
                       " outputs>");
      });
}

py::dict ids_by_type(const ModelMapping<std::vector<uuid>>& mapping) {
  std::vector<std::string> types;
  for (const auto& [type, ids] : mapping) types.push_back(type.get());
  std::sort(types.begin(), types.end());
  py::dict result;
  for (const auto& type : types) {
    py::list ids;
    for (const auto& id : mapping.at(ComponentType{type})) ids.append(id.string());
    result[py::str(type)] = ids;
  }
  return result;
}

py::dict component_mappings(const py::object& owner, const ModelGenericMapping& mappings) {
  std::vector<std::string> types;
  for (const auto& [type, mapping] : mappings) types.push_back(type.get());
  std::sort(types.begin(), types.end());
  py::dict result;
  for (const auto& type : types) {
    result[py::str(type)] = py::cast(&mappings.at(ComponentType{type}),
                                     py::return_value_policy::reference_internal, owner);
  }
  return result;
}

template <typename Kinds>
py::dict kinds_dict(const Kinds& self) {
  py::dict result;
  result["corners"] = mapping_dict(self.corners);
  result["lines"] = mapping_dict(self.lines);
  result["surfaces"] = mapping_dict(self.surfaces);
  if constexpr (requires { self.blocks; }) result["blocks"] = mapping_dict(self.blocks);
  return result;
}

template <typename Derived>
void bind_kinds(py::module_& module, const char* name, const char* doc) {
  py::class_<Derived> kinds(module, name, doc);
  kinds
      .def_readonly("corners", &Derived::corners, "The mapping of corner mesh items.")
      .def_readonly("lines", &Derived::lines, "The mapping of line mesh items.")
      .def_readonly("surfaces", &Derived::surfaces, "The mapping of surface mesh items.")
      .def("to_dict", &kinds_dict<Derived>,
           "A dict of the mappings' to_dict(), by component kind.");
  if constexpr (requires(const Derived& value) { value.blocks; }) {
    kinds.def_readonly("blocks", &Derived::blocks, "The mapping of block mesh items.");
  }
}

template <typename Mappings>
void bind_topology_mappings(py::module_& module, const char* name, const char* doc) {
  py::class_<Mappings>(module, name, doc)
      .def_property_readonly(
          "component_mappings",
          [](const py::object& self) {
            return component_mappings(self, self.cast<const Mappings&>().component_mappings);
          },
          "A dict from component type to the ComponentMapping of the old components to the\n"
          "components that replaced them.")
      .def_property_readonly(
          "created_components",
          [](const Mappings& self) { return ids_by_type(self.created_components); },
          "A dict from component type to the ids of the components made from nothing old.")
      .def_property_readonly(
          "removed_components",
          [](const Mappings& self) { return ids_by_type(self.removed_components); },
          "A dict from component type to the ids of the components that are gone.")
      .def_property_readonly(
          "unchanged_components",
          [](const Mappings& self) { return ids_by_type(self.unchanged_components); },
          "A dict from component type to the ids of the components kept as they were (their\n"
          "vertices and elements keep their indices and are not in the mesh mappings).")
      .def_readonly("mesh_elements", &Mappings::mesh_elements,
                    "Where every old mesh element went (corner vertices, line edges, surface\n"
                    "polygons, block polyhedra), by component kind.")
      .def_readonly("mesh_vertices", &Mappings::mesh_vertices,
                    "Where every old mesh vertex went, by component kind.")
      .def(
          "to_dict",
          [](const py::object& self) {
            const auto& mappings = self.cast<const Mappings&>();
            py::dict result;
            py::dict components;
            for (const auto& [type, mapping] :
                 component_mappings(self, mappings.component_mappings)) {
              components[type] = mapping.attr("to_dict")();
            }
            result["component_mappings"] = components;
            result["created_components"] = ids_by_type(mappings.created_components);
            result["removed_components"] = ids_by_type(mappings.removed_components);
            result["unchanged_components"] = ids_by_type(mappings.unchanged_components);
            result["mesh_elements"] = kinds_dict(mappings.mesh_elements);
            result["mesh_vertices"] = kinds_dict(mappings.mesh_vertices);
            return result;
          },
          "Everything as nested dicts, mappings as their to_dict().");
}

}  // namespace

void bind_mappings(py::module_& module) {
  bind_generic_mapping<index_t, index_t>(
      module, "IndexMapping",
      "A one-to-many mapping between indices (for example, input mesh vertex to unique vertex).");
  bind_generic_mapping<uuid, uuid>(
      module, "ComponentMapping",
      "A one-to-many mapping between component ids (texts): old component to new ones.");
  bind_generic_mapping<MeshElement, MeshElement>(
      module, "ElementMapping",
      "A one-to-many mapping between mesh elements given as (component or mesh id, element)\n"
      "pairs.");
  bind_generic_mapping<MeshVertex, MeshVertex>(
      module, "VertexMapping",
      "A one-to-many mapping between mesh vertices given as (component or mesh id, vertex) "
      "pairs.");
  bind_generic_mapping<index_t, MeshElement>(
      module, "IndexToElementMapping",
      "A one-to-many mapping from an element index of the input mesh to model mesh elements\n"
      "given as (component id, element) pairs.");

  bind_kinds<ModelMeshesElementMapping>(
      module, "MeshElementMappings",
      "ElementMappings by component kind: corners (vertices), lines (edges), surfaces (polygons).");
  bind_kinds<BRepMeshesElementMapping>(
      module, "BRepMeshElementMappings",
      "ElementMappings by component kind, with blocks (polyhedra).");
  bind_kinds<ModelMeshesVertexMapping>(module, "MeshVertexMappings",
                                                 "VertexMappings by component kind.");
  bind_kinds<BRepMeshesVertexMapping>(module, "BRepMeshVertexMappings",
                                            "VertexMappings by component kind, with blocks.");
  bind_kinds<IndexToModelMeshElementsMapping>(
      module, "IndexToMeshElementMappings",
      "IndexToElementMappings by component kind: what each element of the input mesh became\n"
      "in the corners (vertices), lines (edges) and surfaces (polygons).");
  bind_kinds<IndexToBRepMeshElementsMapping>(
      module, "IndexToBRepMeshElementMappings",
      "IndexToElementMappings by component kind, with blocks (polyhedra).");

  bind_topology_mappings<SectionMappings>(
      module, "SectionMappings",
      "What a topology update of a Section did: component mappings, created, removed and\n"
      "unchanged components, and where mesh elements and vertices went.");
  bind_topology_mappings<BRepMappings>(
      module, "BRepMappings",
      "What a topology update of a BRep did: component mappings, created, removed and unchanged\n"
      "components, and where mesh elements and vertices went.");
}

}  // namespace veyra::python
