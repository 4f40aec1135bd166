// SPDX-License-Identifier: MIT
// VertexIdentifier: the unique vertices of a model, each tying together the component mesh
// vertices that stand at the same place. Both directions are O(1): each component keeps a dense
// array from mesh vertex to unique vertex, and each unique vertex keeps its ties in the order
// they were made (compact (component slot, vertex) pairs, kept inline for up to two ties).
#pragma once

#include <cstddef>
#include <iterator>
#include <memory>
#include <vector>

#include <absl/types/span.h>

#include <ostrel/basic/common.h>
#include <ostrel/basic/component_id.h>
#include <ostrel/basic/uuid.h>

namespace veyra {

namespace internal {

/// One tie as a unique vertex stores it: the component's slot in the identifier and the vertex.
struct VertexTie {
  index_t component;
  index_t vertex;
};

}  // namespace internal

class VertexIdentifier {
 public:
  /// The ties of one unique vertex in the order they were made, yielding ComponentMeshVertex
  /// values. Re-iterable, indexable; valid until the identifier changes.
  class ComponentMeshVertexRange {
   public:
    class Iterator {
     public:
      using iterator_category = std::random_access_iterator_tag;
      using value_type = ComponentMeshVertex;
      using difference_type = std::ptrdiff_t;
      using reference = ComponentMeshVertex;
      using pointer = void;

      Iterator() = default;
      Iterator(const internal::VertexTie* current, const ComponentID* components)
          : current_(current), components_(components) {}

      ComponentMeshVertex operator*() const {
        return {components_[current_->component], current_->vertex};
      }
      ComponentMeshVertex operator[](difference_type offset) const { return *(*this + offset); }
      Iterator& operator++() {
        ++current_;
        return *this;
      }
      Iterator operator++(int) {
        auto copy = *this;
        ++current_;
        return copy;
      }
      Iterator& operator--() {
        --current_;
        return *this;
      }
      Iterator operator--(int) {
        auto copy = *this;
        --current_;
        return copy;
      }
      Iterator& operator+=(difference_type offset) {
        current_ += offset;
        return *this;
      }
      Iterator& operator-=(difference_type offset) {
        current_ -= offset;
        return *this;
      }
      friend Iterator operator+(Iterator it, difference_type offset) { return it += offset; }
      friend Iterator operator+(difference_type offset, Iterator it) { return it += offset; }
      friend Iterator operator-(Iterator it, difference_type offset) { return it -= offset; }
      friend difference_type operator-(const Iterator& lhs, const Iterator& rhs) {
        return lhs.current_ - rhs.current_;
      }
      friend bool operator==(const Iterator& lhs, const Iterator& rhs) {
        return lhs.current_ == rhs.current_;
      }
      friend auto operator<=>(const Iterator& lhs, const Iterator& rhs) {
        return lhs.current_ <=> rhs.current_;
      }

     private:
      const internal::VertexTie* current_{nullptr};
      const ComponentID* components_{nullptr};
    };

    ComponentMeshVertexRange() = default;
    ComponentMeshVertexRange(absl::Span<const internal::VertexTie> ties,
                             const ComponentID* components)
        : ties_(ties), components_(components) {}

    Iterator begin() const { return {ties_.data(), components_}; }
    Iterator end() const { return {ties_.data() + ties_.size(), components_}; }
    std::size_t size() const { return ties_.size(); }
    bool empty() const { return ties_.empty(); }
    ComponentMeshVertex operator[](std::size_t i) const {
      return begin()[static_cast<std::ptrdiff_t>(i)];
    }
    ComponentMeshVertex front() const { return (*this)[0]; }
    ComponentMeshVertex back() const { return (*this)[size() - 1]; }

    operator std::vector<ComponentMeshVertex>() const { return {begin(), end()}; }

   private:
    absl::Span<const internal::VertexTie> ties_;
    const ComponentID* components_{nullptr};
  };

  VertexIdentifier();
  VertexIdentifier(VertexIdentifier&& other) noexcept;
  VertexIdentifier& operator=(VertexIdentifier&& other) noexcept;
  virtual ~VertexIdentifier();

  index_t nb_unique_vertices() const;

  /// Every tie of the unique vertex, in the order the ties were made.
  /// \throw OstrelModelException (input) when unique_vertex >= nb_unique_vertices().
  ComponentMeshVertexRange component_mesh_vertices(index_t unique_vertex) const;
  /// The ties of the unique vertex to components of `type`, in tie order.
  std::vector<ComponentMeshVertex> component_mesh_vertices(index_t unique_vertex,
                                                           const ComponentType& type) const;
  /// The vertices of `component` tied to the unique vertex, in tie order.
  std::vector<index_t> component_mesh_vertices(index_t unique_vertex, const uuid& component) const;
  bool has_component_mesh_vertices(index_t unique_vertex, const ComponentType& type) const;

  /// The unique vertex of a component mesh vertex, NO_ID when it is not tied.
  /// \throw OstrelModelException (input) when the component is unknown.
  index_t unique_vertex(const ComponentMeshVertex& component_vertex) const;
  /// The unique vertex of each vertex of `component` (NO_ID when untied); vertices at or beyond
  /// the span's size are untied. Valid until the identifier changes.
  /// \throw OstrelModelException (input) when the component is unknown.
  absl::Span<const index_t> component_unique_vertices(const uuid& component) const;

  /// Whether `component` is known to the identifier (every component with a mesh is).
  bool is_component_registered(const uuid& component) const;

 private:
  friend class VertexIdentifierBuilder;

  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace veyra
