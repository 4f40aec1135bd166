// SPDX-License-Identifier: MIT
#include <ostrel/basic/ostrel_exception.h>

#include <gtest/gtest.h>

namespace veyra {
namespace {

struct FakePoint {
  double x;
};

void expect_same(const OstrelException& error) {
  EXPECT_STREQ(error.what(), "[test] value 3 at 2.5");
  EXPECT_EQ(error.type(), OstrelException::TYPE::input);
  EXPECT_EQ(error.project(), "Ostrel");
  EXPECT_EQ(error.library(), "Mesh");
  EXPECT_EQ(std::any_cast<FakePoint>(error.data()).x, 1.5);
}

TEST(OstrelException, KeepsEverythingThroughCopyAndMove) {
  const OstrelMeshException original{FakePoint{1.5}, OstrelException::TYPE::input,
                                     "[test] value ", 3u, " at ", 2.5};
  expect_same(original);
  OstrelMeshException copy{original};
  expect_same(copy);
  OstrelMeshException moved{std::move(copy)};
  expect_same(moved);
  OstrelMeshException assigned{nullptr, OstrelException::TYPE::internal, "other"};
  assigned = moved;
  expect_same(assigned);
}

TEST(OstrelException, IsCaughtAsRuntimeError) {
  try {
    OSTREL_EXCEPTION(OstrelModelException, 1 + 1 == 3, "[f] failed ", 7);
    FAIL();
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "[f] failed 7");
    const auto* ostrel = dynamic_cast<const OstrelException*>(&error);
    ASSERT_NE(ostrel, nullptr);
    EXPECT_EQ(ostrel->type(), OstrelException::TYPE::internal);
    EXPECT_EQ(ostrel->library(), "Model");
    EXPECT_EQ(std::any_cast<std::nullptr_t>(ostrel->data()), nullptr);
  }
  EXPECT_THROW(OSTREL_INPUT_CHECK(OstrelGeometryException, false, "x"), OstrelGeometryException);
}

}  // namespace
}  // namespace veyra
