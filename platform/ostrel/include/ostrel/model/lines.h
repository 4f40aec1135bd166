// SPDX-License-Identifier: MIT
// The line table of a model: its lines in insertion order, with lookup by id.
#pragma once

#include <ostrel/basic/uuid.h>
#include <ostrel/model/component_range.h>
#include <ostrel/model/line.h>

namespace veyra {

template <index_t D>
class LinesBuilder;

template <index_t D>
class Lines {
 public:
  using LineRange = ComponentRange<Line<D>>;

  index_t nb_lines() const { return store_.size(); }
  bool has_line(const uuid& id) const { return store_.contains(id); }
  /// \throw OstrelModelException (input) when the model has no such line.
  const Line<D>& line(const uuid& id) const {
    return internal::checked_component(store_, id, "Lines::line", "line");
  }
  /// In insertion order.
  LineRange lines() const { return store_.range(); }

 protected:
  Lines() = default;
  Lines(Lines&&) noexcept = default;
  Lines& operator=(Lines&&) noexcept = default;
  ~Lines() = default;

  const internal::ComponentStore<Line<D>>& line_store() const { return store_; }

 private:
  friend class LinesBuilder<D>;

  internal::ComponentStore<Line<D>> store_;
};

}  // namespace veyra
