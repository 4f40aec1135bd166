// SPDX-License-Identifier: MIT
// AttributeLinearInterpolation: the source elements and weights from which a new element's
// attribute values are combined.
#pragma once

#include <utility>

#include <absl/container/inlined_vector.h>

#include <ostrel/basic/common.h>

namespace veyra {

struct AttributeLinearInterpolation {
  AttributeLinearInterpolation() = default;
  AttributeLinearInterpolation(absl::InlinedVector<index_t, 4> source_indices,
                               absl::InlinedVector<double, 4> source_lambdas)
      : indices(std::move(source_indices)), lambdas(std::move(source_lambdas)) {}

  /// Source elements; lambdas[i] is the weight of indices[i].
  absl::InlinedVector<index_t, 4> indices;
  absl::InlinedVector<double, 4> lambdas;
};

}  // namespace veyra
