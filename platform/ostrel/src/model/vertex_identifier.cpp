// SPDX-License-Identifier: MIT
#include <ostrel/model/vertex_identifier.h>
#include <ostrel/model/vertex_identifier_builder.h>

#include <algorithm>
#include <string_view>

#include <absl/container/flat_hash_map.h>
#include <absl/container/inlined_vector.h>

#include <ostrel/basic/ostrel_exception.h>

namespace veyra {

using internal::VertexTie;

namespace {

/// Keeps, in order, the ties for which `keep` returns true; `keep` may rewrite the tie it sees.
template <typename Ties, typename Keep>
void filter_ties(Ties& ties, Keep keep) {
  std::size_t nb_kept = 0;
  for (std::size_t t = 0; t < ties.size(); ++t) {
    if (!keep(ties[t])) continue;
    ties[nb_kept++] = ties[t];
  }
  ties.resize(nb_kept);
}

}  // namespace

class VertexIdentifier::Impl {
 public:
  // Most unique vertices have one or two ties (a surface vertex, a surface and a block...): the
  // inline capacity keeps them free of heap allocations.
  using Ties = absl::InlinedVector<VertexTie, 2>;

  index_t nb_unique_vertices() const { return static_cast<index_t>(ties_.size()); }

  const Ties& ties(std::string_view function, index_t unique_vertex) const {
    check_unique_vertex(function, unique_vertex);
    return ties_[unique_vertex];
  }

  const ComponentID* component_ids() const { return component_ids_.data(); }
  const ComponentID& component_id(index_t slot) const { return component_ids_[slot]; }

  index_t slot(std::string_view function, const uuid& component) const {
    const auto found = slot_of_.find(component);
    OSTREL_INPUT_CHECK(OstrelModelException, found != slot_of_.end(), "[", function,
                       "] Unknown component: ", component.string());
    return found->second;
  }

  bool is_registered(const uuid& component) const { return slot_of_.contains(component); }

  const std::vector<index_t>& unique_vertices_of(index_t slot) const {
    return vertex_to_unique_[slot];
  }

  index_t unique_vertex(index_t slot, index_t vertex) const {
    const auto& unique_vertices = vertex_to_unique_[slot];
    return vertex < unique_vertices.size() ? unique_vertices[vertex] : NO_ID;
  }

  void register_component(const ComponentID& component) {
    OSTREL_INPUT_CHECK(OstrelModelException, !slot_of_.contains(component.id()),
                       "[VertexIdentifierBuilder::register_component] Component already "
                       "registered: ",
                       component.string());
    // Freed slots are reused last-freed first, which depends only on the order of calls.
    index_t slot;
    if (free_slots_.empty()) {
      slot = static_cast<index_t>(component_ids_.size());
      component_ids_.push_back(component);
      vertex_to_unique_.emplace_back();
    } else {
      slot = free_slots_.back();
      free_slots_.pop_back();
      component_ids_[slot] = component;
    }
    slot_of_.emplace(component.id(), slot);
  }

  void unregister_component(const uuid& component) {
    const auto found = slot_of_.find(component);
    if (found == slot_of_.end()) return;
    const auto slot = found->second;
    unset_all(slot);
    slot_of_.erase(found);
    component_ids_[slot] = ComponentID{};
    vertex_to_unique_[slot] = {};
    free_slots_.push_back(slot);
  }

  index_t create_unique_vertices(index_t nb) {
    const auto first = nb_unique_vertices();
    ties_.resize(static_cast<std::size_t>(first) + nb);
    return first;
  }

  void set_unique_vertex(const ComponentMeshVertex& component_vertex, index_t unique_vertex) {
    constexpr std::string_view function{"VertexIdentifierBuilder::set_unique_vertex"};
    const auto slot = this->slot(function, component_vertex.component_id.id());
    const auto vertex = component_vertex.vertex;
    OSTREL_INPUT_CHECK(OstrelModelException, vertex != NO_ID, "[", function,
                       "] Vertex index is NO_ID for ", component_vertex.component_id.string());
    check_unique_vertex(function, unique_vertex);
    auto& unique_vertices = vertex_to_unique_[slot];
    if (vertex >= unique_vertices.size()) unique_vertices.resize(vertex + 1, NO_ID);
    const auto old = unique_vertices[vertex];
    if (old == unique_vertex) return;
    if (old != NO_ID) erase_tie(old, slot, vertex);
    ties_[unique_vertex].push_back({slot, vertex});
    unique_vertices[vertex] = unique_vertex;
  }

  void unset_unique_vertex(const ComponentMeshVertex& component_vertex, index_t unique_vertex) {
    const auto slot = this->slot("VertexIdentifierBuilder::unset_unique_vertex",
                                 component_vertex.component_id.id());
    auto& unique_vertices = vertex_to_unique_[slot];
    const auto vertex = component_vertex.vertex;
    if (vertex >= unique_vertices.size() || unique_vertices[vertex] != unique_vertex) return;
    erase_tie(unique_vertex, slot, vertex);
    unique_vertices[vertex] = NO_ID;
  }

  void unset_all(index_t slot) {
    for (const auto unique_vertex : vertex_to_unique_[slot]) {
      if (unique_vertex == NO_ID) continue;
      filter_ties(ties_[unique_vertex],
                  [slot](const VertexTie& tie) { return tie.component != slot; });
    }
    vertex_to_unique_[slot].clear();
  }

  void update_unique_vertices(index_t slot, absl::Span<const index_t> old2new) {
    auto& unique_vertices = vertex_to_unique_[slot];
    const auto new_index = [&old2new](index_t vertex) {
      return vertex < old2new.size() ? old2new[vertex] : vertex;
    };
    // The smallest old vertex landing on each new index keeps its tie.
    index_t nb_new = 0;
    for (index_t v = 0; v < unique_vertices.size(); ++v) {
      if (unique_vertices[v] == NO_ID || new_index(v) == NO_ID) continue;
      nb_new = std::max(nb_new, new_index(v) + 1);
    }
    std::vector<index_t> keeper(nb_new, NO_ID);
    std::vector<index_t> touched;
    for (index_t v = 0; v < unique_vertices.size(); ++v) {
      if (unique_vertices[v] == NO_ID) continue;
      touched.push_back(unique_vertices[v]);
      const auto target = new_index(v);
      if (target != NO_ID && keeper[target] == NO_ID) keeper[target] = v;
    }
    std::sort(touched.begin(), touched.end());
    touched.erase(std::unique(touched.begin(), touched.end()), touched.end());
    // Each touched unique vertex is rewritten once, in place, so its order is kept.
    for (const auto unique_vertex : touched) {
      auto& ties = ties_[unique_vertex];
      filter_ties(ties, [&](VertexTie& tie) {
        if (tie.component != slot) return true;
        const auto target = new_index(tie.vertex);
        if (target == NO_ID || keeper[target] != tie.vertex) return false;
        tie.vertex = target;
        return true;
      });
    }
    std::vector<index_t> updated(nb_new, NO_ID);
    for (index_t target = 0; target < nb_new; ++target) {
      if (keeper[target] != NO_ID) updated[target] = unique_vertices[keeper[target]];
    }
    unique_vertices = std::move(updated);
  }

  std::vector<index_t> delete_isolated_vertices() {
    std::vector<index_t> old2new(ties_.size(), NO_ID);
    index_t nb_kept = 0;
    for (index_t unique_vertex = 0; unique_vertex < ties_.size(); ++unique_vertex) {
      if (ties_[unique_vertex].empty()) continue;
      if (nb_kept != unique_vertex) ties_[nb_kept] = std::move(ties_[unique_vertex]);
      old2new[unique_vertex] = nb_kept++;
    }
    ties_.resize(nb_kept);
    for (auto& unique_vertices : vertex_to_unique_) {
      for (auto& unique_vertex : unique_vertices) {
        if (unique_vertex != NO_ID) unique_vertex = old2new[unique_vertex];
      }
    }
    return old2new;
  }

 private:
  void check_unique_vertex(std::string_view function, index_t unique_vertex) const {
    OSTREL_INPUT_CHECK(OstrelModelException, unique_vertex < ties_.size(), "[", function,
                       "] Unique vertex ", unique_vertex, " out of range (", ties_.size(),
                       " unique vertices)");
  }

  void erase_tie(index_t unique_vertex, index_t slot, index_t vertex) {
    auto& ties = ties_[unique_vertex];
    const auto found = std::find_if(ties.begin(), ties.end(), [&](const VertexTie& tie) {
      return tie.component == slot && tie.vertex == vertex;
    });
    if (found != ties.end()) ties.erase(found);
  }

  std::vector<Ties> ties_;
  std::vector<ComponentID> component_ids_;
  std::vector<std::vector<index_t>> vertex_to_unique_;
  std::vector<index_t> free_slots_;
  absl::flat_hash_map<uuid, index_t> slot_of_;
};

VertexIdentifier::VertexIdentifier() : impl_{std::make_unique<Impl>()} {}
VertexIdentifier::VertexIdentifier(VertexIdentifier&& other) noexcept = default;
VertexIdentifier& VertexIdentifier::operator=(VertexIdentifier&& other) noexcept = default;
VertexIdentifier::~VertexIdentifier() = default;

index_t VertexIdentifier::nb_unique_vertices() const {
  return impl_->nb_unique_vertices();
}

VertexIdentifier::ComponentMeshVertexRange VertexIdentifier::component_mesh_vertices(
    index_t unique_vertex) const {
  const auto& ties = impl_->ties("VertexIdentifier::component_mesh_vertices", unique_vertex);
  return {absl::MakeConstSpan(ties.data(), ties.size()), impl_->component_ids()};
}

std::vector<ComponentMeshVertex> VertexIdentifier::component_mesh_vertices(
    index_t unique_vertex, const ComponentType& type) const {
  std::vector<ComponentMeshVertex> result;
  for (const auto& tie : impl_->ties("VertexIdentifier::component_mesh_vertices", unique_vertex)) {
    const auto& component = impl_->component_id(tie.component);
    if (component.type() == type) result.emplace_back(component, tie.vertex);
  }
  return result;
}

std::vector<index_t> VertexIdentifier::component_mesh_vertices(index_t unique_vertex,
                                                               const uuid& component) const {
  std::vector<index_t> result;
  for (const auto& tie : impl_->ties("VertexIdentifier::component_mesh_vertices", unique_vertex)) {
    if (impl_->component_id(tie.component).id() == component) result.push_back(tie.vertex);
  }
  return result;
}

bool VertexIdentifier::has_component_mesh_vertices(index_t unique_vertex,
                                                   const ComponentType& type) const {
  const auto& ties = impl_->ties("VertexIdentifier::has_component_mesh_vertices", unique_vertex);
  return std::any_of(ties.begin(), ties.end(), [this, &type](const VertexTie& tie) {
    return impl_->component_id(tie.component).type() == type;
  });
}

index_t VertexIdentifier::unique_vertex(const ComponentMeshVertex& component_vertex) const {
  const auto slot =
      impl_->slot("VertexIdentifier::unique_vertex", component_vertex.component_id.id());
  return impl_->unique_vertex(slot, component_vertex.vertex);
}

absl::Span<const index_t> VertexIdentifier::component_unique_vertices(const uuid& component) const {
  return impl_->unique_vertices_of(
      impl_->slot("VertexIdentifier::component_unique_vertices", component));
}

bool VertexIdentifier::is_component_registered(const uuid& component) const {
  return impl_->is_registered(component);
}

VertexIdentifierBuilder::VertexIdentifierBuilder(VertexIdentifier& identifier)
    : identifier_(identifier) {}

void VertexIdentifierBuilder::register_component(const ComponentID& component) {
  identifier_.impl_->register_component(component);
}

void VertexIdentifierBuilder::unregister_component(const uuid& component) {
  identifier_.impl_->unregister_component(component);
}

index_t VertexIdentifierBuilder::create_unique_vertex() {
  return identifier_.impl_->create_unique_vertices(1);
}

index_t VertexIdentifierBuilder::create_unique_vertices(index_t nb) {
  return identifier_.impl_->create_unique_vertices(nb);
}

void VertexIdentifierBuilder::set_unique_vertex(const ComponentMeshVertex& component_vertex,
                                                index_t unique_vertex) {
  identifier_.impl_->set_unique_vertex(component_vertex, unique_vertex);
}

void VertexIdentifierBuilder::unset_unique_vertex(const ComponentMeshVertex& component_vertex,
                                                  index_t unique_vertex) {
  identifier_.impl_->unset_unique_vertex(component_vertex, unique_vertex);
}

void VertexIdentifierBuilder::unset_component_unique_vertices(const uuid& component) {
  auto& impl = *identifier_.impl_;
  impl.unset_all(impl.slot("VertexIdentifierBuilder::unset_component_unique_vertices", component));
}

void VertexIdentifierBuilder::update_unique_vertices(const ComponentID& component,
                                                     absl::Span<const index_t> old2new) {
  auto& impl = *identifier_.impl_;
  impl.update_unique_vertices(
      impl.slot("VertexIdentifierBuilder::update_unique_vertices", component.id()), old2new);
}

std::vector<index_t> VertexIdentifierBuilder::delete_isolated_vertices() {
  return identifier_.impl_->delete_isolated_vertices();
}

}  // namespace veyra
