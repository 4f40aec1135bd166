// SPDX-License-Identifier: MIT
#include <ostrel/basic/uuid.h>

#include <gtest/gtest.h>

#include <absl/container/flat_hash_set.h>

#include <ostrel/basic/ostrel_exception.h>

namespace veyra {
namespace {

TEST(Uuid, TextRoundTripsInCanonicalForm) {
  const uuid id;
  const auto text = id.string();
  ASSERT_EQ(text.size(), 36u);
  for (const auto position : {8, 13, 18, 23}) EXPECT_EQ(text[position], '-');
  EXPECT_EQ(text[14], '4') << "version 4";
  EXPECT_EQ(uuid{text}, id);
  EXPECT_EQ(uuid{"0123ABCD-0000-4000-8000-00000000ffff"}.string(),
            "0123abcd-0000-4000-8000-00000000ffff");
}

TEST(Uuid, BadTextIsAnInputError) {
  for (const auto* text : {"", "0123abcd-0000-4000-8000-00000000fff",
                           "0123abcd00000-4000-8000-00000000ffff",
                           "0123abcd-0000-4000-8000-00000000fffg",
                           "0123abcd-0000-4000-8000-00000000ffff0"}) {
    try {
      uuid{text};
      FAIL() << text;
    } catch (const OstrelBasicException& error) {
      EXPECT_EQ(error.type(), OstrelException::TYPE::input);
      EXPECT_NE(std::string{error.what()}.find(text), std::string::npos);
    }
  }
}

TEST(Uuid, OrderFollowsBytesAndText) {
  const uuid low{"00000000-0000-4000-8000-000000000001"};
  const uuid high{"00000000-0000-4000-8000-000000000100"};
  EXPECT_LT(low, high);
  EXPECT_LT(low.string(), high.string());
}

TEST(Uuid, SeedMakesRunsReproducible) {
  uuid::seed(42);
  const uuid a1, a2;
  uuid::seed(42);
  const uuid b1, b2;
  EXPECT_EQ(a1, b1);
  EXPECT_EQ(a2, b2);
  EXPECT_NE(a1, a2);
  absl::flat_hash_set<uuid> ids{a1, a2};
  EXPECT_TRUE(ids.contains(b2));
}

}  // namespace
}  // namespace veyra
