// SPDX-License-Identifier: MIT
#include <model/topology/model_boundaries_update.h>

#include <ostrel/model/brep.h>
#include <ostrel/model/brep_builder.h>
#include <ostrel/model/model_boundary.h>
#include <ostrel/model/section.h>
#include <ostrel/model/section_builder.h>

namespace veyra::internal {
namespace {

// What a model boundary holds in each model type: lines of a Section, surfaces of a BRep.
template <typename Model>
struct BorderCandidates;

template <>
struct BorderCandidates<Section> {
  static auto range(const Section& model) { return model.lines(); }
  static void add(const Section& model, SectionBuilder& builder, const uuid& line,
                  const uuid& boundary) {
    builder.add_line_in_model_boundary(model.line(line), model.model_boundary(boundary));
  }
  // A line that bounds no surface, or two, has left the border.
  static bool left_border(index_t nb_incidences) { return nb_incidences != 1; }
};

template <>
struct BorderCandidates<BRep> {
  static auto range(const BRep& model) { return model.surfaces(); }
  static void add(const BRep& model, BRepBuilder& builder, const uuid& surface,
                  const uuid& boundary) {
    builder.add_surface_in_model_boundary(model.surface(surface), model.model_boundary(boundary));
  }
  // A surface bounding no block keeps its place: only a shared surface has become inner.
  static bool left_border(index_t nb_incidences) { return nb_incidences > 1; }
};

bool in_model_boundary(const Relationships& relationships, const uuid& id) {
  for (const auto& collection : relationships.collections(id)) {
    if (collection.type() == ModelBoundary<3>::component_type_static()) return true;
  }
  return false;
}

}  // namespace

template <typename Model>
std::optional<uuid> build_new_model_boundary(const Model& model,
                                             typename Model::Builder& builder) {
  std::vector<uuid> uncovered;
  for (const auto& candidate : BorderCandidates<Model>::range(model)) {
    if (model.nb_incidences(candidate.id()) != 1) continue;
    if (in_model_boundary(model, candidate.id())) continue;
    uncovered.push_back(candidate.id());
  }
  if (uncovered.empty()) return std::nullopt;
  const auto boundary = builder.add_model_boundary();
  builder.set_model_boundary_name(boundary, "new_model_boundary");
  for (const auto& member : uncovered) {
    BorderCandidates<Model>::add(model, builder, member, boundary);
  }
  return boundary;
}

template <typename Model>
std::vector<uuid> remove_obsolete_model_boundaries(const Model& model,
                                                   typename Model::Builder& builder) {
  std::vector<uuid> detached;
  for (const auto& boundary : model.model_boundaries()) {
    detached.clear();
    for (const auto& member : model.items(boundary.id())) {
      if (BorderCandidates<Model>::left_border(model.nb_incidences(member.id()))) {
        detached.push_back(member.id());
      }
    }
    for (const auto& member : detached) builder.remove_relation(member, boundary.id());
  }
  std::vector<uuid> removed;
  for (const auto& boundary : model.model_boundaries()) {
    if (model.nb_items(boundary.id()) == 0) removed.push_back(boundary.id());
  }
  for (const auto& id : removed) builder.remove_model_boundary(model.model_boundary(id));
  return removed;
}

template std::optional<uuid> build_new_model_boundary(const Section&, SectionBuilder&);
template std::optional<uuid> build_new_model_boundary(const BRep&, BRepBuilder&);
template std::vector<uuid> remove_obsolete_model_boundaries(const Section&, SectionBuilder&);
template std::vector<uuid> remove_obsolete_model_boundaries(const BRep&, BRepBuilder&);

}  // namespace veyra::internal
