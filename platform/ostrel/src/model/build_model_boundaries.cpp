// SPDX-License-Identifier: MIT
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/build_model_boundaries.h>
#include <ostrel/model/section_builder.h>

#include <functional>
#include <vector>

namespace veyra {
namespace {

template <typename Model>
bool is_in_model_boundary(const Model& model, const uuid& component) {
  for (const auto& collection : model.collections(component)) {
    if (collection.type() == ModelBoundary<Model::dim>::component_type_static()) return true;
  }
  return false;
}

/// Border components of `range` in model order: one incidence, no model boundary yet.
template <typename Model, typename Range>
auto border_candidates(const Model& model, const Range& range) {
  std::vector<std::reference_wrapper<const typename Range::Iterator::value_type>> candidates;
  for (const auto& component : range) {
    if (model.nb_incidences(component.id()) == 1 && !is_in_model_boundary(model, component.id())) {
      candidates.emplace_back(component);
    }
  }
  return candidates;
}

}  // namespace

namespace detail {

void build_model_boundaries(const BRep& model, BRepBuilder& builder) {
  const auto candidates = border_candidates(model, model.surfaces());
  if (candidates.empty()) return;
  const auto& boundary = model.model_boundary(builder.add_model_boundary());
  for (const auto& surface : candidates) builder.add_surface_in_model_boundary(surface, boundary);
}

void build_model_boundaries(const Section& model, SectionBuilder& builder) {
  const auto candidates = border_candidates(model, model.lines());
  if (candidates.empty()) return;
  const auto& boundary = model.model_boundary(builder.add_model_boundary());
  for (const auto& line : candidates) builder.add_line_in_model_boundary(line, boundary);
}

}  // namespace detail
}  // namespace veyra
