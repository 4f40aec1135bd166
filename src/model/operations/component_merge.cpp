// SPDX-License-Identifier: MIT
#include <model/operations/component_merge.h>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>

#include <absl/container/flat_hash_set.h>

#include <ostrel/mesh/element_references.h>
#include <ostrel/model/brep.h>
#include <ostrel/model/canonical_cycle.h>
#include <ostrel/model/component_mesh_edges.h>
#include <ostrel/model/component_mesh_polygons.h>
#include <ostrel/model/relationships.h>
#include <ostrel/model/section.h>

namespace veyra::internal {
namespace {

// Element keys of the duplicate tests: a line edge is its pair of unique vertices, smaller
// first; a polygon is the canonical cycle of its unique vertices.
template <typename Model>
std::vector<std::uint64_t> element_keys(const Model& model, const Line<Model::dim>& line) {
  const auto nb_edges = line.mesh().nb_edges();
  std::vector<std::uint64_t> keys;
  keys.reserve(nb_edges);
  for (index_t edge = 0; edge < nb_edges; ++edge) {
    const auto ends = edge_unique_vertices(model, line, edge);
    const auto [low, high] = std::minmax(ends[0], ends[1]);
    keys.push_back((static_cast<std::uint64_t>(low) << 32) | high);
  }
  return keys;
}

template <typename Model>
std::vector<PolygonVertices> element_keys(const Model& model, const Surface<Model::dim>& surface) {
  const auto nb_polygons = surface.mesh().nb_polygons();
  std::vector<PolygonVertices> keys;
  keys.reserve(nb_polygons);
  for (index_t polygon = 0; polygon < nb_polygons; ++polygon) {
    auto cycle = polygon_unique_vertices(model, surface, polygon);
    make_canonical_cycle(cycle);
    keys.push_back(std::move(cycle));
  }
  return keys;
}

template <index_t D>
index_t nb_elements(const Line<D>& line) {
  return line.mesh().nb_edges();
}

template <index_t D>
index_t nb_elements(const Surface<D>& surface) {
  return surface.mesh().nb_polygons();
}

template <typename T>
void sort_unique(std::vector<T>& values) {
  std::sort(values.begin(), values.end());
  values.erase(std::unique(values.begin(), values.end()), values.end());
}

// The duplicate test is "same counts, and B's distinct unique vertices and elements are among
// A's". Comparing every pair of the range would be quadratic, so each component is filed under
// its smallest unique vertex: a B that passes the test against A has that vertex among A's, and
// looking up A's unique vertices yields every candidate. The element keys, the costly part, are
// computed only for candidates that pass the cheaper checks.
template <typename Model, typename ModelComponent>
class DuplicateFinder {
  using ElementKeys =
      decltype(element_keys(std::declval<const Model&>(), std::declval<const ModelComponent&>()));

 public:
  template <typename Range>
  DuplicateFinder(const Model& model, const Range& range) : model_(model) {
    for (const auto& component : range) components_.push_back(&component);
    const auto nb_components = static_cast<index_t>(components_.size());
    nb_vertices_.reserve(nb_components);
    nb_elements_.reserve(nb_components);
    vertex_offsets_.reserve(nb_components + 1);
    vertex_offsets_.push_back(0);
    for (index_t c = 0; c < nb_components; ++c) {
      const auto& component = *components_[c];
      const auto nb_vertices = component.mesh().nb_vertices();
      nb_vertices_.push_back(nb_vertices);
      nb_elements_.push_back(nb_elements(component));
      const auto tied = model.component_unique_vertices(component.id());
      const auto begin = unique_vertices_.size();
      for (index_t v = 0; v < nb_vertices; ++v) {
        unique_vertices_.push_back(v < tied.size() ? tied[v] : NO_ID);
      }
      const auto first = unique_vertices_.begin() + static_cast<std::ptrdiff_t>(begin);
      std::sort(first, unique_vertices_.end());
      unique_vertices_.erase(std::unique(first, unique_vertices_.end()), unique_vertices_.end());
      vertex_offsets_.push_back(unique_vertices_.size());
      const auto vertices = vertex_set(c);
      if (vertices.empty()) {
        vertexless_.push_back(c);
      } else {
        by_smallest_vertex_.emplace_back(vertices.front(), c);
      }
    }
    std::sort(by_smallest_vertex_.begin(), by_smallest_vertex_.end());
    element_keys_.resize(nb_components);
  }

  std::vector<std::vector<uuid>> groups() {
    const auto nb_components = static_cast<index_t>(components_.size());
    std::vector<bool> visited(nb_components, false);
    std::vector<std::vector<uuid>> result;
    std::vector<index_t> candidates;
    for (index_t a = 0; a < nb_components; ++a) {
      if (visited[a]) continue;
      visited[a] = true;
      collect_candidates(a, candidates);
      std::vector<uuid> group{components_[a]->id()};
      // Candidates in range order, as a walk of the whole range would meet them.
      for (const auto b : candidates) {
        if (visited[b] || !are_duplicates(a, b)) continue;
        visited[b] = true;
        group.push_back(components_[b]->id());
      }
      if (group.size() > 1) result.push_back(std::move(group));
    }
    return result;
  }

 private:
  absl::Span<const index_t> vertex_set(index_t c) const {
    return absl::MakeConstSpan(unique_vertices_)
        .subspan(vertex_offsets_[c], vertex_offsets_[c + 1] - vertex_offsets_[c]);
  }

  void collect_candidates(index_t a, std::vector<index_t>& candidates) const {
    candidates.clear();
    const auto vertices = vertex_set(a);
    if (vertices.empty()) {
      candidates = vertexless_;
      return;
    }
    for (const auto vertex : vertices) {
      auto entry = std::lower_bound(by_smallest_vertex_.begin(), by_smallest_vertex_.end(),
                                    std::pair<index_t, index_t>{vertex, 0});
      for (; entry != by_smallest_vertex_.end() && entry->first == vertex; ++entry) {
        if (entry->second != a) candidates.push_back(entry->second);
      }
    }
    std::sort(candidates.begin(), candidates.end());
  }

  const ElementKeys& keys(index_t c) {
    auto& keys = element_keys_[c];
    if (!keys) {
      keys = element_keys(model_, *components_[c]);
      sort_unique(*keys);
    }
    return *keys;
  }

  bool are_duplicates(index_t a, index_t b) {
    if (nb_vertices_[a] != nb_vertices_[b] || nb_elements_[a] != nb_elements_[b]) return false;
    const auto vertices_a = vertex_set(a);
    const auto vertices_b = vertex_set(b);
    if (!std::includes(vertices_a.begin(), vertices_a.end(), vertices_b.begin(),
                       vertices_b.end())) {
      return false;
    }
    const auto& keys_a = keys(a);
    const auto& keys_b = keys(b);
    return std::includes(keys_a.begin(), keys_a.end(), keys_b.begin(), keys_b.end());
  }

  const Model& model_;
  std::vector<const ModelComponent*> components_;
  std::vector<index_t> nb_vertices_;
  std::vector<index_t> nb_elements_;
  // Distinct unique vertices of each component, sorted, one slice per component.
  std::vector<index_t> unique_vertices_;
  std::vector<std::size_t> vertex_offsets_;
  // (smallest unique vertex, component) for every component with vertices, sorted.
  std::vector<std::pair<index_t, index_t>> by_smallest_vertex_;
  std::vector<index_t> vertexless_;
  std::vector<std::optional<ElementKeys>> element_keys_;
};

// The distinct names of the components in first-occurrence order joined by "_", or nothing when
// none has a name.
template <typename GetComponent>
std::optional<std::string> merged_name(absl::Span<const uuid> ids, GetComponent get_component) {
  std::vector<std::string_view> names;
  absl::flat_hash_set<std::string_view> seen;
  for (const auto& id : ids) {
    const auto name = get_component(id).name();
    if (name && seen.insert(*name).second) names.push_back(*name);
  }
  if (names.empty()) return std::nullopt;
  std::string joined;
  for (const auto name : names) {
    joined.append(name);
    joined.push_back('_');
  }
  joined.pop_back();
  return joined;
}

template <typename GetComponent>
bool all_active(absl::Span<const uuid> ids, GetComponent get_component) {
  return std::all_of(ids.begin(), ids.end(),
                     [&](const uuid& id) { return get_component(id).is_active(); });
}

template <typename T, typename IsOld>
void map_old_to_new(const T& old_item, const T& new_item, GenericMapping<T>& mapping,
                    const IsOld& is_old) {
  const auto& outputs = mapping.out2in_map();
  if (const auto found = outputs.find(old_item); found != outputs.end()) {
    // The old item was made during the run: its sources move on to the new item. They are
    // copied, since the moves below erase the entry read.
    const auto sources = found->second;
    for (const auto& source : sources) {
      mapping.unmap(source, old_item);
      mapping.map(source, new_item);
    }
    return;
  }
  if (is_old(old_item.component_id)) mapping.map(old_item, new_item);
}

}  // namespace

template <typename Model>
void transfer_relationships(const Model& model, typename Model::Builder& builder,
                            const Component<Model::dim>& old_component,
                            const Component<Model::dim>& new_component) {
  const Relationships& relationships = model;
  const auto& old_id = old_component.id();
  const auto& new_id = new_component.id();
  const auto new_component_id = new_component.component_id();
  // The related ids are copied first: adding relations may move the lists being read.
  const std::vector<ComponentID> embeddings{relationships.embeddings(old_id).begin(),
                                            relationships.embeddings(old_id).end()};
  for (const auto& embedding : embeddings) {
    if (relationships.is_internal(new_id, embedding.id())) continue;
    builder.add_internal_relation(new_component_id, embedding);
  }
  const std::vector<ComponentID> incidences{relationships.incidences(old_id).begin(),
                                            relationships.incidences(old_id).end()};
  for (const auto& incidence : incidences) {
    if (relationships.is_boundary(new_id, incidence.id())) continue;
    builder.add_boundary_relation(new_component_id, incidence);
  }
  const std::vector<ComponentID> collections{relationships.collections(old_id).begin(),
                                             relationships.collections(old_id).end()};
  for (const auto& collection : collections) {
    if (relationships.is_item(new_id, collection.id())) continue;
    builder.add_item_in_collection(new_component_id, collection);
  }
}

template <typename Model, typename Range>
std::vector<std::vector<uuid>> find_duplicated_components(const Model& model, const Range& range) {
  using ModelComponent = std::remove_cvref_t<decltype(*range.begin())>;
  return DuplicateFinder<Model, ModelComponent>{model, range}.groups();
}

template <typename Model>
void transfer_corner_metadata(const Model& model, typename Model::Builder& builder,
                              const uuid& new_id, absl::Span<const uuid> old_ids) {
  const auto corner = [&model](const uuid& id) -> const Corner<Model::dim>& {
    return model.corner(id);
  };
  if (auto name = merged_name(old_ids, corner)) builder.set_corner_name(new_id, *name);
  builder.set_corner_active(new_id, all_active(old_ids, corner));
}

template <typename Model>
void transfer_line_metadata(const Model& model, typename Model::Builder& builder,
                            const uuid& new_id, absl::Span<const uuid> old_ids) {
  const auto line = [&model](const uuid& id) -> const Line<Model::dim>& {
    return model.line(id);
  };
  if (auto name = merged_name(old_ids, line)) builder.set_line_name(new_id, *name);
  builder.set_line_active(new_id, all_active(old_ids, line));
}

template <typename Model>
void transfer_surface_metadata(const Model& model, typename Model::Builder& builder,
                               const uuid& new_id, absl::Span<const uuid> old_ids) {
  const auto surface = [&model](const uuid& id) -> const Surface<Model::dim>& {
    return model.surface(id);
  };
  if (auto name = merged_name(old_ids, surface)) builder.set_surface_name(new_id, *name);
  builder.set_surface_active(new_id, all_active(old_ids, surface));
}

void map_old_to_new_mesh_vertices(const MeshVertex& old_vertex, const MeshVertex& new_vertex,
                                  GenericMapping<MeshVertex>& mapping,
                                  absl::Span<const uuid> old_components) {
  map_old_to_new(old_vertex, new_vertex, mapping, [old_components](const uuid& component) {
    return std::find(old_components.begin(), old_components.end(), component) !=
           old_components.end();
  });
}

void map_old_to_new_mesh_vertices(const MeshVertex& old_vertex, const MeshVertex& new_vertex,
                                  GenericMapping<MeshVertex>& mapping,
                                  const absl::flat_hash_set<uuid>& old_components) {
  map_old_to_new(old_vertex, new_vertex, mapping,
                 [&old_components](const uuid& component) {
                   return old_components.contains(component);
                 });
}

void map_old_to_new_mesh_elements(const MeshElement& old_element, const MeshElement& new_element,
                                  GenericMapping<MeshElement>& mapping,
                                  absl::Span<const uuid> old_components) {
  map_old_to_new(old_element, new_element, mapping, [old_components](const uuid& component) {
    return std::find(old_components.begin(), old_components.end(), component) !=
           old_components.end();
  });
}

void map_old_to_new_mesh_elements(const MeshElement& old_element, const MeshElement& new_element,
                                  GenericMapping<MeshElement>& mapping,
                                  const absl::flat_hash_set<uuid>& old_components) {
  map_old_to_new(old_element, new_element, mapping,
                 [&old_components](const uuid& component) {
                   return old_components.contains(component);
                 });
}

#define VEYRA_INSTANTIATE_COMPONENT_MERGE(Model)                                                  \
  template void transfer_relationships<Model>(const Model&, Model::Builder&,                     \
                                              const Component<Model::dim>&,                      \
                                              const Component<Model::dim>&);                     \
  template std::vector<std::vector<uuid>> find_duplicated_components<Model, Model::LineRange>(  \
      const Model&, const Model::LineRange&);                                                    \
  template std::vector<std::vector<uuid>>                                                        \
  find_duplicated_components<Model, Model::SurfaceRange>(const Model&,                           \
                                                         const Model::SurfaceRange&);            \
  template void transfer_corner_metadata<Model>(const Model&, Model::Builder&, const uuid&,      \
                                                absl::Span<const uuid>);                         \
  template void transfer_line_metadata<Model>(const Model&, Model::Builder&, const uuid&,        \
                                              absl::Span<const uuid>);                           \
  template void transfer_surface_metadata<Model>(const Model&, Model::Builder&, const uuid&,     \
                                                 absl::Span<const uuid>)

VEYRA_INSTANTIATE_COMPONENT_MERGE(Section);
VEYRA_INSTANTIATE_COMPONENT_MERGE(BRep);

#undef VEYRA_INSTANTIATE_COMPONENT_MERGE

}  // namespace veyra::internal
