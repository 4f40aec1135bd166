// SPDX-License-Identifier: MIT
#include <model/operations/component_merge.h>

#include <algorithm>
#include <array>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include <absl/container/flat_hash_set.h>
#include <gtest/gtest.h>

#include <ostrel/mesh/edged_curve_builder.h>
#include <ostrel/mesh/surface_mesh_builder.h>
#include <ostrel/model/component_mesh_edges.h>
#include <model/common/library.h>

namespace veyra {
namespace {

template <index_t D>
Point<D> place(index_t unique_vertex) {
  std::array<double, D> values{};
  values[0] = unique_vertex;
  values[1] = static_cast<double>(unique_vertex) * unique_vertex;
  return Point<D>{values};
}

// Builds lines and surfaces whose mesh vertex i sits on unique vertex unique_vertices[i].
template <typename Model>
class ModelMaker {
  static constexpr index_t D = Model::dim;

 public:
  explicit ModelMaker(Model& model) : model_(model), builder_(model) {
    builder_.create_unique_vertices(16);
  }

  uuid line(const std::vector<index_t>& unique_vertices,
            const std::vector<std::array<index_t, 2>>& edges) {
    const auto id = builder_.add_line();
    auto mesh = builder_.line_mesh_builder(id);
    tie(Line<D>::component_type_static(), id, unique_vertices, *mesh);
    for (const auto& edge : edges) mesh->create_edge(edge[0], edge[1]);
    return id;
  }

  /// A chain through the unique vertices.
  uuid chain(const std::vector<index_t>& unique_vertices) {
    std::vector<std::array<index_t, 2>> edges;
    for (index_t i = 0; i + 1 < unique_vertices.size(); ++i) edges.push_back({i, i + 1});
    return line(unique_vertices, edges);
  }

  uuid surface(const std::vector<index_t>& unique_vertices,
               const std::vector<std::vector<index_t>>& polygons) {
    const auto id = builder_.add_surface();
    auto mesh = builder_.surface_mesh_builder(id);
    tie(Surface<D>::component_type_static(), id, unique_vertices, *mesh);
    for (const auto& polygon : polygons) mesh->create_polygon(polygon);
    return id;
  }

  typename Model::Builder& builder() { return builder_; }

 private:
  template <typename MeshBuilder>
  void tie(const ComponentType& type, const uuid& id, const std::vector<index_t>& unique_vertices,
           MeshBuilder& mesh) {
    for (const auto unique_vertex : unique_vertices) {
      const auto vertex = mesh.create_point(place<D>(unique_vertex));
      builder_.set_unique_vertex({{type, id}, vertex}, unique_vertex);
    }
  }

  Model& model_;
  typename Model::Builder builder_;
};

template <typename Model>
class FindDuplicatedComponents : public ::testing::Test {
 protected:
  void SetUp() override { VeyraConversionModelLibrary::initialize(); }
  Model model;
  ModelMaker<Model> maker{model};
};

using ModelTypes = ::testing::Types<Section, BRep>;
TYPED_TEST_SUITE(FindDuplicatedComponents, ModelTypes);

using Groups = std::vector<std::vector<uuid>>;

TYPED_TEST(FindDuplicatedComponents, NoDuplicatedLines) {
  auto& maker = this->maker;
  maker.chain({0, 1, 2});
  maker.chain({0, 1});       // fewer vertices
  maker.chain({1, 2, 3});    // other unique vertices
  maker.line({0, 1, 2}, {{0, 2}, {2, 1}});  // same vertices, other edges
  maker.line({}, {});
  EXPECT_TRUE(internal::find_duplicated_components(this->model, this->model.lines()).empty());
}

TYPED_TEST(FindDuplicatedComponents, LinesGroupedByFirstMemberInRangeOrder) {
  auto& maker = this->maker;
  const auto a1 = maker.chain({0, 1, 2});
  const auto b1 = maker.chain({5, 6});
  const auto other = maker.chain({0, 1, 3});
  const auto a2 = maker.chain({2, 1, 0});
  const auto b2 = maker.chain({6, 5});
  const auto a3 = maker.line({1, 2, 0}, {{2, 0}, {1, 0}});
  const auto empty1 = maker.line({}, {});
  const auto empty2 = maker.line({}, {});
  static_cast<void>(other);
  EXPECT_EQ(internal::find_duplicated_components(this->model, this->model.lines()),
            (Groups{{a1, a2, a3}, {b1, b2}, {empty1, empty2}}));
}

TYPED_TEST(FindDuplicatedComponents, LineTestIsAsymmetric) {
  // The second line has the counts of the first and only unique vertices and edges of the
  // first, but not all of them: it is a duplicate of the first, not the other way round.
  auto& maker = this->maker;
  const auto full = maker.chain({0, 1, 2});
  const auto partial = maker.line({0, 1, 1}, {{0, 1}, {0, 2}});
  EXPECT_EQ(internal::find_duplicated_components(this->model, this->model.lines()),
            (Groups{{full, partial}}));

  TypeParam reversed;
  ModelMaker<TypeParam> reversed_maker{reversed};
  reversed_maker.line({0, 1, 1}, {{0, 1}, {0, 2}});
  reversed_maker.chain({0, 1, 2});
  EXPECT_TRUE(internal::find_duplicated_components(reversed, reversed.lines()).empty());
}

TYPED_TEST(FindDuplicatedComponents, SurfacesWhateverPolygonStartAndOrientation) {
  auto& maker = this->maker;
  const auto quad = maker.surface({0, 1, 2, 3}, {{0, 1, 2}, {0, 2, 3}});
  // Same polygons, other vertex numbering, other starts, opposite orientation.
  const auto turned = maker.surface({3, 2, 0, 1}, {{1, 2, 3}, {0, 2, 1}});
  // Same unique vertices, other diagonal.
  const auto other_diagonal = maker.surface({0, 1, 2, 3}, {{0, 1, 3}, {1, 2, 3}});
  const auto as_one_polygon = maker.surface({0, 1, 2, 3}, {{0, 1, 2, 3}});
  const auto quad_again = maker.surface({0, 1, 2, 3}, {{2, 3, 0}, {1, 2, 0}});
  const auto polygon_again = maker.surface({0, 1, 2, 3}, {{1, 0, 3, 2}});
  static_cast<void>(other_diagonal);
  EXPECT_EQ(internal::find_duplicated_components(this->model, this->model.surfaces()),
            (Groups{{quad, turned, quad_again}, {as_one_polygon, polygon_again}}));
}

// The duplicate test written out pair by pair, as a reference for the indexed search.
template <typename Model>
Groups naive_line_groups(const Model& model) {
  std::vector<const Line<Model::dim>*> lines;
  for (const auto& line : model.lines()) lines.push_back(&line);
  const auto same = [&model](const Line<Model::dim>& a, const Line<Model::dim>& b) {
    const auto& mesh_a = a.mesh();
    const auto& mesh_b = b.mesh();
    if (mesh_a.nb_vertices() != mesh_b.nb_vertices() || mesh_a.nb_edges() != mesh_b.nb_edges()) {
      return false;
    }
    const auto unique_vertex = [&model](const Line<Model::dim>& line, index_t v) {
      return model.unique_vertex({line.component_id(), v});
    };
    for (index_t vb = 0; vb < mesh_b.nb_vertices(); ++vb) {
      bool found = false;
      for (index_t va = 0; va < mesh_a.nb_vertices(); ++va) {
        found = found || unique_vertex(b, vb) == unique_vertex(a, va);
      }
      if (!found) return false;
    }
    const auto pair = [&model](const Line<Model::dim>& line, index_t e) {
      auto ends = edge_unique_vertices(model, line, e);
      if (ends[1] < ends[0]) std::swap(ends[0], ends[1]);
      return ends;
    };
    for (index_t eb = 0; eb < mesh_b.nb_edges(); ++eb) {
      bool found = false;
      for (index_t ea = 0; ea < mesh_a.nb_edges(); ++ea) found = found || pair(b, eb) == pair(a, ea);
      if (!found) return false;
    }
    return true;
  };
  std::vector<bool> visited(lines.size(), false);
  Groups groups;
  for (std::size_t a = 0; a < lines.size(); ++a) {
    if (visited[a]) continue;
    visited[a] = true;
    std::vector<uuid> group{lines[a]->id()};
    for (std::size_t b = 0; b < lines.size(); ++b) {
      if (visited[b] || !same(*lines[a], *lines[b])) continue;
      visited[b] = true;
      group.push_back(lines[b]->id());
    }
    if (group.size() > 1) groups.push_back(std::move(group));
  }
  return groups;
}

TYPED_TEST(FindDuplicatedComponents, LinesAgreeWithPairByPairTest) {
  // Many short lines over few unique vertices: lots of duplicates, near misses and lines that
  // only contain others.
  std::mt19937 random{7};
  std::uniform_int_distribution<index_t> nb_vertices_of{0, 4};
  std::uniform_int_distribution<index_t> unique_vertex_of{0, 3};
  for (int l = 0; l < 300; ++l) {
    std::vector<index_t> unique_vertices(nb_vertices_of(random));
    for (auto& unique_vertex : unique_vertices) unique_vertex = unique_vertex_of(random);
    std::vector<std::array<index_t, 2>> edges;
    if (!unique_vertices.empty()) {
      std::uniform_int_distribution<index_t> vertex_of{
          0, static_cast<index_t>(unique_vertices.size() - 1)};
      const auto nb_edges = std::min<index_t>(nb_vertices_of(random), 3);
      for (index_t e = 0; e < nb_edges; ++e) edges.push_back({vertex_of(random), vertex_of(random)});
    }
    this->maker.line(unique_vertices, edges);
  }
  const auto groups = internal::find_duplicated_components(this->model, this->model.lines());
  EXPECT_GT(groups.size(), 10u);
  EXPECT_EQ(groups, naive_line_groups(this->model));
}

class ComponentMerge : public ::testing::Test {
 protected:
  void SetUp() override { VeyraConversionModelLibrary::initialize(); }
  Section model;
  ModelMaker<Section> maker{model};
  SectionBuilder& builder = maker.builder();
};

struct MetadataCase {
  std::vector<std::optional<std::string>> names;
  std::vector<bool> active;
  std::optional<std::string> expected_name;
  bool expected_active;
};

TEST_F(ComponentMerge, TransferMetadata) {
  const std::vector<MetadataCase> cases{
      {{"a", "b", "a"}, {true, true, true}, "a_b", true},
      {{std::nullopt, std::nullopt}, {true, true}, std::nullopt, true},
      {{std::nullopt, "x", std::nullopt, "y_z"}, {true, false, true, true}, "x_y_z", false},
      {{"only"}, {false}, "only", false},
      {{}, {}, std::nullopt, true},
  };
  const auto check = [&](const auto& component, const MetadataCase& expected) {
    if (expected.expected_name) {
      EXPECT_EQ(component.name(), std::optional<std::string_view>{*expected.expected_name});
    } else {
      EXPECT_FALSE(component.name());
    }
    EXPECT_EQ(component.is_active(), expected.expected_active);
  };
  for (const auto& test_case : cases) {
    SCOPED_TRACE(test_case.expected_name.value_or("<no name>"));
    std::vector<uuid> corners;
    std::vector<uuid> lines;
    std::vector<uuid> surfaces;
    for (std::size_t i = 0; i < test_case.names.size(); ++i) {
      corners.push_back(builder.add_corner());
      lines.push_back(builder.add_line());
      surfaces.push_back(builder.add_surface());
      if (test_case.names[i]) {
        builder.set_corner_name(corners.back(), *test_case.names[i]);
        builder.set_line_name(lines.back(), *test_case.names[i]);
        builder.set_surface_name(surfaces.back(), *test_case.names[i]);
      }
      builder.set_corner_active(corners.back(), test_case.active[i]);
      builder.set_line_active(lines.back(), test_case.active[i]);
      builder.set_surface_active(surfaces.back(), test_case.active[i]);
    }
    const auto new_corner = builder.add_corner();
    const auto new_line = builder.add_line();
    const auto new_surface = builder.add_surface();
    builder.set_corner_active(new_corner, !test_case.expected_active);
    builder.set_line_active(new_line, !test_case.expected_active);
    builder.set_surface_active(new_surface, !test_case.expected_active);
    internal::transfer_corner_metadata(model, builder, new_corner, corners);
    internal::transfer_line_metadata(model, builder, new_line, lines);
    internal::transfer_surface_metadata(model, builder, new_surface, surfaces);
    check(model.corner(new_corner), test_case);
    check(model.line(new_line), test_case);
    check(model.surface(new_surface), test_case);
  }
}

TEST_F(ComponentMerge, TransferRelationshipsTakesTheLowerPartyRelationsOnce) {
  const auto corner = builder.add_corner();
  const auto bounded = builder.add_corner();
  const auto line = builder.add_line();
  const auto other_line = builder.add_line();
  const auto surface = builder.add_surface();
  const auto collection = builder.add_line_collection();
  const auto boundary = builder.add_model_boundary();
  builder.add_corner_line_boundary_relationship(model.corner(corner), model.line(line));
  builder.add_line_surface_boundary_relationship(model.line(line), model.surface(surface));
  builder.add_line_in_line_collection(model.line(line), model.line_collection(collection));
  builder.add_line_in_model_boundary(model.line(line), model.model_boundary(boundary));
  builder.add_corner_line_boundary_relationship(model.corner(bounded), model.line(other_line));
  // The new line already lies on the surface: that relation is not doubled.
  const auto new_line = builder.add_line();
  builder.add_line_surface_internal_relationship(model.line(new_line), model.surface(surface));
  const auto embedding = builder.add_surface();
  builder.add_line_surface_internal_relationship(model.line(line), model.surface(embedding));

  for (int run = 0; run < 2; ++run) {
    internal::transfer_relationships(model, builder, model.line(line), model.line(new_line));
    // The old line's boundary corner is not taken over; everything the line is part of is.
    EXPECT_EQ(model.nb_boundaries(new_line), 0u);
    EXPECT_TRUE(model.is_boundary(new_line, surface));
    EXPECT_TRUE(model.is_internal(new_line, surface));
    EXPECT_TRUE(model.is_internal(new_line, embedding));
    EXPECT_TRUE(model.is_item(new_line, collection));
    EXPECT_TRUE(model.is_item(new_line, boundary));
    EXPECT_EQ(model.nb_relations(new_line), 5u);
    // The old line keeps its relations.
    EXPECT_EQ(model.nb_relations(line), 5u);
  }

  // A corner takes over the lines it bounds.
  internal::transfer_relationships(model, builder, model.corner(bounded), model.corner(corner));
  EXPECT_TRUE(model.is_boundary(corner, other_line));
  EXPECT_TRUE(model.is_boundary(corner, line));
}

template <typename Item, typename OldComponents>
void record(const Item& old_item, const Item& new_item, GenericMapping<Item>& mapping,
            const OldComponents& old_components) {
  if constexpr (std::is_same_v<Item, MeshVertex>) {
    internal::map_old_to_new_mesh_vertices(old_item, new_item, mapping, old_components);
  } else {
    internal::map_old_to_new_mesh_elements(old_item, new_item, mapping, old_components);
  }
}

template <typename Item, typename OldComponents>
void check_mapping_rules(const OldComponents& old_components, const uuid& old_a,
                         const uuid& old_b, const uuid& created, const uuid& last) {
  GenericMapping<Item> mapping;
  const Item v{old_a, 0};
  const Item v2{old_b, 3};
  const Item w{created, 1};
  const Item x{last, 2};
  const Item y{last, 5};

  // A vertex of a component created during the run maps nowhere.
  record(w, x, mapping, old_components);
  EXPECT_TRUE(mapping.empty());

  record(v, w, mapping, old_components);
  record(v2, w, mapping, old_components);
  record(v, w, mapping, old_components);
  EXPECT_EQ(mapping.size_in(), 2u);
  EXPECT_EQ(mapping.in2out(v).size(), 1u);

  // The chains v -> w -> x and v2 -> w -> x collapse; w leaves the mapping.
  record(w, x, mapping, old_components);
  EXPECT_FALSE(mapping.has_mapping_output(w));
  EXPECT_FALSE(mapping.has_mapping_input(w));
  EXPECT_EQ(mapping.in2out(v), (typename GenericMapping<Item>::template Values<Item>{x}));
  EXPECT_EQ(mapping.in2out(v2), (typename GenericMapping<Item>::template Values<Item>{x}));
  EXPECT_EQ(mapping.out2in(x), (typename GenericMapping<Item>::template Values<Item>{v, v2}));

  // An old item may map to several new ones.
  record(v, y, mapping, old_components);
  EXPECT_EQ(mapping.in2out(v), (typename GenericMapping<Item>::template Values<Item>{x, y}));
}

// Both overloads (span and set of old components) of both mapping kinds behave alike.
TEST_F(ComponentMerge, MapOldToNewMeshVerticesAndElements) {
  const uuid old_a;
  const uuid old_b;
  const uuid created;
  const uuid last;
  const std::vector<uuid> old_list{old_b, old_a};
  const absl::flat_hash_set<uuid> old_set{old_a, old_b};
  const absl::Span<const uuid> old_span{old_list};
  check_mapping_rules<MeshVertex>(old_span, old_a, old_b, created, last);
  check_mapping_rules<MeshVertex>(old_set, old_a, old_b, created, last);
  check_mapping_rules<MeshElement>(old_span, old_a, old_b, created, last);
  check_mapping_rules<MeshElement>(old_set, old_a, old_b, created, last);
}

}  // namespace
}  // namespace veyra
