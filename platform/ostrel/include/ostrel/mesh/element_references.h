// SPDX-License-Identifier: MIT
// References to the parts of mesh elements: a polygon's corner or edge, an edge's end, a
// polyhedron's corner, facet and facet edge, plus the small inline lists that queries return.
// Each reference compares (==, <), hashes and prints its values joined by blanks.
#pragma once

#include <compare>
#include <string>
#include <utility>

#include <absl/container/inlined_vector.h>
#include <absl/strings/str_cat.h>

#include <ostrel/basic/common.h>

namespace veyra {

/// Corner `vertex_id` of polygon `polygon_id`.
struct PolygonVertex {
  PolygonVertex() = default;
  PolygonVertex(index_t polygon, local_index_t vertex) : polygon_id(polygon), vertex_id(vertex) {}

  std::string string() const { return absl::StrCat(polygon_id, " ", static_cast<int>(vertex_id)); }
  friend bool operator==(const PolygonVertex&, const PolygonVertex&) = default;
  friend auto operator<=>(const PolygonVertex&, const PolygonVertex&) = default;
  template <typename H>
  friend H AbslHashValue(H h, const PolygonVertex& value) {
    return H::combine(std::move(h), value.polygon_id, value.vertex_id);
  }

  index_t polygon_id{NO_ID};
  local_index_t vertex_id{NO_LID};
};

/// Edge `edge_id` of polygon `polygon_id`: from its vertex edge_id to its vertex edge_id + 1.
struct PolygonEdge {
  PolygonEdge() = default;
  PolygonEdge(index_t polygon, local_index_t edge) : polygon_id(polygon), edge_id(edge) {}

  std::string string() const { return absl::StrCat(polygon_id, " ", static_cast<int>(edge_id)); }
  friend bool operator==(const PolygonEdge&, const PolygonEdge&) = default;
  friend auto operator<=>(const PolygonEdge&, const PolygonEdge&) = default;
  template <typename H>
  friend H AbslHashValue(H h, const PolygonEdge& value) {
    return H::combine(std::move(h), value.polygon_id, value.edge_id);
  }

  index_t polygon_id{NO_ID};
  local_index_t edge_id{NO_LID};
};

/// End `vertex_id` (0 or 1) of edge `edge_id`.
struct EdgeVertex {
  EdgeVertex() = default;
  EdgeVertex(index_t edge, local_index_t vertex) : edge_id(edge), vertex_id(vertex) {}

  /// The other end of the same edge.
  EdgeVertex opposite() const { return {edge_id, static_cast<local_index_t>(1 - vertex_id)}; }

  std::string string() const { return absl::StrCat(edge_id, " ", static_cast<int>(vertex_id)); }
  friend bool operator==(const EdgeVertex&, const EdgeVertex&) = default;
  friend auto operator<=>(const EdgeVertex&, const EdgeVertex&) = default;
  template <typename H>
  friend H AbslHashValue(H h, const EdgeVertex& value) {
    return H::combine(std::move(h), value.edge_id, value.vertex_id);
  }

  index_t edge_id{NO_ID};
  local_index_t vertex_id{NO_LID};
};

/// Corner `vertex_id` of polyhedron `polyhedron_id`.
struct PolyhedronVertex {
  PolyhedronVertex() = default;
  PolyhedronVertex(index_t polyhedron, local_index_t vertex)
      : polyhedron_id(polyhedron), vertex_id(vertex) {}

  std::string string() const { return absl::StrCat(polyhedron_id, " ", static_cast<int>(vertex_id)); }
  friend bool operator==(const PolyhedronVertex&, const PolyhedronVertex&) = default;
  friend auto operator<=>(const PolyhedronVertex&, const PolyhedronVertex&) = default;
  template <typename H>
  friend H AbslHashValue(H h, const PolyhedronVertex& value) {
    return H::combine(std::move(h), value.polyhedron_id, value.vertex_id);
  }

  index_t polyhedron_id{NO_ID};
  local_index_t vertex_id{NO_LID};
};

/// Facet `facet_id` of polyhedron `polyhedron_id`.
struct PolyhedronFacet {
  PolyhedronFacet() = default;
  PolyhedronFacet(index_t polyhedron, local_index_t facet)
      : polyhedron_id(polyhedron), facet_id(facet) {}

  std::string string() const { return absl::StrCat(polyhedron_id, " ", static_cast<int>(facet_id)); }
  friend bool operator==(const PolyhedronFacet&, const PolyhedronFacet&) = default;
  friend auto operator<=>(const PolyhedronFacet&, const PolyhedronFacet&) = default;
  template <typename H>
  friend H AbslHashValue(H h, const PolyhedronFacet& value) {
    return H::combine(std::move(h), value.polyhedron_id, value.facet_id);
  }

  index_t polyhedron_id{NO_ID};
  local_index_t facet_id{NO_LID};
};

/// Corner `vertex_id` of a polyhedron facet, in the facet's local order.
struct PolyhedronFacetVertex {
  PolyhedronFacetVertex() = default;
  PolyhedronFacetVertex(PolyhedronFacet facet, local_index_t vertex)
      : polyhedron_facet(facet), vertex_id(vertex) {}

  std::string string() const { return absl::StrCat(polyhedron_facet.string(), " ", static_cast<int>(vertex_id)); }
  friend bool operator==(const PolyhedronFacetVertex&, const PolyhedronFacetVertex&) = default;
  friend auto operator<=>(const PolyhedronFacetVertex&, const PolyhedronFacetVertex&) = default;
  template <typename H>
  friend H AbslHashValue(H h, const PolyhedronFacetVertex& value) {
    return H::combine(std::move(h), value.polyhedron_facet, value.vertex_id);
  }

  PolyhedronFacet polyhedron_facet;
  local_index_t vertex_id{NO_LID};
};

/// Edge `edge_id` of a polyhedron facet: from its vertex edge_id to its vertex edge_id + 1.
struct PolyhedronFacetEdge {
  PolyhedronFacetEdge() = default;
  PolyhedronFacetEdge(PolyhedronFacet facet, local_index_t edge)
      : polyhedron_facet(facet), edge_id(edge) {}

  std::string string() const { return absl::StrCat(polyhedron_facet.string(), " ", static_cast<int>(edge_id)); }
  friend bool operator==(const PolyhedronFacetEdge&, const PolyhedronFacetEdge&) = default;
  friend auto operator<=>(const PolyhedronFacetEdge&, const PolyhedronFacetEdge&) = default;
  template <typename H>
  friend H AbslHashValue(H h, const PolyhedronFacetEdge& value) {
    return H::combine(std::move(h), value.polyhedron_facet, value.edge_id);
  }

  PolyhedronFacet polyhedron_facet;
  local_index_t edge_id{NO_LID};
};

using PolygonVertices = absl::InlinedVector<index_t, 3>;
using PolyhedronVertices = absl::InlinedVector<index_t, 4>;
using PolyhedronFacetVertices = absl::InlinedVector<index_t, 3>;
using EdgesAroundVertex = absl::InlinedVector<EdgeVertex, 4>;
using PolygonsAroundVertex = absl::InlinedVector<PolygonVertex, 10>;
using PolyhedraAroundVertex = absl::InlinedVector<PolyhedronVertex, 20>;

}  // namespace veyra
