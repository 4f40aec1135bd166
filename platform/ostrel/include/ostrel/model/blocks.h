// SPDX-License-Identifier: MIT
// The block table of a model: its blocks in insertion order, with lookup by id.
#pragma once

#include <ostrel/basic/uuid.h>
#include <ostrel/model/block.h>
#include <ostrel/model/component_range.h>

namespace veyra {

template <index_t D>
class BlocksBuilder;

template <index_t D>
class Blocks {
 public:
  using BlockRange = ComponentRange<Block<D>>;

  index_t nb_blocks() const { return store_.size(); }
  bool has_block(const uuid& id) const { return store_.contains(id); }
  /// \throw OstrelModelException (input) when the model has no such block.
  const Block<D>& block(const uuid& id) const {
    return internal::checked_component(store_, id, "Blocks::block", "block");
  }
  /// In insertion order.
  BlockRange blocks() const { return store_.range(); }

 protected:
  Blocks() = default;
  Blocks(Blocks&&) noexcept = default;
  Blocks& operator=(Blocks&&) noexcept = default;
  ~Blocks() = default;

  const internal::ComponentStore<Block<D>>& block_store() const { return store_; }

 private:
  friend class BlocksBuilder<D>;

  internal::ComponentStore<Block<D>> store_;
};

}  // namespace veyra
