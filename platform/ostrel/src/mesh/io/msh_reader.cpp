// SPDX-License-Identifier: MIT
// Gmsh MSH reader, ASCII versions 2.2 and 4.1. Sections other than $MeshFormat, $PhysicalNames,
// $Entities, $Nodes and $Elements are skipped.
#include <algorithm>
#include <array>
#include <optional>

#include "mesh_readers.h"

namespace veyra::internal {
namespace {

struct ElementType {
  CellKind kind;
  index_t nb_nodes;
};

/// The first-order element types of Gmsh.
std::optional<ElementType> element_type(int type) {
  switch (type) {
    case 1:
      return ElementType{CellKind::edge, 2};
    case 2:
      return ElementType{CellKind::polygon, 3};
    case 3:
      return ElementType{CellKind::polygon, 4};
    case 4:
      return ElementType{CellKind::tetrahedron, 4};
    case 5:
      return ElementType{CellKind::hexahedron, 8};
    case 6:
      return ElementType{CellKind::prism, 6};
    case 7:
      return ElementType{CellKind::pyramid, 5};
    case 15:
      return ElementType{CellKind::vertex, 1};
    default:
      return std::nullopt;
  }
}

/// Shortest text of a node line ("1 0 0 0\n") and of one number with its separator.
constexpr std::size_t min_node_bytes = 8;
constexpr std::size_t min_number_bytes = 2;

class MshReader {
 public:
  explicit MshReader(const InputSource& source) : source_(source), scanner_(source) {}

  MshFile read() {
    read_header();
    bool has_nodes = false;
    bool has_elements = false;
    while (!scanner_.at_end()) {
      const auto start = scanner_.position();
      const auto section = scanner_.token("a section");
      if (section.empty() || section.front() != '$' || section.starts_with("$End")) {
        scanner_.fail_at(start, "expected a section such as $Nodes, found \"",
                         printable(section), "\"");
      }
      const auto name = section.substr(1);
      if (name == "PhysicalNames") {
        read_physical_names();
      } else if (name == "Entities" && version_ == 4) {
        read_entities();
      } else if (name == "Nodes") {
        if (has_nodes) scanner_.fail_at(start, "a second $Nodes section");
        has_nodes = true;
        version_ == 4 ? read_nodes_4() : read_nodes_2();
      } else if (name == "Elements") {
        if (!has_nodes) scanner_.fail_at(start, "$Elements before $Nodes");
        if (has_elements) scanner_.fail_at(start, "a second $Elements section");
        has_elements = true;
        version_ == 4 ? read_elements_4() : read_elements_2();
      } else {
        skip_section(name);
        continue;
      }
      scanner_.expect(str_cat("$End", name));
    }
    if (!has_nodes) source_.fail("no $Nodes section");
    file_.mesh.cell_data.push_back(DataArray{"gmsh_physical", 1, std::move(physicals_)});
    file_.mesh.cell_data.push_back(DataArray{"gmsh_entity", 1, std::move(entities_)});
    return std::move(file_);
  }

 private:
  void read_header() {
    scanner_.expect("$MeshFormat");
    const auto start = scanner_.position();
    const auto version = scanner_.token("the MSH version");
    if (version == "4.1") {
      version_ = 4;
    } else if (version == "2.2" || version == "2.1" || version == "2" || version == "2.0") {
      version_ = 2;
    } else {
      scanner_.fail_at(start, "MSH version ", printable(version),
                       " is not supported (2.2 and 4.1 are)");
    }
    const auto type_start = scanner_.position();
    const auto file_type = scanner_.integer<int>("the file type");
    if (file_type != 0) {
      scanner_.fail_at(type_start, "binary MSH files are not supported, only ASCII ones");
    }
    scanner_.integer<int>("the data size");
    scanner_.expect("$EndMeshFormat");
  }

  void skip_section(std::string_view name) {
    const auto end_marker = str_cat("$End", name);
    auto position = scanner_.position();
    const auto text = source_.content();
    while (true) {
      const auto found = text.find(end_marker, position);
      if (found == std::string_view::npos) {
        scanner_.fail("section $", printable(name), " has no ", printable(end_marker));
      }
      const auto after = found + end_marker.size();
      const bool starts_line = found == 0 || text[found - 1] == '\n';
      const bool ends_line = after >= text.size() || text[after] == '\n' || text[after] == '\r' ||
                             text[after] == ' ' || text[after] == '\t';
      if (starts_line && ends_line) {
        scanner_.set_position(after);
        return;
      }
      position = after;
    }
  }

  void read_physical_names() {
    const auto nb = scanner_.count("physical names", 6);
    for (index_t i = 0; i < nb; ++i) {
      const auto dimension = read_dimension("the physical group dimension");
      const auto tag = scanner_.integer<int>("the physical tag");
      auto name = scanner_.rest_of_line();
      if (name.size() >= 2 && name.front() == '"' && name.back() == '"') {
        name = name.substr(1, name.size() - 2);
      }
      file_.physical_names[{dimension, tag}] = std::string{name};
    }
  }

  index_t read_dimension(std::string_view what) {
    const auto start = scanner_.position();
    const auto dimension = scanner_.integer<int>(what);
    if (dimension < 0 || dimension > 3) {
      scanner_.fail_at(start, "expected a dimension from 0 to 3 (", what, "), found ",
                       dimension);
    }
    return static_cast<index_t>(dimension);
  }

  void read_entities() {
    std::array<index_t, 4> nb_entities;
    for (index_t dimension = 0; dimension < 4; ++dimension) {
      nb_entities[dimension] = scanner_.count("entities", 10);
    }
    for (index_t dimension = 0; dimension < 4; ++dimension) {
      for (index_t i = 0; i < nb_entities[dimension]; ++i) {
        const auto tag = scanner_.integer<int>("the entity tag");
        const auto nb_coordinates = dimension == 0 ? 3 : 6;
        for (int c = 0; c < nb_coordinates; ++c) scanner_.real("an entity box coordinate");
        const auto nb_physicals = scanner_.count("physical tags", min_number_bytes);
        auto& physicals = file_.entity_physicals[{dimension, tag}];
        for (index_t p = 0; p < nb_physicals; ++p) {
          physicals.push_back(scanner_.integer<int>("a physical tag"));
        }
        if (dimension > 0) {
          const auto nb_bounding = scanner_.count("bounding entities", min_number_bytes);
          for (index_t b = 0; b < nb_bounding; ++b) {
            scanner_.integer<int>("a bounding entity tag");
          }
        }
      }
    }
  }

  void add_node(std::uint64_t tag, std::size_t tag_position) {
    const auto x = scanner_.real("the node x coordinate");
    const auto y = scanner_.real("the node y coordinate");
    const auto z = scanner_.real("the node z coordinate");
    if (tag == 0) scanner_.fail_at(tag_position, "node tags start at 1, found 0");
    file_.node_tags.push_back(tag);
    file_.mesh.add_point(x, y, z);
  }

  void read_nodes_2() {
    const auto nb = scanner_.count("nodes", min_node_bytes);
    file_.node_tags.reserve(nb);
    file_.mesh.coordinates.reserve(3 * static_cast<std::size_t>(nb));
    for (index_t i = 0; i < nb; ++i) {
      const auto start = scanner_.position();
      const auto tag = scanner_.integer<std::uint64_t>("a node tag");
      add_node(tag, start);
    }
    index_nodes(nb);
  }

  void read_nodes_4() {
    const auto nb_blocks = scanner_.count("node blocks", min_node_bytes);
    const auto nb = scanner_.count("nodes", min_node_bytes);
    scanner_.integer<std::uint64_t>("the smallest node tag");
    scanner_.integer<std::uint64_t>("the largest node tag");
    file_.node_tags.reserve(nb);
    file_.mesh.coordinates.reserve(3 * static_cast<std::size_t>(nb));
    std::vector<std::pair<std::uint64_t, std::size_t>> block_tags;
    for (index_t block = 0; block < nb_blocks; ++block) {
      const auto dimension = read_dimension("the node block dimension");
      scanner_.integer<int>("the node block entity tag");
      const auto parametric = scanner_.integer<int>("the parametric flag");
      const auto block_start = scanner_.position();
      const auto nb_in_block = scanner_.count("nodes in the block", min_node_bytes);
      if (static_cast<std::size_t>(nb_in_block) + file_.node_tags.size() > nb) {
        scanner_.fail_at(block_start, "the node blocks hold more nodes than the ", nb,
                         " announced");
      }
      block_tags.clear();
      for (index_t i = 0; i < nb_in_block; ++i) {
        const auto start = scanner_.position();
        block_tags.emplace_back(scanner_.integer<std::uint64_t>("a node tag"), start);
      }
      for (const auto& [tag, tag_position] : block_tags) {
        add_node(tag, tag_position);
        if (parametric != 0) {
          for (index_t p = 0; p < dimension; ++p) scanner_.real("a parametric coordinate");
        }
      }
    }
    if (file_.node_tags.size() != nb) {
      scanner_.fail("the node blocks hold ", file_.node_tags.size(), " nodes, ", nb,
                    " were announced");
    }
    index_nodes(nb);
  }

  /// Node tags to indices: a table when the tags are dense enough, a hash map otherwise.
  void index_nodes(index_t nb) {
    std::uint64_t max_tag = 0;
    for (const auto tag : file_.node_tags) max_tag = std::max(max_tag, tag);
    dense_ = max_tag <= 2 * static_cast<std::uint64_t>(nb) + 1024;
    if (dense_) {
      dense_index_.assign(static_cast<std::size_t>(max_tag) + 1, NO_ID);
    } else {
      sparse_index_.reserve(nb);
    }
    for (index_t node = 0; node < nb; ++node) {
      const auto tag = file_.node_tags[node];
      const bool is_new = dense_ ? std::exchange(dense_index_[tag], node) == NO_ID
                                 : sparse_index_.emplace(tag, node).second;
      if (!is_new) source_.fail("node tag ", tag, " is defined twice");
    }
  }

  index_t read_node_reference() {
    const auto start = scanner_.position();
    const auto tag = scanner_.integer<std::int64_t>("a node tag");
    index_t node = NO_ID;
    if (tag > 0) {
      const auto unsigned_tag = static_cast<std::uint64_t>(tag);
      if (dense_) {
        if (unsigned_tag < dense_index_.size()) node = dense_index_[unsigned_tag];
      } else if (const auto found = sparse_index_.find(unsigned_tag);
                 found != sparse_index_.end()) {
        node = found->second;
      }
    }
    if (node == NO_ID) scanner_.fail_at(start, "node tag ", tag, " is not defined in $Nodes");
    return node;
  }

  ElementType read_element_type() {
    const auto start = scanner_.position();
    const auto type = scanner_.integer<int>("an element type");
    const auto found = element_type(type);
    if (!found) {
      scanner_.fail_at(start, "element type ", type,
                       " is not supported (first-order points, lines, triangles, quadrangles, "
                       "tetrahedra, hexahedra, prisms and pyramids are)");
    }
    return *found;
  }

  void add_element(const ElementType& type, int physical, int entity) {
    std::array<index_t, 8> nodes;
    for (index_t n = 0; n < type.nb_nodes; ++n) nodes[n] = read_node_reference();
    file_.mesh.add_cell(type.kind, absl::MakeConstSpan(nodes.data(), type.nb_nodes));
    physicals_.push_back(physical);
    entities_.push_back(entity);
  }

  void reserve_elements(index_t nb) {
    file_.mesh.cell_kinds.reserve(nb);
    file_.mesh.cell_offsets.reserve(static_cast<std::size_t>(nb) + 1);
    physicals_.reserve(nb);
    entities_.reserve(nb);
  }

  void read_elements_2() {
    const auto nb = scanner_.count("elements", 5 * min_number_bytes);
    reserve_elements(nb);
    for (index_t i = 0; i < nb; ++i) {
      scanner_.integer<std::uint64_t>("an element tag");
      const auto type = read_element_type();
      const auto nb_tags = scanner_.count("element tags", min_number_bytes);
      int physical = 0;
      int entity = 0;
      for (index_t t = 0; t < nb_tags; ++t) {
        const auto value = scanner_.integer<int>("an element tag value");
        if (t == 0) physical = value;
        if (t == 1) entity = value;
      }
      add_element(type, physical, entity);
    }
  }

  void read_elements_4() {
    const auto nb_blocks = scanner_.count("element blocks", 4 * min_number_bytes);
    const auto nb = scanner_.count("elements", 2 * min_number_bytes);
    scanner_.integer<std::uint64_t>("the smallest element tag");
    scanner_.integer<std::uint64_t>("the largest element tag");
    reserve_elements(nb);
    for (index_t block = 0; block < nb_blocks; ++block) {
      const auto block_start = scanner_.position();
      const auto dimension = read_dimension("the element block dimension");
      const auto entity = scanner_.integer<int>("the element block entity tag");
      const auto type = read_element_type();
      if (cell_dimension(type.kind) != dimension) {
        scanner_.fail_at(block_start, "the element block of dimension ", dimension,
                         " holds elements of dimension ", cell_dimension(type.kind));
      }
      const auto nb_in_block =
          scanner_.count("elements in the block", (1 + type.nb_nodes) * min_number_bytes);
      if (static_cast<std::size_t>(nb_in_block) + physicals_.size() > nb) {
        scanner_.fail_at(block_start, "the element blocks hold more elements than the ", nb,
                         " announced");
      }
      const auto physicals = file_.entity_physicals.find({dimension, entity});
      const auto physical = physicals == file_.entity_physicals.end() || physicals->second.empty()
                                ? 0
                                : physicals->second.front();
      for (index_t i = 0; i < nb_in_block; ++i) {
        scanner_.integer<std::uint64_t>("an element tag");
        add_element(type, physical, entity);
      }
    }
    if (physicals_.size() != nb) {
      scanner_.fail("the element blocks hold ", physicals_.size(), " elements, ", nb,
                    " were announced");
    }
  }

  const InputSource& source_;
  TextScanner scanner_;
  int version_{0};
  MshFile file_;
  std::vector<std::int32_t> physicals_;
  std::vector<std::int32_t> entities_;
  bool dense_{true};
  std::vector<index_t> dense_index_;
  absl::flat_hash_map<std::uint64_t, index_t> sparse_index_;
};

}  // namespace

MshFile read_msh_file(const InputSource& source) { return MshReader{source}.read(); }

}  // namespace veyra::internal
