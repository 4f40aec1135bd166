// SPDX-License-Identifier: MIT
// BRepRayTracing: whether a point lies inside a block of a BRep, by casting rays against the
// surfaces that bound the block.
#pragma once

#include <ostrel/geometry/point.h>
#include <ostrel/model/block.h>

#include <memory>

namespace veyra {

class BRep;

/// Holds one AABB tree per surface, built the first time a query needs that surface and kept
/// for later queries. This lazy cache is why the class is not thread-safe: use one object per
/// thread, or query from a single thread. The model must outlive the object and its surface
/// meshes must not change while it is used.
class BRepRayTracing {
 public:
  explicit BRepRayTracing(const BRep& model);
  BRepRayTracing(const BRepRayTracing&) = delete;
  BRepRayTracing& operator=(const BRepRayTracing&) = delete;
  ~BRepRayTracing();

  /// The point-in-closed-surface test (is_point_inside_closed_surfaces) over every polygon of
  /// the block's boundary surfaces, each surface once; internal surfaces are ignored. A block
  /// without boundary surfaces contains no point.
  /// \throw OstrelGeometryException (internal) when the point is on a boundary surface, or when
  /// every ray is ambiguous.
  bool is_point_inside_block(const Point<3>& point, const Block<3>& block) const;

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace veyra
