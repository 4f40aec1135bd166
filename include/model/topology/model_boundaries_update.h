// SPDX-License-Identifier: MIT
// The model boundaries after a topology update: border components that belong to no model
// boundary gathered into a new one, and members that left the border detached.
#pragma once

#include <optional>
#include <vector>

#include <ostrel/basic/uuid.h>

namespace veyra {

class BRep;
class BRepBuilder;
class Section;
class SectionBuilder;

namespace internal {

/// Gathers the border components that no model boundary holds yet (Model is BRep or Section):
/// the surfaces bounding exactly one block of a BRep, the lines bounding exactly one surface of
/// a Section, in model order, each an item of no collection of type "ModelBoundary". When there
/// is any, adds one model boundary named "new_model_boundary" holding them in that order and
/// returns its id; otherwise the model is not changed and the result is empty.
template <typename Model>
std::optional<uuid> build_new_model_boundary(const Model& model, typename Model::Builder& builder);

/// Detaches from each model boundary (model order) the members that are no longer on the
/// border: for a Section the lines that do not bound exactly one surface, for a BRep the
/// surfaces bounding two blocks or more (a surface bounding no block stays). Then removes every
/// model boundary left without item, including those that were empty before, and returns their
/// ids in model order.
template <typename Model>
std::vector<uuid> remove_obsolete_model_boundaries(const Model& model,
                                                   typename Model::Builder& builder);

}  // namespace internal

}  // namespace veyra
