// SPDX-License-Identifier: MIT
// BasicModel<D>: what BRep and Section share: corners, lines, surfaces, model boundaries and the
// corner, line and surface collections, their relationships and unique vertices, and the typed
// relationship ranges between those kinds.
#pragma once

#include <ostrel/basic/identifier.h>
#include <ostrel/model/collections.h>
#include <ostrel/model/component_relation_range.h>
#include <ostrel/model/corners.h>
#include <ostrel/model/lines.h>
#include <ostrel/model/model_boundaries.h>
#include <ostrel/model/relationships.h>
#include <ostrel/model/surfaces.h>
#include <ostrel/model/vertex_identifier.h>

namespace veyra {

template <index_t D>
class BasicModel : public Corners<D>,
                   public Lines<D>,
                   public Surfaces<D>,
                   public ModelBoundaries<D>,
                   public CornerCollections<D>,
                   public LineCollections<D>,
                   public SurfaceCollections<D>,
                   public Relationships,
                   public VertexIdentifier,
                   public Identifier {
 public:
  static constexpr index_t dim = D;

  using Relationships::boundaries;
  using Relationships::embeddings;
  using Relationships::incidences;
  using Relationships::is_boundary;
  using Relationships::is_internal;
  using Relationships::nb_boundaries;
  using Relationships::nb_incidences;

  /// Corners bounding the line.
  ComponentRelationRange<Corner<D>> boundaries(const Line<D>& line) const {
    return {boundaries(line.id()), this->corner_store()};
  }
  index_t nb_boundaries(const Line<D>& line) const { return boundaries(line).size(); }
  /// Lines bounding the surface.
  ComponentRelationRange<Line<D>> boundaries(const Surface<D>& surface) const {
    return {boundaries(surface.id()), this->line_store()};
  }
  index_t nb_boundaries(const Surface<D>& surface) const { return boundaries(surface).size(); }

  /// Lines the corner bounds.
  ComponentRelationRange<Line<D>> incidences(const Corner<D>& corner) const {
    return {incidences(corner.id()), this->line_store()};
  }
  index_t nb_incidences(const Corner<D>& corner) const { return incidences(corner).size(); }
  /// Surfaces the line bounds.
  ComponentRelationRange<Surface<D>> incidences(const Line<D>& line) const {
    return {incidences(line.id()), this->surface_store()};
  }
  index_t nb_incidences(const Line<D>& line) const { return incidences(line).size(); }

  ComponentRelationRange<Corner<D>> internal_corners(const Surface<D>& surface) const {
    return {internals(surface.id()), this->corner_store()};
  }
  index_t nb_internal_corners(const Surface<D>& surface) const {
    return internal_corners(surface).size();
  }
  ComponentRelationRange<Line<D>> internal_lines(const Surface<D>& surface) const {
    return {internals(surface.id()), this->line_store()};
  }
  index_t nb_internal_lines(const Surface<D>& surface) const {
    return internal_lines(surface).size();
  }

  ComponentRelationRange<Surface<D>> embedding_surfaces(const Corner<D>& corner) const {
    return {embeddings(corner.id()), this->surface_store()};
  }
  index_t nb_embedding_surfaces(const Corner<D>& corner) const {
    return embedding_surfaces(corner).size();
  }
  ComponentRelationRange<Surface<D>> embedding_surfaces(const Line<D>& line) const {
    return {embeddings(line.id()), this->surface_store()};
  }
  index_t nb_embedding_surfaces(const Line<D>& line) const {
    return embedding_surfaces(line).size();
  }

  ComponentRelationRange<Corner<D>> corner_collection_items(
      const CornerCollection<D>& collection) const {
    return {items(collection.id()), this->corner_store()};
  }
  index_t nb_corner_collection_items(const CornerCollection<D>& collection) const {
    return corner_collection_items(collection).size();
  }
  ComponentRelationRange<Line<D>> line_collection_items(const LineCollection<D>& collection) const {
    return {items(collection.id()), this->line_store()};
  }
  index_t nb_line_collection_items(const LineCollection<D>& collection) const {
    return line_collection_items(collection).size();
  }
  ComponentRelationRange<Surface<D>> surface_collection_items(
      const SurfaceCollection<D>& collection) const {
    return {items(collection.id()), this->surface_store()};
  }
  index_t nb_surface_collection_items(const SurfaceCollection<D>& collection) const {
    return surface_collection_items(collection).size();
  }

  bool is_boundary(const Corner<D>& corner, const Line<D>& line) const {
    return is_boundary(corner.id(), line.id());
  }
  bool is_boundary(const Line<D>& line, const Surface<D>& surface) const {
    return is_boundary(line.id(), surface.id());
  }
  bool is_internal(const Corner<D>& corner, const Surface<D>& surface) const {
    return is_internal(corner.id(), surface.id());
  }
  bool is_internal(const Line<D>& line, const Surface<D>& surface) const {
    return is_internal(line.id(), surface.id());
  }

 protected:
  BasicModel() = default;
  BasicModel(BasicModel&&) noexcept = default;
  BasicModel& operator=(BasicModel&&) noexcept = default;
  ~BasicModel() override = default;
};

}  // namespace veyra
