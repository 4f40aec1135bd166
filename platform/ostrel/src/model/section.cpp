// SPDX-License-Identifier: MIT
#include <ostrel/model/section.h>
#include <ostrel/model/section_builder.h>

namespace veyra {

Section::Section() = default;
Section::Section(Section&& other) noexcept = default;
Section& Section::operator=(Section&& other) noexcept = default;
Section::~Section() = default;

SectionBuilder::SectionBuilder(Section& section)
    : BasicModelBuilder<2>(section, "SectionBuilder") {}

void SectionBuilder::add_line_in_model_boundary(const Line<2>& line,
                                                const ModelBoundary<2>& boundary) {
  add_relation("add_line_in_model_boundary", line.component_id(), boundary.component_id(),
               RelationType::item);
}

}  // namespace veyra
