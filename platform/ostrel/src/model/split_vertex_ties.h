// SPDX-License-Identifier: MIT
// tie_split_vertices: ties the vertices a fan split created to the unique vertex of the vertex
// they came from. Shared by the model repairs and the splits along borders. Not installed.
#pragma once

#include <ostrel/basic/component_id.h>
#include <ostrel/basic/generic_mapping.h>
#include <ostrel/model/vertex_identifier.h>

namespace veyra::internal {

/// For each split vertex (in the mapping's order) and each of its new vertices (in order), ties
/// the new vertex to the split vertex's unique vertex when it has one, then calls
/// on_split(split vertex, new vertex).
template <typename Builder, typename OnSplit>
void tie_split_vertices(const VertexIdentifier& identifier, Builder& builder,
                        const ComponentID& component, const GenericMapping<index_t>& new_vertices,
                        OnSplit&& on_split) {
  for (const auto& [vertex, copies] : new_vertices.in2out_map()) {
    const auto unique_vertex = identifier.unique_vertex({component, vertex});
    for (const auto copy : copies) {
      if (unique_vertex != NO_ID) builder.set_unique_vertex({component, copy}, unique_vertex);
      on_split(vertex, copy);
    }
  }
}

template <typename Builder>
void tie_split_vertices(const VertexIdentifier& identifier, Builder& builder,
                        const ComponentID& component, const GenericMapping<index_t>& new_vertices) {
  tie_split_vertices(identifier, builder, component, new_vertices, [](index_t, index_t) {});
}

}  // namespace veyra::internal
