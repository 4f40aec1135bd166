// SPDX-License-Identifier: MIT
// Gmsh MSH 4.1 ASCII writer. Elements take their entity from the "gmsh_entity" element attribute
// and their physical group from "gmsh_physical" (absent: entity 1, no physical group). Each
// entity is declared in $Entities with its box and physical group; when one entity tag would
// need several physical groups (or a tag is not positive), entities are renumbered 1, 2...
// in order of first use. Element blocks follow the element order, a new block starting
// wherever the entity or the element type changes, so elements keep their numbering.
#include <array>
#include <limits>

#include <absl/container/flat_hash_map.h>

#include <ostrel/basic/ostrel_exception.h>

#include "mesh_writers.h"
#include "output_buffer.h"

namespace veyra::internal {
namespace {

int gmsh_type(CellKind kind, std::size_t nb_vertices) {
  switch (kind) {
    case CellKind::vertex:
      return 15;
    case CellKind::edge:
      return 1;
    case CellKind::polygon:
      return nb_vertices == 3 ? 2 : (nb_vertices == 4 ? 3 : 0);
    case CellKind::tetrahedron:
      return 4;
    case CellKind::hexahedron:
      return 5;
    case CellKind::prism:
      return 6;
    case CellKind::pyramid:
      return 7;
    default:
      return 0;
  }
}

/// Integer value of an element attribute (any genericable type); `fallback` when absent.
std::vector<int> integer_attribute(const AttributeManager* manager, std::string_view name,
                                   index_t nb_elements, int fallback) {
  std::vector<int> values(nb_elements, fallback);
  if (manager == nullptr) return values;
  const auto attribute = manager->find_generic_attribute(name);
  if (attribute == nullptr || !attribute->is_genericable()) return values;
  for (index_t e = 0; e < nb_elements; ++e) {
    values[e] = static_cast<int>(attribute->generic_value(e));
  }
  return values;
}

struct Entity {
  int tag;
  int physical;
  std::array<double, 3> min{std::numeric_limits<double>::max(), std::numeric_limits<double>::max(),
                            std::numeric_limits<double>::max()};
  std::array<double, 3> max{std::numeric_limits<double>::lowest(),
                            std::numeric_limits<double>::lowest(),
                            std::numeric_limits<double>::lowest()};
};

class MshWriter {
 public:
  MshWriter(std::ostream& stream, const MeshView& view, std::string_view path)
      : out_(stream), view_(view), path_(path) {}

  void write() {
    check_elements();
    assign_entities();
    out_ << "$MeshFormat\n4.1 0 8\n$EndMeshFormat\n";
    write_entities();
    write_nodes();
    write_elements();
  }

 private:
  void check_elements() const {
    for (index_t e = 0; e < view_.nb_elements(); ++e) {
      if (gmsh_type(view_.element_kinds[e], view_.element(e).size()) != 0) continue;
      if (view_.element_kinds[e] == CellKind::polygon) {
        throw OstrelMeshException(nullptr, OstrelException::TYPE::input, "[write_mesh] ", path_,
                                  ": polygon ", e, " has ", view_.element(e).size(),
                                  " vertices, MSH files hold triangles and quadrangles only");
      }
      throw OstrelMeshException(nullptr, OstrelException::TYPE::input, "[write_mesh] ", path_,
                                ": polyhedron ", e,
                                " is not a tetrahedron, hexahedron, prism or pyramid, which is "
                                "all MSH files hold");
    }
  }

  void assign_entities() {
    const auto nb = view_.nb_elements();
    const auto tags = integer_attribute(view_.element_attributes, "gmsh_entity", nb, 1);
    const auto physicals = integer_attribute(view_.element_attributes, "gmsh_physical", nb, 0);
    absl::flat_hash_map<std::pair<int, int>, index_t> entity_of_pair;
    absl::flat_hash_map<int, index_t> pairs_of_tag;
    bool renumber = false;
    element_entity_.reserve(nb);
    for (index_t e = 0; e < nb; ++e) {
      const auto [found, inserted] =
          entity_of_pair.try_emplace({tags[e], physicals[e]}, static_cast<index_t>(entities_.size()));
      if (inserted) {
        entities_.push_back(Entity{tags[e], physicals[e]});
        renumber = renumber || tags[e] <= 0 || ++pairs_of_tag[tags[e]] > 1;
      }
      auto& entity = entities_[found->second];
      for (const auto vertex : view_.element(e)) {
        for (index_t axis = 0; axis < 3; ++axis) {
          const auto value = view_.coordinates[3 * vertex + axis];
          entity.min[axis] = std::min(entity.min[axis], value);
          entity.max[axis] = std::max(entity.max[axis], value);
        }
      }
      element_entity_.push_back(found->second);
    }
    if (renumber) {
      for (std::size_t i = 0; i < entities_.size(); ++i) entities_[i].tag = static_cast<int>(i + 1);
    }
  }

  void write_entities() {
    if (entities_.empty()) return;
    out_ << "$Entities\n";
    for (index_t d = 0; d < 4; ++d) {
      out_ << (d == view_.element_dimension ? entities_.size() : std::size_t{0})
           << (d < 3 ? ' ' : '\n');
    }
    for (const auto& entity : entities_) {
      out_ << entity.tag;
      const auto nb_box = view_.element_dimension == 0 ? 1 : 2;
      for (int corner = 0; corner < nb_box; ++corner) {
        for (index_t axis = 0; axis < 3; ++axis) {
          out_ << ' ' << (corner == 0 ? entity.min[axis] : entity.max[axis]);
        }
      }
      if (entity.physical != 0) {
        out_ << " 1 " << entity.physical;
      } else {
        out_ << " 0";
      }
      if (view_.element_dimension > 0) out_ << " 0";
      out_ << '\n';
    }
    out_ << "$EndEntities\n";
  }

  void write_nodes() {
    const auto nb = view_.nb_vertices();
    out_ << "$Nodes\n";
    if (nb == 0) {
      out_ << "0 0 0 0\n$EndNodes\n";
      return;
    }
    const auto tag = entities_.empty() ? 1 : entities_.front().tag;
    const auto dimension = entities_.empty() ? index_t{0} : view_.element_dimension;
    out_ << "1 " << nb << " 1 " << nb << '\n' << dimension << ' ' << tag << " 0 " << nb << '\n';
    for (index_t v = 0; v < nb; ++v) out_ << v + 1 << '\n';
    for (index_t v = 0; v < nb; ++v) {
      out_ << view_.coordinates[3 * v] << ' ' << view_.coordinates[3 * v + 1] << ' '
           << view_.coordinates[3 * v + 2] << '\n';
    }
    out_ << "$EndNodes\n";
  }

  void write_elements() {
    const auto nb = view_.nb_elements();
    if (nb == 0) return;
    // Blocks: runs of elements with the same entity and type.
    std::vector<index_t> block_starts;
    for (index_t e = 0; e < nb; ++e) {
      if (e == 0 || element_entity_[e] != element_entity_[e - 1] ||
          type_of(e) != type_of(e - 1)) {
        block_starts.push_back(e);
      }
    }
    block_starts.push_back(nb);
    out_ << "$Elements\n" << block_starts.size() - 1 << ' ' << nb << " 1 " << nb << '\n';
    for (std::size_t b = 0; b + 1 < block_starts.size(); ++b) {
      const auto begin = block_starts[b];
      const auto end = block_starts[b + 1];
      out_ << view_.element_dimension << ' ' << entities_[element_entity_[begin]].tag << ' '
           << type_of(begin) << ' ' << end - begin << '\n';
      for (auto e = begin; e < end; ++e) {
        out_ << e + 1;
        for (const auto vertex : view_.element(e)) out_ << ' ' << vertex + 1;
        out_ << '\n';
      }
    }
    out_ << "$EndElements\n";
  }

  int type_of(index_t element) const {
    return gmsh_type(view_.element_kinds[element], view_.element(element).size());
  }

  OutputBuffer out_;
  const MeshView& view_;
  std::string_view path_;
  std::vector<Entity> entities_;
  std::vector<index_t> element_entity_;
};

}  // namespace

void write_msh(std::ostream& stream, const MeshView& view, std::string_view path) {
  MshWriter{stream, view, path}.write();
}

}  // namespace veyra::internal
