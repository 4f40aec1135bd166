// SPDX-License-Identifier: MIT
// build_model_boundaries: gathers the components on the border of a model (surfaces of a BRep,
// lines of a Section, bounding exactly one component) into one new model boundary.
#pragma once

namespace veyra {

class BRep;
class BRepBuilder;
class Section;
class SectionBuilder;

namespace detail {

/// Candidates are the surfaces with exactly one incidence that are in no model boundary yet.
/// When there is at least one, adds exactly one model boundary (fresh id, no name) holding every
/// candidate in model order; otherwise adds nothing. Calling it again therefore adds nothing.
void build_model_boundaries(const BRep& model, BRepBuilder& builder);
/// The same with the lines of a Section.
void build_model_boundaries(const Section& model, SectionBuilder& builder);

}  // namespace detail

using detail::build_model_boundaries;

}  // namespace veyra
