// SPDX-License-Identifier: MIT
#include <veyra_common/modifier/mesh_partitionner.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <numeric>
#include <string_view>

#include <metis.h>

#include <ostrel/basic/ostrel_exception.h>

namespace veyra {
namespace {

/// The dual graph in the compressed rows METIS reads: the neighbours of polyhedron p are
/// adjncy[xadj[p] .. xadj[p + 1]).
struct DualGraph {
  std::vector<idx_t> xadj;
  std::vector<idx_t> adjncy;
};

/// Neighbours across the facets, without self links or repeats.
void polyhedron_neighbours(const SolidMesh<3>& mesh, index_t polyhedron,
                           absl::InlinedVector<index_t, 8>& neighbours) {
  neighbours.clear();
  for (local_index_t facet = 0; facet < mesh.nb_polyhedron_facets(polyhedron); ++facet) {
    const auto adjacent = mesh.polyhedron_adjacent({polyhedron, facet});
    if (!adjacent || *adjacent == polyhedron) continue;
    if (std::find(neighbours.begin(), neighbours.end(), *adjacent) != neighbours.end()) continue;
    neighbours.push_back(*adjacent);
  }
}

/// Rows straight from the adjacencies; empty when some link is one-sided (METIS needs a
/// symmetric graph).
DualGraph adjacency_rows(const SolidMesh<3>& mesh) {
  const auto nb_polyhedra = mesh.nb_polyhedra();
  DualGraph graph;
  graph.xadj.reserve(std::size_t{nb_polyhedra} + 1);
  graph.adjncy.reserve(4 * std::size_t{nb_polyhedra});
  graph.xadj.push_back(0);
  absl::InlinedVector<index_t, 8> neighbours;
  absl::InlinedVector<index_t, 8> back;
  for (index_t polyhedron = 0; polyhedron < nb_polyhedra; ++polyhedron) {
    polyhedron_neighbours(mesh, polyhedron, neighbours);
    for (const auto neighbour : neighbours) {
      polyhedron_neighbours(mesh, neighbour, back);
      if (std::find(back.begin(), back.end(), polyhedron) == back.end()) return {};
      graph.adjncy.push_back(static_cast<idx_t>(neighbour));
    }
    graph.xadj.push_back(static_cast<idx_t>(graph.adjncy.size()));
  }
  return graph;
}

/// Rows of the symmetric closure: p and q are linked when either one lists the other.
DualGraph symmetric_rows(const SolidMesh<3>& mesh) {
  const auto nb_polyhedra = mesh.nb_polyhedra();
  std::vector<std::uint64_t> links;
  absl::InlinedVector<index_t, 8> neighbours;
  for (index_t polyhedron = 0; polyhedron < nb_polyhedra; ++polyhedron) {
    polyhedron_neighbours(mesh, polyhedron, neighbours);
    for (const auto neighbour : neighbours) {
      links.push_back((std::uint64_t{polyhedron} << 32) | neighbour);
      links.push_back((std::uint64_t{neighbour} << 32) | polyhedron);
    }
  }
  std::sort(links.begin(), links.end());
  links.erase(std::unique(links.begin(), links.end()), links.end());
  DualGraph graph;
  graph.xadj.assign(std::size_t{nb_polyhedra} + 1, 0);
  graph.adjncy.reserve(links.size());
  for (const auto link : links) {
    ++graph.xadj[(link >> 32) + 1];
    graph.adjncy.push_back(static_cast<idx_t>(link & 0xffffffffu));
  }
  std::partial_sum(graph.xadj.begin(), graph.xadj.end(), graph.xadj.begin());
  return graph;
}

DualGraph dual_graph(const SolidMesh<3>& mesh) {
  auto graph = adjacency_rows(mesh);
  if (graph.xadj.empty()) graph = symmetric_rows(mesh);
  return graph;
}

/// One breadth-first pass from vertex 0.
bool is_connected(const DualGraph& graph) {
  const auto nb_vertices = graph.xadj.size() - 1;
  std::vector<bool> reached(nb_vertices, false);
  std::vector<idx_t> queue;
  queue.reserve(nb_vertices);
  queue.push_back(0);
  reached[0] = true;
  for (std::size_t next = 0; next < queue.size(); ++next) {
    const auto vertex = queue[next];
    for (auto i = graph.xadj[vertex]; i < graph.xadj[vertex + 1]; ++i) {
      const auto neighbour = graph.adjncy[i];
      if (reached[neighbour]) continue;
      reached[neighbour] = true;
      queue.push_back(neighbour);
    }
  }
  return queue.size() == nb_vertices;
}

std::string_view metis_code_name(int code) {
  switch (code) {
    case METIS_ERROR_INPUT:
      return "METIS_ERROR_INPUT";
    case METIS_ERROR_MEMORY:
      return "METIS_ERROR_MEMORY";
    case METIS_ERROR:
      return "METIS_ERROR";
    default:
      return "unknown METIS code";
  }
}

// Any fixed value makes runs repeatable.
constexpr idx_t metis_seed = 4242;

}  // namespace

std::vector<std::vector<index_t>> mesh_partitionner(const SolidMesh<3>& mesh,
                                                    const PartitionnerParameters& parameters) {
  const auto nb_polyhedra = mesh.nb_polyhedra();
  const auto nb_parts = parameters.nb_parts;
  OSTREL_INPUT_CHECK(OstrelModelException, nb_parts != 0 && nb_parts <= nb_polyhedra,
                     "[mesh_partitionner] Cannot split ", nb_polyhedra, " polyhedra into ",
                     nb_parts, " parts");
  std::vector<std::vector<index_t>> parts(nb_parts);
  if (nb_parts == 1) {
    parts[0].resize(nb_polyhedra);
    std::iota(parts[0].begin(), parts[0].end(), index_t{0});
    return parts;
  }
  OSTREL_EXCEPTION(OstrelModelException,
                   nb_polyhedra <= static_cast<index_t>(std::numeric_limits<idx_t>::max()),
                   "[mesh_partitionner] ", nb_polyhedra,
                   " polyhedra are more than METIS indices can count");

  auto graph = dual_graph(mesh);
  idx_t options[METIS_NOPTIONS];
  METIS_SetDefaultOptions(options);
  options[METIS_OPTION_SEED] = metis_seed;
  options[METIS_OPTION_NUMBERING] = 0;
  // On a disconnected graph METIS cannot honour contiguity: it would print and fail or ignore
  // the option, so the option is only asked for when it can hold.
  options[METIS_OPTION_CONTIG] = is_connected(graph) ? 1 : 0;

  idx_t nb_vertices = static_cast<idx_t>(nb_polyhedra);
  idx_t nb_constraints = 1;
  idx_t nb_metis_parts = static_cast<idx_t>(nb_parts);
  idx_t edge_cut = 0;
  std::vector<idx_t> part_of(nb_polyhedra, 0);
  const int code = METIS_PartGraphKway(&nb_vertices, &nb_constraints, graph.xadj.data(),
                                       graph.adjncy.data(), nullptr, nullptr, nullptr,
                                       &nb_metis_parts, nullptr, nullptr, options, &edge_cut,
                                       part_of.data());
  OSTREL_EXCEPTION(OstrelModelException, code == METIS_OK,
                   "[mesh_partitionner] METIS partitioning failed with code ",
                   metis_code_name(code), " (", code, ")");

  std::vector<index_t> sizes(nb_parts, 0);
  for (const auto part : part_of) ++sizes[static_cast<index_t>(part)];
  for (index_t part = 0; part < nb_parts; ++part) parts[part].reserve(sizes[part]);
  for (index_t polyhedron = 0; polyhedron < nb_polyhedra; ++polyhedron) {
    parts[static_cast<index_t>(part_of[polyhedron])].push_back(polyhedron);
  }
  return parts;
}

}  // namespace veyra
