// SPDX-License-Identifier: MIT
#include <veyra_common/modifier/brep_geometric_modifier.h>

#include "geometric_modifier.h"

namespace veyra {

class BRepGeometricModifier::Impl
    : public internal::GeometricModifier<BRep, BRepSplitPolygonEdgeInfo, BRepCleanInfo> {
 public:
  Impl(BRep& model, BRepBuilder& builder)
      : GeometricModifier(model, builder, "BRepGeometricModifier") {}
};

BRepGeometricModifier::BRepGeometricModifier(BRep& model, BRepBuilder& builder)
    : impl_{std::make_unique<Impl>(model, builder)} {}

BRepGeometricModifier::~BRepGeometricModifier() = default;

BRepGeometricModifier::BRepSplitPolygonEdgeInfo BRepGeometricModifier::split_edge(
    const Line<3>& line, index_t edge, const Point<3>& point) {
  return impl_->split_edge(line, edge, point);
}

BRepGeometricModifier::BRepSplitPolygonEdgeInfo BRepGeometricModifier::split_edge(
    const Surface<3>& surface, const PolygonEdge& edge, const Point<3>& point) {
  return impl_->split_edge(surface, edge, point);
}

BRepGeometricModifier::BRepSplitTriangleInfo BRepGeometricModifier::split_triangle(
    const Surface<3>& surface, index_t triangle, const Point<3>& point) {
  return impl_->split_triangle(surface, triangle, point);
}

bool BRepGeometricModifier::is_triangle_active(const Surface<3>& surface, index_t polygon) const {
  return impl_->is_triangle_active(surface, polygon);
}

BRepGeometricModifier::BRepCleanInfo BRepGeometricModifier::clean() {
  return impl_->clean();
}

}  // namespace veyra
