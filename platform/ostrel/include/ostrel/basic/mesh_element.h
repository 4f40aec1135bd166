// SPDX-License-Identifier: MIT
// MeshVertex and MeshElement: (component or mesh id, index) pairs, the values of the library's
// vertex and element mappings.
#pragma once

#include <compare>
#include <string>
#include <utility>

#include <absl/strings/str_cat.h>

#include <ostrel/basic/common.h>
#include <ostrel/basic/uuid.h>

namespace veyra {

struct MeshVertex {
  MeshVertex() = default;
  MeshVertex(const uuid& id, index_t mesh_vertex) : component_id(id), vertex(mesh_vertex) {}

  std::string string() const { return absl::StrCat(component_id.string(), " ", vertex); }

  friend bool operator==(const MeshVertex&, const MeshVertex&) = default;
  friend auto operator<=>(const MeshVertex&, const MeshVertex&) = default;
  template <typename H>
  friend H AbslHashValue(H h, const MeshVertex& mesh_vertex) {
    return H::combine(std::move(h), mesh_vertex.component_id, mesh_vertex.vertex);
  }

  uuid component_id;
  index_t vertex{NO_ID};
};

struct MeshElement {
  MeshElement() = default;
  MeshElement(const uuid& id, index_t mesh_element) : component_id(id), element(mesh_element) {}

  std::string string() const { return absl::StrCat(component_id.string(), " ", element); }

  friend bool operator==(const MeshElement&, const MeshElement&) = default;
  friend auto operator<=>(const MeshElement&, const MeshElement&) = default;
  template <typename H>
  friend H AbslHashValue(H h, const MeshElement& mesh_element) {
    return H::combine(std::move(h), mesh_element.component_id, mesh_element.element);
  }

  uuid component_id;
  index_t element{NO_ID};
};

}  // namespace veyra
