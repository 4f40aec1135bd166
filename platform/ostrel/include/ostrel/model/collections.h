// SPDX-License-Identifier: MIT
// The collection tables of a model: corner, line, surface and block collections, each in
// insertion order, with lookup by id.
#pragma once

#include <ostrel/basic/uuid.h>
#include <ostrel/model/component_collections.h>
#include <ostrel/model/component_range.h>

namespace veyra {

template <index_t D>
class CornerCollectionsBuilder;
template <index_t D>
class LineCollectionsBuilder;
template <index_t D>
class SurfaceCollectionsBuilder;
template <index_t D>
class BlockCollectionsBuilder;

template <index_t D>
class CornerCollections {
 public:
  using CornerCollectionRange = ComponentRange<CornerCollection<D>>;

  index_t nb_corner_collections() const { return store_.size(); }
  bool has_corner_collection(const uuid& id) const { return store_.contains(id); }
  /// \throw OstrelModelException (input) when the model has no such corner collection.
  const CornerCollection<D>& corner_collection(const uuid& id) const {
    return internal::checked_component(store_, id, "CornerCollections::corner_collection",
                                       "corner collection");
  }
  /// In insertion order.
  CornerCollectionRange corner_collections() const { return store_.range(); }

 protected:
  CornerCollections() = default;
  CornerCollections(CornerCollections&&) noexcept = default;
  CornerCollections& operator=(CornerCollections&&) noexcept = default;
  ~CornerCollections() = default;

 private:
  friend class CornerCollectionsBuilder<D>;

  internal::ComponentStore<CornerCollection<D>> store_;
};

template <index_t D>
class LineCollections {
 public:
  using LineCollectionRange = ComponentRange<LineCollection<D>>;

  index_t nb_line_collections() const { return store_.size(); }
  bool has_line_collection(const uuid& id) const { return store_.contains(id); }
  /// \throw OstrelModelException (input) when the model has no such line collection.
  const LineCollection<D>& line_collection(const uuid& id) const {
    return internal::checked_component(store_, id, "LineCollections::line_collection",
                                       "line collection");
  }
  /// In insertion order.
  LineCollectionRange line_collections() const { return store_.range(); }

 protected:
  LineCollections() = default;
  LineCollections(LineCollections&&) noexcept = default;
  LineCollections& operator=(LineCollections&&) noexcept = default;
  ~LineCollections() = default;

 private:
  friend class LineCollectionsBuilder<D>;

  internal::ComponentStore<LineCollection<D>> store_;
};

template <index_t D>
class SurfaceCollections {
 public:
  using SurfaceCollectionRange = ComponentRange<SurfaceCollection<D>>;

  index_t nb_surface_collections() const { return store_.size(); }
  bool has_surface_collection(const uuid& id) const { return store_.contains(id); }
  /// \throw OstrelModelException (input) when the model has no such surface collection.
  const SurfaceCollection<D>& surface_collection(const uuid& id) const {
    return internal::checked_component(store_, id, "SurfaceCollections::surface_collection",
                                       "surface collection");
  }
  /// In insertion order.
  SurfaceCollectionRange surface_collections() const { return store_.range(); }

 protected:
  SurfaceCollections() = default;
  SurfaceCollections(SurfaceCollections&&) noexcept = default;
  SurfaceCollections& operator=(SurfaceCollections&&) noexcept = default;
  ~SurfaceCollections() = default;

 private:
  friend class SurfaceCollectionsBuilder<D>;

  internal::ComponentStore<SurfaceCollection<D>> store_;
};

template <index_t D>
class BlockCollections {
 public:
  using BlockCollectionRange = ComponentRange<BlockCollection<D>>;

  index_t nb_block_collections() const { return store_.size(); }
  bool has_block_collection(const uuid& id) const { return store_.contains(id); }
  /// \throw OstrelModelException (input) when the model has no such block collection.
  const BlockCollection<D>& block_collection(const uuid& id) const {
    return internal::checked_component(store_, id, "BlockCollections::block_collection",
                                       "block collection");
  }
  /// In insertion order.
  BlockCollectionRange block_collections() const { return store_.range(); }

 protected:
  BlockCollections() = default;
  BlockCollections(BlockCollections&&) noexcept = default;
  BlockCollections& operator=(BlockCollections&&) noexcept = default;
  ~BlockCollections() = default;

 private:
  friend class BlockCollectionsBuilder<D>;

  internal::ComponentStore<BlockCollection<D>> store_;
};

}  // namespace veyra
