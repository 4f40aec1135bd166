// SPDX-License-Identifier: MIT
#include <ostrel/basic/attribute_manager.h>

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include <absl/container/flat_hash_map.h>

#include <ostrel/basic/uuid.h>

namespace veyra {
namespace {

template <typename T>
std::vector<T> values_of(const ReadOnlyAttribute<T>& attribute, index_t nb_elements) {
  std::vector<T> result;
  for (index_t i = 0; i < nb_elements; ++i) result.push_back(attribute.value(i));
  return result;
}

template <typename Exception, typename F>
void expect_input_error(F&& action, const std::string& message) {
  try {
    action();
    FAIL() << "no exception";
  } catch (const Exception& error) {
    EXPECT_EQ(error.type(), OstrelException::TYPE::input);
    EXPECT_EQ(std::string{error.what()}, message);
  }
}

template <template <typename> class Storage>
void check_values_follow_deletion() {
  AttributeManager manager;
  manager.resize(5);
  auto attribute = manager.find_or_create_attribute<Storage, int>("value", -1);
  for (index_t i = 0; i < 5; ++i) attribute->set_value(i, static_cast<int>(10 * i));
  attribute->set_value(3, -1);  // a default value in the middle stays a default

  const auto old2new = manager.delete_elements({false, true, false, true, false});
  EXPECT_EQ(old2new, (std::vector<index_t>{0, NO_ID, 1, NO_ID, 2}));
  EXPECT_EQ(manager.nb_elements(), 3);
  EXPECT_EQ(values_of<int>(*attribute, 3), (std::vector<int>{0, 20, 40}));

  manager.resize(4);
  EXPECT_EQ(attribute->value(3), -1);
  manager.permute(std::vector<index_t>{3, 2, 1, 0});
  EXPECT_EQ(values_of<int>(*attribute, 4), (std::vector<int>{-1, 40, 20, 0}));
  manager.resize(2);
  manager.resize(3);
  EXPECT_EQ(values_of<int>(*attribute, 3), (std::vector<int>{-1, 40, -1}));
}

TEST(AttributeManager, ValuesFollowDeletionPermutationAndResize) {
  check_values_follow_deletion<VariableAttribute>();
  check_values_follow_deletion<SparseAttribute>();
}

TEST(AttributeManager, StoresAnyCopyableType) {
  AttributeManager manager;
  manager.resize(2);
  auto flags = manager.find_or_create_attribute<VariableAttribute, bool>("flag", false);
  flags->set_value(1, true);
  const bool& stored = flags->value(1);
  EXPECT_TRUE(stored);
  flags->modify_value(0, [](bool& value) { value = !value; });
  EXPECT_TRUE(flags->value(0));

  const uuid id;
  auto ids = manager.find_or_create_attribute<SparseAttribute, uuid>("id", uuid{});
  ids->set_value(1, id);
  EXPECT_EQ(ids->value(1), id);

  using Table = absl::flat_hash_map<uuid, index_t>;
  auto tables = manager.find_or_create_attribute<VariableAttribute, Table>("table", Table{});
  tables->modify_value(0, [&](Table& table) { table.emplace(id, 7); });
  EXPECT_EQ(tables->value(0).at(id), 7);
  EXPECT_TRUE(tables->value(1).empty());

  // The same name, storage and type gives the same attribute.
  const auto again = manager.find_or_create_attribute<VariableAttribute, bool>("flag", true);
  EXPECT_EQ(again, flags);
  EXPECT_EQ(manager.attribute_names(), (std::vector<std::string>{"flag", "id", "table"}));
  manager.delete_attribute("id");
  EXPECT_FALSE(manager.attribute_exists("id"));
  EXPECT_TRUE(manager.attribute_exists("flag"));
}

TEST(AttributeManager, ReportsMissingOrMismatchedAttributes) {
  AttributeManager manager;
  manager.resize(2);
  auto attribute = manager.find_or_create_attribute<VariableAttribute, double>("height", 0.);

  expect_input_error<OstrelBasicException>(
      [&] { manager.find_attribute<double>("depth"); },
      "[AttributeManager::find_attribute] Attribute \"depth\" does not exist");
  expect_input_error<OstrelBasicException>(
      [&] { manager.find_attribute<float>("height"); },
      "[AttributeManager::find_attribute] Attribute \"height\" holds another value type");
  expect_input_error<OstrelBasicException>(
      [&] { manager.find_or_create_attribute<SparseAttribute, double>("height", 0.); },
      "[AttributeManager::find_or_create_attribute] Attribute \"height\" already exists with "
      "another storage or value type");
  expect_input_error<OstrelBasicException>(
      [&] { attribute->set_value(2, 1.); },
      "[VariableAttribute::set_value] Element 2 out of range (2 elements) in attribute height");
  EXPECT_EQ(manager.find_generic_attribute("depth"), nullptr);
  EXPECT_EQ(manager.find_attribute<double>("height"), attribute);
}

struct ImportFixture {
  ImportFixture() {
    from.resize(3);
    auto kept = from.find_or_create_attribute<VariableAttribute, double>(
        "kept", -1., AttributeProperties{false, false, true});
    auto local = from.find_or_create_attribute<VariableAttribute, double>(
        "local", -1., AttributeProperties{true, true, false});
    auto mismatch = from.find_or_create_attribute<VariableAttribute, int>("mismatch", 0);
    for (index_t i = 0; i < 3; ++i) {
      kept->set_value(i, 10. + i);
      local->set_value(i, 20. + i);
      mismatch->set_value(i, 30 + static_cast<int>(i));
    }
    to.resize(3);
    to.find_or_create_attribute<VariableAttribute, double>("mismatch", 5.);
  }

  std::vector<double> kept_values() const {
    return values_of<double>(*to.find_attribute<double>("kept"), to.nb_elements());
  }

  AttributeManager from;
  AttributeManager to;
};

TEST(AttributeManager, ImportsTransferableAttributesThroughATable) {
  struct Case {
    const char* name;
    std::vector<index_t> old2new;
    std::vector<double> expected;
  };
  const std::vector<Case> cases{
      {"span", {2, NO_ID, 0}, {12., -1., 10.}},
      {"shorter span", {1}, {-1., 10., -1.}},
      {"longer span than the source", {0, 1, 2, NO_ID, 2}, {10., 11., 12.}},
      {"empty span copies definitions only", {}, {-1., -1., -1.}},
  };
  for (const auto& test : cases) {
    SCOPED_TRACE(test.name);
    ImportFixture fixture;
    fixture.to.import(fixture.from, test.old2new);
    EXPECT_EQ(fixture.kept_values(), test.expected);
    const auto kept = fixture.to.find_attribute<double>("kept");
    EXPECT_EQ(kept->default_value(), -1.);
    EXPECT_EQ(kept->properties(), (AttributeProperties{false, false, true}));
    EXPECT_FALSE(fixture.to.attribute_exists("local"));
    EXPECT_EQ(values_of<double>(*fixture.to.find_attribute<double>("mismatch"), 3),
              (std::vector<double>{5., 5., 5.}));
  }
}

TEST(AttributeManager, ImportsThroughAMappingWithTheLastPairWinning) {
  ImportFixture fixture;
  GenericMapping<index_t> mapping;
  mapping.map(0, 1);
  mapping.map(2, 0);
  mapping.map(1, 1);
  mapping.map(2, 2);
  mapping.map(7, 2);  // not an element of the source: ignored
  fixture.to.import(fixture.from, mapping);
  EXPECT_EQ(fixture.kept_values(), (std::vector<double>{12., 11., 12.}));
}

TEST(AttributeManager, RejectsImportTargetsOutOfRangeBeforeChangingAnything) {
  ImportFixture fixture;
  expect_input_error<OstrelBasicException>(
      [&] { fixture.to.import(fixture.from, std::vector<index_t>{0, 3}); },
      "[AttributeManager::import] Target element 3 out of range (3 elements)");
  EXPECT_FALSE(fixture.to.attribute_exists("kept"));
}

TEST(AttributeManager, InterpolatesAndAssignsByProperties) {
  AttributeManager manager;
  manager.resize(3);
  auto real = manager.find_or_create_attribute<VariableAttribute, float>("real", 0.f);
  auto integer = manager.find_or_create_attribute<VariableAttribute, int>("integer", 0);
  auto triple = manager.find_or_create_attribute<SparseAttribute, std::array<int, 3>>(
      "triple", std::array<int, 3>{});
  auto label = manager.find_or_create_attribute<VariableAttribute, std::string>("label", "");
  auto frozen = manager.find_or_create_attribute<VariableAttribute, double>(
      "frozen", 0., AttributeProperties{false, false, true});
  real->set_value(0, 1.f);
  real->set_value(1, 2.f);
  integer->set_value(0, 1);
  integer->set_value(1, 2);
  triple->set_value(0, {0, 10, -4});
  triple->set_value(1, {1, 20, -5});
  label->set_value(0, "first");
  label->set_value(1, "second");
  frozen->set_value(0, 8.);
  frozen->set_value(1, 9.);

  manager.interpolate_attribute_value({{0, 1}, {0.25, 0.75}}, 2);
  EXPECT_FLOAT_EQ(real->value(2), 1.75f);
  EXPECT_EQ(integer->value(2), 2);
  EXPECT_EQ(triple->value(2), (std::array<int, 3>{1, 18, -5}));
  EXPECT_EQ(label->value(2), "second");
  EXPECT_EQ(frozen->value(2), 0.);

  manager.interpolate_attribute_value({{0, 1}, {0.5, 0.5}}, 2);
  EXPECT_EQ(integer->value(2), 2);          // 1.5 rounds to nearest, away from zero
  EXPECT_EQ(label->value(2), "first");      // ties keep the first source

  manager.assign_attribute_value(1, 0);
  EXPECT_EQ(real->value(0), 2.f);
  EXPECT_EQ(label->value(0), "second");
  EXPECT_EQ(frozen->value(0), 8.);
}

TEST(AttributeManager, GenericValuesOfArithmeticAndArrayTypes) {
  AttributeManager manager;
  manager.resize(1);
  auto real = manager.find_or_create_attribute<VariableAttribute, double>(
      "real", std::numeric_limits<double>::quiet_NaN());
  auto flag = manager.find_or_create_attribute<SparseAttribute, bool>("flag", true);
  auto triple = manager.find_or_create_attribute<VariableAttribute, std::array<double, 3>>(
      "triple", std::array<double, 3>{4., 5., 6.});
  auto id = manager.find_or_create_attribute<VariableAttribute, uuid>("id", uuid{});

  const auto generic = [&](std::string_view name) {
    return manager.find_generic_attribute(name);
  };
  EXPECT_TRUE(std::isnan(generic("real")->generic_value(0)));
  EXPECT_EQ(generic("flag")->generic_value(0), 1.f);
  EXPECT_EQ(generic("triple")->generic_value(0), 4.f);
  EXPECT_EQ(generic("triple")->nb_items(), 3);
  EXPECT_EQ(generic("triple")->generic_item_value(0, 2), 6.f);
  EXPECT_TRUE(generic("real")->is_genericable());
  EXPECT_TRUE(generic("triple")->is_genericable());
  EXPECT_FALSE(generic("id")->is_genericable());
  EXPECT_EQ(generic("id")->generic_value(0), 0.f);
  EXPECT_EQ(generic("id")->nb_items(), 1);
}

TEST(AttributeManager, CopyIsDeep) {
  AttributeManager original;
  original.resize(2);
  auto attribute = original.find_or_create_attribute<SparseAttribute, int>(
      "value", 3, AttributeProperties{true, false, false});
  attribute->set_value(1, 9);

  AttributeManager copy;
  copy.resize(5);
  copy.find_or_create_attribute<VariableAttribute, int>("gone", 0);
  copy.copy(original);
  EXPECT_EQ(copy.nb_elements(), 2);
  EXPECT_EQ(copy.attribute_names(), (std::vector<std::string>{"value"}));
  const auto copied = copy.find_attribute<int>("value");
  EXPECT_NE(copied, attribute);
  attribute->set_value(1, 4);
  EXPECT_EQ(values_of<int>(*copied, 2), (std::vector<int>{3, 9}));
  EXPECT_EQ(copied->properties(), (AttributeProperties{true, false, false}));
}

TEST(AttributeManager, FindsOrCreatesFromSeveralThreads) {
  AttributeManager manager;
  manager.resize(10);
  std::vector<std::shared_ptr<VariableAttribute<index_t>>> found(8);
  std::vector<std::thread> threads;
  for (index_t t = 0; t < found.size(); ++t) {
    threads.emplace_back([&, t] {
      for (index_t name = 0; name < 50; ++name) {
        auto attribute = manager.find_or_create_attribute<VariableAttribute, index_t>(
            std::to_string(name), name);
        if (name == 0) found[t] = attribute;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (const auto& attribute : found) EXPECT_EQ(attribute, found.front());
  EXPECT_EQ(manager.attribute_names().size(), 50);
}

}  // namespace
}  // namespace veyra
