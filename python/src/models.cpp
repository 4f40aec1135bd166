// SPDX-License-Identifier: MIT
// The model classes BRep and Section and the Component class: files, components in model order,
// relationships and unique vertices.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include <ostrel/basic/str_cat.h>
#include <ostrel/model/io/brep_io.h>
#include <ostrel/model/io/section_io.h>
#include <ostrel/model/io/write_vtm.h>

#include "meshes.h"
#include "models.h"

namespace veyra::python {
namespace {

/// The component, collection or model boundary `id` of the model, or nullptr.
template <typename Model>
const Component<Model::dim>* find_component(const Model& model, const ComponentID& id) {
  const auto& type = id.type().get();
  const auto& uid = id.id();
  if (type == "Corner") return model.has_corner(uid) ? &model.corner(uid) : nullptr;
  if (type == "Line") return model.has_line(uid) ? &model.line(uid) : nullptr;
  if (type == "Surface") return model.has_surface(uid) ? &model.surface(uid) : nullptr;
  if (type == "ModelBoundary") {
    return model.has_model_boundary(uid) ? &model.model_boundary(uid) : nullptr;
  }
  if (type == "CornerCollection") {
    return model.has_corner_collection(uid) ? &model.corner_collection(uid) : nullptr;
  }
  if (type == "LineCollection") {
    return model.has_line_collection(uid) ? &model.line_collection(uid) : nullptr;
  }
  if (type == "SurfaceCollection") {
    return model.has_surface_collection(uid) ? &model.surface_collection(uid) : nullptr;
  }
  if constexpr (std::is_same_v<Model, BRep>) {
    if (type == "Block") return model.has_block(uid) ? &model.block(uid) : nullptr;
    if (type == "BlockCollection") {
      return model.has_block_collection(uid) ? &model.block_collection(uid) : nullptr;
    }
  }
  return nullptr;
}

template <typename Visitor>
decltype(auto) visit_model(const ModelPointer& model, Visitor&& visitor) {
  return std::visit([&](const auto& pointer) -> decltype(auto) { return visitor(*pointer); },
                    model);
}

/// Calls visitor(component) with the component as its base class.
/// \throw ComponentGone when the model no longer has it.
template <typename Visitor>
decltype(auto) visit_component(const ComponentRef& ref, Visitor&& visitor) {
  return visit_model(ref.model, [&](const auto& model) -> decltype(auto) {
    const auto* component = find_component(model, ref.id);
    if (component == nullptr) {
      throw ComponentGone{"the model no longer has " + ref.id.string()};
    }
    return visitor(*component);
  });
}

template <typename Mesh, typename Model, typename Find>
MeshHandle<Mesh> view(const std::shared_ptr<Model>& model, const ComponentID& id, Find find) {
  return MeshHandle<Mesh>{[model, uid = id.id(), find]() -> const Mesh* { return find(*model, uid); },
                          id.string()};
}

template <typename Model>
py::object component_mesh(const std::shared_ptr<Model>& model, const ComponentID& id) {
  constexpr auto D = Model::dim;
  const auto& type = id.type().get();
  if (type == "Corner") {
    return py::cast(PyPointSet{view<PointSet<D>>(model, id, [](const Model& m, const uuid& u) {
      return m.has_corner(u) ? &m.corner(u).mesh() : nullptr;
    })});
  }
  if (type == "Line") {
    return py::cast(PyEdgedCurve{view<EdgedCurve<D>>(model, id, [](const Model& m, const uuid& u) {
      return m.has_line(u) ? &m.line(u).mesh() : nullptr;
    })});
  }
  if (type == "Surface") {
    return py::cast(PySurfaceMesh{view<SurfaceMesh<D>>(model, id, [](const Model& m, const uuid& u) {
      return m.has_surface(u) ? &m.surface(u).mesh() : nullptr;
    })});
  }
  if constexpr (std::is_same_v<Model, BRep>) {
    if (type == "Block") {
      return py::cast(PySolidMesh{view<SolidMesh<3>>(model, id, [](const BRep& m, const uuid& u) {
        return m.has_block(u) ? &m.block(u).mesh() : nullptr;
      })});
    }
  }
  return py::none();
}

template <typename Model>
ComponentRef ref(const std::shared_ptr<Model>& model, ComponentID id) {
  return ComponentRef{ModelPointer{model}, std::move(id)};
}

template <typename Model, typename Range>
std::vector<ComponentRef> components_of(const std::shared_ptr<Model>& model, Range range) {
  std::vector<ComponentRef> result;
  for (const auto& component : range) result.push_back(ref(model, component.component_id()));
  return result;
}

template <typename Model>
std::vector<ComponentRef> related(const std::shared_ptr<Model>& model,
                                  Relationships::RelationRange range) {
  std::vector<ComponentRef> result;
  for (const auto& id : range) result.push_back(ref(model, id));
  return result;
}

const ComponentRef& component_argument(const py::handle& value) {
  if (!py::isinstance<ComponentRef>(value)) throw py::type_error("expected a Component");
  return value.cast<const ComponentRef&>();
}

/// The component as a ComponentID of this model.
template <typename Model>
const ComponentID& own_component(const std::shared_ptr<Model>& model, const py::handle& value) {
  const auto& component = component_argument(value);
  const auto* owner = std::get_if<std::shared_ptr<Model>>(&component.model);
  if (owner == nullptr || owner->get() != model.get()) {
    throw py::value_error("the component belongs to another model");
  }
  return component.id;
}

/// The vertex count of the component's mesh.
template <typename Model>
index_t mesh_vertex_count(const Model& model, const ComponentID& id) {
  const auto& type = id.type().get();
  const auto& uid = id.id();
  if (type == "Corner" && model.has_corner(uid)) return model.corner(uid).mesh().nb_vertices();
  if (type == "Line" && model.has_line(uid)) return model.line(uid).mesh().nb_vertices();
  if (type == "Surface" && model.has_surface(uid)) return model.surface(uid).mesh().nb_vertices();
  if constexpr (std::is_same_v<Model, BRep>) {
    if (type == "Block" && model.has_block(uid)) return model.block(uid).mesh().nb_vertices();
  }
  throw py::value_error(str_cat(id.string(), " is no meshed component of the model"));
}

std::string relation_name(RelationType type) {
  switch (type) {
    case RelationType::boundary:
      return "boundary";
    case RelationType::internal:
      return "internal";
    default:
      return "item";
  }
}

template <typename Model>
std::vector<std::string> model_file(const Model& model, const std::string& path) {
  if constexpr (std::is_same_v<Model, BRep>) {
    return save_brep(model, path);
  } else {
    return save_section(model, path);
  }
}

template <typename Model>
Model load_model(const std::string& path) {
  if constexpr (std::is_same_v<Model, BRep>) {
    return load_brep(path);
  } else {
    return load_section(path);
  }
}

template <typename Model>
std::string counts_text(const Model& model) {
  std::string blocks;
  if constexpr (std::is_same_v<Model, BRep>) blocks = str_cat(", ", model.nb_blocks(), " blocks");
  return str_cat(model.nb_corners(), " corners, ", model.nb_lines(), " lines, ",
                 model.nb_surfaces(), " surfaces", blocks, ", ", model.nb_model_boundaries(),
                 " model boundaries");
}

template <typename Model>
void bind_model(py::module_& module, const char* name, const char* doc, const char* extension) {
  using Pointer = std::shared_ptr<Model>;
  py::class_<Model, Pointer> model(module, name, doc);
  model
      .def(py::init([] { return std::make_shared<Model>(); }), "An empty model.")
      .def_static(
          "load",
          [](const std::string& path) {
            return share_model(call_without_gil([&] { return load_model<Model>(path); }));
          },
          py::arg("path"),
          str_cat("Reads a model saved by save (a \"", extension,
                  "\" file). Raises VeyraError (type \"input\") for a missing, truncated or "
                  "corrupted file.")
              .c_str())
      .def(
          "save",
          [](const Pointer& self, const std::string& path) {
            return call_without_gil([&] { return model_file(*self, path); });
          },
          py::arg("path"),
          str_cat("Writes the whole model (components, relationships, unique vertices, meshes "
                  "with their attributes) to a \"",
                  extension, "\" file; returns the files written.")
              .c_str())
      .def(
          "write_vtm",
          [](const Pointer& self, const std::string& path, bool binary) {
            MeshWriteOptions options;
            options.binary = binary;
            return call_without_gil([&] { return write_vtm(*self, path, options); });
          },
          py::arg("path"), py::arg("binary") = true,
          "Writes the model for ParaView: a .vtm multiblock file with one data set per component\n"
          "(Corners, Lines, Surfaces, Blocks) in the folder of the same name beside it; returns\n"
          "the files written, the .vtm last.")
      .def_property_readonly(
          "id", [](const Pointer& self) { return self->id().string(); }, "The model's id.")
      .def_property_readonly(
          "name",
          [](const Pointer& self) -> std::optional<std::string> {
            const auto name = self->name();
            if (!name) return std::nullopt;
            return std::string{*name};
          },
          "The model's name, or None.")
      .def_property_readonly(
          "corners",
          [](const Pointer& self) { return components_of(self, self->corners()); },
          "The corners, in model order, as a new list of Components.")
      .def_property_readonly(
          "lines", [](const Pointer& self) { return components_of(self, self->lines()); },
          "The lines, in model order.")
      .def_property_readonly(
          "surfaces", [](const Pointer& self) { return components_of(self, self->surfaces()); },
          "The surfaces, in model order.")
      .def_property_readonly(
          "model_boundaries",
          [](const Pointer& self) { return components_of(self, self->model_boundaries()); },
          "The model boundaries, in model order.")
      .def_property_readonly(
          "corner_collections",
          [](const Pointer& self) { return components_of(self, self->corner_collections()); },
          "The corner collections, in model order.")
      .def_property_readonly(
          "line_collections",
          [](const Pointer& self) { return components_of(self, self->line_collections()); },
          "The line collections, in model order.")
      .def_property_readonly(
          "surface_collections",
          [](const Pointer& self) { return components_of(self, self->surface_collections()); },
          "The surface collections, in model order.")
      .def(
          "component",
          [](const Pointer& self, const std::string& type, const py::handle& id) {
            ComponentID component{ComponentType{type}, to_uuid(id)};
            if (find_component(*self, component) == nullptr) {
              throw py::key_error(component.string());
            }
            return ref(self, std::move(component));
          },
          py::arg("type"), py::arg("id"),
          "The component of this type (\"Corner\", \"Line\", \"Surface\", \"Block\",\n"
          "\"ModelBoundary\" or a collection type) and id; KeyError when absent.")
      .def(
          "boundaries",
          [](const Pointer& self, const py::handle& c) {
            return related(self, self->boundaries(to_uuid(c)));
          },
          py::arg("component"),
          "The components bounding the component (corners of a line, lines of a surface,\n"
          "surfaces of a block), in the order the relations were made.")
      .def(
          "incidences",
          [](const Pointer& self, const py::handle& c) {
            return related(self, self->incidences(to_uuid(c)));
          },
          py::arg("component"), "The components the component bounds.")
      .def(
          "internals",
          [](const Pointer& self, const py::handle& c) {
            return related(self, self->internals(to_uuid(c)));
          },
          py::arg("component"), "The components inside the component (internal relations).")
      .def(
          "embeddings",
          [](const Pointer& self, const py::handle& c) {
            return related(self, self->embeddings(to_uuid(c)));
          },
          py::arg("component"), "The components the component is internal to.")
      .def(
          "items",
          [](const Pointer& self, const py::handle& c) {
            return related(self, self->items(to_uuid(c)));
          },
          py::arg("collection"), "The items of a collection or model boundary.")
      .def(
          "collections",
          [](const Pointer& self, const py::handle& c) {
            return related(self, self->collections(to_uuid(c)));
          },
          py::arg("component"),
          "The collections and model boundaries the component is an item of.")
      .def(
          "relations",
          [](const Pointer& self) {
            py::list result;
            for (const auto& relation : self->relations()) {
              result.append(py::make_tuple(ref(self, relation.from), ref(self, relation.to),
                                           relation_name(relation.type)));
            }
            return result;
          },
          "Every relation as a (from, to, kind) tuple, kind being \"boundary\" (from bounds to),\n"
          "\"internal\" (from is inside to) or \"item\" (from is an item of to), in the order\n"
          "the relations were made.")
      .def_property_readonly(
          "nb_unique_vertices", [](const Pointer& self) { return self->nb_unique_vertices(); },
          "Number of unique vertices: the points where component mesh vertices are tied.")
      .def(
          "unique_vertex",
          [](const Pointer& self, const py::handle& component,
             index_t vertex) -> std::optional<index_t> {
            const auto& id = own_component(self, component);
            const auto unique = self->unique_vertex(ComponentMeshVertex{id, vertex});
            if (unique == NO_ID) return std::nullopt;
            return unique;
          },
          py::arg("component"), py::arg("vertex"),
          "The unique vertex the component's mesh vertex is tied to, or None.")
      .def(
          "component_unique_vertices",
          [](const Pointer& self, const py::handle& component) {
            const auto& id = own_component(self, component);
            const auto nb_vertices = mesh_vertex_count(*self, id);
            const auto ties = self->component_unique_vertices(id.id());
            std::vector<index_t> result(nb_vertices, NO_ID);
            std::copy_n(ties.begin(), std::min<std::size_t>(ties.size(), nb_vertices),
                        result.begin());
            return to_numpy(std::move(result));
          },
          py::arg("component"),
          "The unique vertex of every vertex of the component's mesh as a new uint32 array\n"
          "(NO_ID for a vertex tied to none).")
      .def(
          "component_mesh_vertices",
          [](const Pointer& self, index_t unique_vertex) {
            if (unique_vertex >= self->nb_unique_vertices()) {
              throw py::index_error(str_cat("no unique vertex ", unique_vertex));
            }
            py::list result;
            for (const auto tie : self->component_mesh_vertices(unique_vertex)) {
              result.append(py::make_tuple(ref(self, tie.component_id), tie.vertex));
            }
            return result;
          },
          py::arg("unique_vertex"),
          "The component mesh vertices tied to the unique vertex, as (Component, vertex) tuples\n"
          "in the order they were tied.")
      .def("__repr__", [name](const Pointer& self) {
        return str_cat("<veyra.", name, " ", counts_text(*self), ">");
      });
  if constexpr (std::is_same_v<Model, BRep>) {
    model
        .def_property_readonly(
            "blocks", [](const Pointer& self) { return components_of(self, self->blocks()); },
            "The blocks, in model order.")
        .def_property_readonly(
            "block_collections",
            [](const Pointer& self) { return components_of(self, self->block_collections()); },
            "The block collections, in model order.");
  }
}

}  // namespace

const Block<3>& block_of(const ComponentRef& component) {
  const auto* brep = std::get_if<std::shared_ptr<BRep>>(&component.model);
  if (brep == nullptr || component.id.type().get() != "Block") {
    throw py::value_error("expected a block of a BRep");
  }
  if (!(*brep)->has_block(component.id.id())) {
    throw ComponentGone{"the model no longer has " + component.id.string()};
  }
  return (*brep)->block(component.id.id());
}

const Surface<3>& brep_surface_of(const ComponentRef& component) {
  const auto* brep = std::get_if<std::shared_ptr<BRep>>(&component.model);
  if (brep == nullptr || component.id.type().get() != "Surface") {
    throw py::value_error("expected a surface of a BRep");
  }
  if (!(*brep)->has_surface(component.id.id())) {
    throw ComponentGone{"the model no longer has " + component.id.string()};
  }
  return (*brep)->surface(component.id.id());
}

void bind_models(py::module_& module) {
  py::class_<ComponentRef>(module, "Component", R"(One component of a model: a corner, line, surface,
block, model boundary or collection. It refers to the model (and keeps it alive); its name, flag
and mesh are read from the model each time, and an attribute of a component the model no longer
has raises ReferenceError.)")
      .def_property_readonly(
          "id", [](const ComponentRef& self) { return self.id.id().string(); },
          "The component's id, as text.")
      .def_property_readonly(
          "type", [](const ComponentRef& self) { return self.id.type().get(); },
          "\"Corner\", \"Line\", \"Surface\", \"Block\", \"ModelBoundary\" or a collection type.")
      .def_property_readonly(
          "name",
          [](const ComponentRef& self) {
            return visit_component(self, [](const auto& component) -> std::optional<std::string> {
              const auto name = component.name();
              if (!name) return std::nullopt;
              return std::string{*name};
            });
          },
          "The component's name, or None.")
      .def_property_readonly(
          "active",
          [](const ComponentRef& self) {
            return visit_component(self, [](const auto& component) { return component.is_active(); });
          },
          "False when a builder deactivated the component.")
      .def_property_readonly(
          "mesh",
          [](const ComponentRef& self) {
            visit_component(self, [](const auto&) { return 0; });
            return std::visit([&](const auto& model) { return component_mesh(model, self.id); },
                              self.model);
          },
          "The component's mesh as a view: a live, read-only mesh object (attributes excepted)\n"
          "that reads the model's mesh each time, without copying it; its arrays (points,\n"
          "polygons...) are copies. mesh.copy() gives a mesh of its own. None for collections and\n"
          "model boundaries.")
      .def_property_readonly(
          "model",
          [](const ComponentRef& self) {
            return std::visit([](const auto& model) { return py::cast(model); }, self.model);
          },
          "The model the component belongs to.")
      .def(
          "__eq__",
          [](const ComponentRef& self, const py::object& other) {
            if (!py::isinstance<ComponentRef>(other)) return false;
            const auto& that = other.cast<const ComponentRef&>();
            return self.id == that.id && self.model.index() == that.model.index() &&
                   std::visit(
                       [&](const auto& model) {
                         using Pointer = std::decay_t<decltype(model)>;
                         return std::get<Pointer>(that.model).get() == model.get();
                       },
                       self.model);
          },
          "Same model, type and id.")
      .def(
          "__hash__",
          [](const ComponentRef& self) { return py::hash(py::str(self.id.string())); },
          "Hash of the type and id.")
      .def("__repr__", [](const ComponentRef& self) {
        return str_cat("<veyra.Component ", self.id.string(), ">");
      });

  bind_model<BRep>(module, "BRep", R"(A 3D boundary representation: corners, lines, surfaces and
blocks, with model boundaries, collections, relationships and unique vertices.

Models come from the operations (convert_meshes_into_brep...) or from BRep.load. Components are
listed in model order as Component objects; their meshes are views into the model.)",
                   ".tq_brep");
  bind_model<Section>(module, "Section", R"(A 2D model: corners, lines and surfaces, with model
boundaries, collections, relationships and unique vertices.)",
                      ".tq_sctn");
}

}  // namespace veyra::python
