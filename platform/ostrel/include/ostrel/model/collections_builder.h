// SPDX-License-Identifier: MIT
// The builder side of the collection tables: names, and creation and deletion for the model
// builders (which keep the relations and the id space in step).
#pragma once

#include <memory>
#include <string_view>

#include <ostrel/basic/identifier.h>
#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/model/collections.h>

namespace veyra {

template <index_t D>
class CornerCollectionsBuilder {
 public:
  CornerCollectionsBuilder(const CornerCollectionsBuilder&) = delete;
  CornerCollectionsBuilder& operator=(const CornerCollectionsBuilder&) = delete;

  /// \throw OstrelModelException (input) when the model has no such corner collection.
  void set_corner_collection_name(const uuid& id, std::string_view name) {
    IdentifierBuilder{modifiable(id, "set_corner_collection_name")}.set_name(name);
  }

 protected:
  CornerCollectionsBuilder(CornerCollections<D>& model, std::string_view builder_name)
      : model_(model), builder_name_(builder_name) {}

  /// Appends a new corner collection with the given id; the caller checked that the id is free.
  const CornerCollection<D>& create_corner_collection(const uuid& id) {
    auto component = std::make_unique<CornerCollection<D>>(ComponentsBuilderKey{});
    IdentifierBuilder{*component}.set_id(id);
    return model_.store_.add(std::move(component));
  }
  void delete_corner_collection(const uuid& id) { model_.store_.remove(id); }

 private:
  CornerCollection<D>& modifiable(const uuid& id, std::string_view function) {
    auto* component = model_.store_.find(id);
    OSTREL_INPUT_CHECK(OstrelModelException, component != nullptr, "[", builder_name_,
                       "::", function, "] Unknown corner collection: ", id.string());
    return *component;
  }

  CornerCollections<D>& model_;
  std::string_view builder_name_;
};

template <index_t D>
class LineCollectionsBuilder {
 public:
  LineCollectionsBuilder(const LineCollectionsBuilder&) = delete;
  LineCollectionsBuilder& operator=(const LineCollectionsBuilder&) = delete;

  /// \throw OstrelModelException (input) when the model has no such line collection.
  void set_line_collection_name(const uuid& id, std::string_view name) {
    IdentifierBuilder{modifiable(id, "set_line_collection_name")}.set_name(name);
  }

 protected:
  LineCollectionsBuilder(LineCollections<D>& model, std::string_view builder_name)
      : model_(model), builder_name_(builder_name) {}

  /// Appends a new line collection with the given id; the caller checked that the id is free.
  const LineCollection<D>& create_line_collection(const uuid& id) {
    auto component = std::make_unique<LineCollection<D>>(ComponentsBuilderKey{});
    IdentifierBuilder{*component}.set_id(id);
    return model_.store_.add(std::move(component));
  }
  void delete_line_collection(const uuid& id) { model_.store_.remove(id); }

 private:
  LineCollection<D>& modifiable(const uuid& id, std::string_view function) {
    auto* component = model_.store_.find(id);
    OSTREL_INPUT_CHECK(OstrelModelException, component != nullptr, "[", builder_name_,
                       "::", function, "] Unknown line collection: ", id.string());
    return *component;
  }

  LineCollections<D>& model_;
  std::string_view builder_name_;
};

template <index_t D>
class SurfaceCollectionsBuilder {
 public:
  SurfaceCollectionsBuilder(const SurfaceCollectionsBuilder&) = delete;
  SurfaceCollectionsBuilder& operator=(const SurfaceCollectionsBuilder&) = delete;

  /// \throw OstrelModelException (input) when the model has no such surface collection.
  void set_surface_collection_name(const uuid& id, std::string_view name) {
    IdentifierBuilder{modifiable(id, "set_surface_collection_name")}.set_name(name);
  }

 protected:
  SurfaceCollectionsBuilder(SurfaceCollections<D>& model, std::string_view builder_name)
      : model_(model), builder_name_(builder_name) {}

  /// Appends a new surface collection with the given id; the caller checked that the id is free.
  const SurfaceCollection<D>& create_surface_collection(const uuid& id) {
    auto component = std::make_unique<SurfaceCollection<D>>(ComponentsBuilderKey{});
    IdentifierBuilder{*component}.set_id(id);
    return model_.store_.add(std::move(component));
  }
  void delete_surface_collection(const uuid& id) { model_.store_.remove(id); }

 private:
  SurfaceCollection<D>& modifiable(const uuid& id, std::string_view function) {
    auto* component = model_.store_.find(id);
    OSTREL_INPUT_CHECK(OstrelModelException, component != nullptr, "[", builder_name_,
                       "::", function, "] Unknown surface collection: ", id.string());
    return *component;
  }

  SurfaceCollections<D>& model_;
  std::string_view builder_name_;
};

template <index_t D>
class BlockCollectionsBuilder {
 public:
  BlockCollectionsBuilder(const BlockCollectionsBuilder&) = delete;
  BlockCollectionsBuilder& operator=(const BlockCollectionsBuilder&) = delete;

  /// \throw OstrelModelException (input) when the model has no such block collection.
  void set_block_collection_name(const uuid& id, std::string_view name) {
    IdentifierBuilder{modifiable(id, "set_block_collection_name")}.set_name(name);
  }

 protected:
  BlockCollectionsBuilder(BlockCollections<D>& model, std::string_view builder_name)
      : model_(model), builder_name_(builder_name) {}

  /// Appends a new block collection with the given id; the caller checked that the id is free.
  const BlockCollection<D>& create_block_collection(const uuid& id) {
    auto component = std::make_unique<BlockCollection<D>>(ComponentsBuilderKey{});
    IdentifierBuilder{*component}.set_id(id);
    return model_.store_.add(std::move(component));
  }
  void delete_block_collection(const uuid& id) { model_.store_.remove(id); }

 private:
  BlockCollection<D>& modifiable(const uuid& id, std::string_view function) {
    auto* component = model_.store_.find(id);
    OSTREL_INPUT_CHECK(OstrelModelException, component != nullptr, "[", builder_name_,
                       "::", function, "] Unknown block collection: ", id.string());
    return *component;
  }

  BlockCollections<D>& model_;
  std::string_view builder_name_;
};

}  // namespace veyra
