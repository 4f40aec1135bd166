// SPDX-License-Identifier: MIT
#include <veyra_common/modifier/section_geometric_modifier.h>

#include "geometric_modifier.h"

namespace veyra {

class SectionGeometricModifier::Impl
    : public internal::GeometricModifier<Section, SectionSplitPolygonEdgeInfo, SectionCleanInfo> {
 public:
  Impl(Section& model, SectionBuilder& builder)
      : GeometricModifier(model, builder, "SectionGeometricModifier") {}
};

SectionGeometricModifier::SectionGeometricModifier(Section& model, SectionBuilder& builder)
    : impl_{std::make_unique<Impl>(model, builder)} {}

SectionGeometricModifier::~SectionGeometricModifier() = default;

SectionGeometricModifier::SectionSplitPolygonEdgeInfo SectionGeometricModifier::split_edge(
    const Line<2>& line, index_t edge, const Point<2>& point) {
  return impl_->split_edge(line, edge, point);
}

SectionGeometricModifier::SectionSplitPolygonEdgeInfo SectionGeometricModifier::split_edge(
    const Surface<2>& surface, const PolygonEdge& edge, const Point<2>& point) {
  return impl_->split_edge(surface, edge, point);
}

bool SectionGeometricModifier::is_triangle_active(const Surface<2>& surface,
                                                  index_t polygon) const {
  return impl_->is_triangle_active(surface, polygon);
}

SectionGeometricModifier::SectionCleanInfo SectionGeometricModifier::clean() {
  return impl_->clean();
}

}  // namespace veyra
