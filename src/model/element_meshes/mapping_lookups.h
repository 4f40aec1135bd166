// SPDX-License-Identifier: MIT
// Lookups that read a missing key as "nothing": the values of a GenericMapping key or the keys of
// a value, empty when absent, and the unique vertex of a component vertex from its tie span.
#pragma once

#include <absl/types/span.h>
#include <ostrel/basic/common.h>
#include <ostrel/basic/generic_mapping.h>

namespace veyra::internal {

/// The values of `in`, none when it is no key.
template <typename T1, typename T2>
const typename GenericMapping<T1, T2>::template Values<T2>& outputs(
    const GenericMapping<T1, T2>& mapping, const T1& in) {
  static const typename GenericMapping<T1, T2>::template Values<T2> none;
  const auto found = mapping.in2out_map().find(in);
  return found == mapping.in2out_map().end() ? none : found->second;
}

/// The keys of `out`, none when it is no value.
template <typename T1, typename T2>
const typename GenericMapping<T1, T2>::template Values<T1>& inputs(
    const GenericMapping<T1, T2>& mapping, const T2& out) {
  static const typename GenericMapping<T1, T2>::template Values<T1> none;
  const auto found = mapping.out2in_map().find(out);
  return found == mapping.out2in_map().end() ? none : found->second;
}

/// Entry `vertex` of a component's unique vertex span
/// (VertexIdentifier::component_unique_vertices), NO_ID beyond its end.
inline index_t unique_vertex_at(absl::Span<const index_t> unique_vertices, index_t vertex) {
  return vertex < unique_vertices.size() ? unique_vertices[vertex] : NO_ID;
}

}  // namespace veyra::internal
