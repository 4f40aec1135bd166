// SPDX-License-Identifier: MIT
// Section: a 2D model made of corners, lines and surfaces, with model boundaries, collections,
// relationships and unique vertices. Movable, not copyable.
#pragma once

#include <ostrel/model/basic_model.h>

namespace veyra {

class SectionBuilder;

class Section final : public BasicModel<2> {
 public:
  using Builder = SectionBuilder;

  Section();
  Section(Section&& other) noexcept;
  Section& operator=(Section&& other) noexcept;
  ~Section() override;

  /// Lines of the model boundary.
  ComponentRelationRange<Line<2>> model_boundary_items(const ModelBoundary<2>& boundary) const {
    return {items(boundary.id()), this->line_store()};
  }
  index_t nb_model_boundary_items(const ModelBoundary<2>& boundary) const {
    return model_boundary_items(boundary).size();
  }
};

}  // namespace veyra
