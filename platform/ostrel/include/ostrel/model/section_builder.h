// SPDX-License-Identifier: MIT
// SectionBuilder: the only way to change a Section (components, meshes, names, flags,
// relations, model boundary membership and unique vertices).
#pragma once

#include <ostrel/model/basic_model_builder.h>
#include <ostrel/model/section.h>

namespace veyra {

class SectionBuilder final : public BasicModelBuilder<2> {
 public:
  explicit SectionBuilder(Section& section);

  /// Makes the line an item of the model boundary.
  void add_line_in_model_boundary(const Line<2>& line, const ModelBoundary<2>& boundary);
};

}  // namespace veyra
