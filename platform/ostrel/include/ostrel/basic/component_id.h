// SPDX-License-Identifier: MIT
// ComponentType, ComponentID and ComponentMeshVertex: how a model names a component and one
// vertex of a component's mesh (the key of the unique vertices).
#pragma once

#include <compare>
#include <string>
#include <utility>

#include <absl/strings/str_cat.h>

#include <ostrel/basic/common.h>
#include <ostrel/basic/named_type.h>
#include <ostrel/basic/uuid.h>

namespace veyra {

/// "Corner", "Line", "Surface", "Block", "ModelBoundary" or a collection type name.
using ComponentType = NamedType<std::string, struct ComponentTypeTag>;

class ComponentID {
 public:
  ComponentID() = default;
  ComponentID(ComponentType type, uuid id) : type_(std::move(type)), id_(id) {}

  const ComponentType& type() const { return type_; }
  const uuid& id() const { return id_; }

  /// type + " " + id, for example "Line 0f1e...".
  std::string string() const { return absl::StrCat(type_.get(), " ", id_.string()); }

  friend bool operator==(const ComponentID&, const ComponentID&) = default;
  friend auto operator<=>(const ComponentID&, const ComponentID&) = default;
  template <typename H>
  friend H AbslHashValue(H h, const ComponentID& component) {
    return H::combine(std::move(h), component.type_, component.id_);
  }

 private:
  ComponentType type_;
  uuid id_;
};

struct ComponentMeshVertex {
  ComponentMeshVertex() = default;
  ComponentMeshVertex(ComponentID id, index_t mesh_vertex)
      : component_id(std::move(id)), vertex(mesh_vertex) {}

  /// ComponentID::string() + " " + vertex.
  std::string string() const { return absl::StrCat(component_id.string(), " ", vertex); }

  friend bool operator==(const ComponentMeshVertex&, const ComponentMeshVertex&) = default;
  friend auto operator<=>(const ComponentMeshVertex&, const ComponentMeshVertex&) = default;
  template <typename H>
  friend H AbslHashValue(H h, const ComponentMeshVertex& cmv) {
    return H::combine(std::move(h), cmv.component_id, cmv.vertex);
  }

  ComponentID component_id;
  index_t vertex{NO_ID};
};

}  // namespace veyra
