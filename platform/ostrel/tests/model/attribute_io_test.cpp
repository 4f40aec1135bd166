// SPDX-License-Identifier: MIT
#include "model/io/attribute_io.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

#include <absl/container/flat_hash_map.h>

#include <ostrel/basic/attribute_manager.h>
#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/geometry/point.h>
#include <ostrel/geometry/vector.h>

namespace veyra {
namespace {

using UuidMap = absl::flat_hash_map<uuid, index_t>;

struct Opaque {
  int value{0};
};

std::string saved(const AttributeManager& manager) {
  internal::BinaryWriter writer;
  internal::write_attributes(writer, manager, "test elements");
  return writer.bytes();
}

TEST(AttributeIo, EverySupportedAttributeRoundTripsExactly) {
  AttributeManager manager;
  manager.resize(4);
  const AttributeProperties frozen{false, false, true};
  manager.find_or_create_attribute<VariableAttribute, double>("height", 1.5)->set_value(2, -3.25);
  manager.find_or_create_attribute<VariableAttribute, bool>("flag", false, frozen)
      ->set_value(1, true);
  manager.find_or_create_attribute<SparseAttribute, index_t>("tag", NO_ID)->set_value(3, 7);
  manager.find_or_create_attribute<VariableAttribute, std::array<float, 3>>("normal", {0, 0, 1})
      ->set_value(0, {1, 2, 3});
  manager.find_or_create_attribute<SparseAttribute, uuid>("owner", uuid{})->set_value(0, uuid{});
  UuidMap map;
  for (index_t i = 0; i < 5; ++i) map.emplace(uuid{}, i);
  manager.find_or_create_attribute<VariableAttribute, UuidMap>("map", {})->set_value(3, map);
  manager.find_or_create_attribute<VariableAttribute, Point<3>>("position", Point<3>{{1, 2, 3}})
      ->set_value(1, Point<3>{{-1, 0.5, 1e-9}});
  manager.find_or_create_attribute<SparseAttribute, Vector<2>>("direction", Vector<2>{})
      ->set_value(2, Vector<2>{{0, 1}});
  manager.find_or_create_attribute<VariableAttribute, Opaque>("opaque", Opaque{});

  const auto bytes = saved(manager);
  AttributeManager loaded;
  loaded.resize(4);
  internal::BinaryReader reader{bytes, "test"};
  internal::read_attributes(reader, loaded);
  EXPECT_TRUE(reader.at_end());
  EXPECT_EQ(saved(loaded), bytes);
  EXPECT_FALSE(loaded.attribute_exists("opaque"));  // skipped, with a warning
  EXPECT_EQ(loaded.find_attribute<double>("height")->value(2), -3.25);
  EXPECT_EQ(loaded.find_attribute<double>("height")->default_value(), 1.5);
  EXPECT_EQ(loaded.find_generic_attribute("flag")->properties(), frozen);
  EXPECT_EQ(loaded.find_attribute<index_t>("tag")->value(3), 7);
  EXPECT_NE(
      std::dynamic_pointer_cast<SparseAttribute<index_t>>(loaded.find_generic_attribute("tag")),
      nullptr);
  EXPECT_EQ(loaded.find_attribute<UuidMap>("map")->value(3), map);
  EXPECT_EQ(loaded.find_attribute<Point<3>>("position")->value(1), (Point<3>{{-1, 0.5, 1e-9}}));
  EXPECT_EQ(loaded.find_attribute<Vector<2>>("direction")->value(2), (Vector<2>{{0, 1}}));

  // Every truncation fails cleanly.
  for (std::size_t size = 0; size < bytes.size(); ++size) {
    AttributeManager target;
    target.resize(4);
    internal::BinaryReader cut{std::string_view{bytes}.substr(0, size), "test"};
    EXPECT_THROW(internal::read_attributes(cut, target), OstrelModelException) << size;
  }
}

}  // namespace
}  // namespace veyra
