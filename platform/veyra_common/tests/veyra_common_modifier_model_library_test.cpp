// SPDX-License-Identifier: MIT
#include <veyra_common/modifier/veyra_common_modifier_model_library.h>

#include <gtest/gtest.h>

#include <ostrel/model/ostrel_model_library.h>

namespace veyra {
namespace {

/// Reads the library registry without registering anything.
class RegistryProbe : public Singleton {
 public:
  template <typename T>
  static bool is_registered() {
    lock();
    const auto* found = instance(typeid(T));
    unlock();
    return found != nullptr;
  }
};

TEST(VeyraCommonModifierModelLibrary, RegistersItselfAndTheModelLayerOnce) {
  ASSERT_FALSE(RegistryProbe::is_registered<OstrelModelLibrary>());
  VeyraCommonModifierModelLibrary::initialize();
  VeyraCommonModifierModelLibrary::initialize();
  EXPECT_TRUE(RegistryProbe::is_registered<VeyraCommonModifierModelLibrary>());
  EXPECT_TRUE(RegistryProbe::is_registered<OstrelModelLibrary>());
}

}  // namespace
}  // namespace veyra
