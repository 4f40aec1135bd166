// SPDX-License-Identifier: MIT
#include <ostrel/basic/identifier.h>

#include <gtest/gtest.h>

namespace veyra {
namespace {

class Named : public Identifier {};

TEST(Identifier, StartsUnnamedWithAFreshIdAndChangesOnlyThroughItsBuilder) {
  Named first;
  Named second;
  EXPECT_NE(first.id(), second.id());
  EXPECT_FALSE(first.name().has_value());

  IdentifierBuilder builder{first};
  builder.set_name("");
  ASSERT_TRUE(first.name().has_value());
  EXPECT_EQ(*first.name(), "");
  builder.set_name("top");
  EXPECT_EQ(*first.name(), "top");
  builder.set_id(second.id());
  EXPECT_EQ(first.id(), second.id());
}

}  // namespace
}  // namespace veyra
