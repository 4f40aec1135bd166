// SPDX-License-Identifier: MIT
#include <veyra_common/modifier/veyra_common_modifier_model_library.h>

#include <ostrel/model/ostrel_model_library.h>

namespace veyra {

void VeyraCommonModifierModelLibrary::initialize() {
  initialize_library<VeyraCommonModifierModelLibrary>("ModifierModel");
}

void VeyraCommonModifierModelLibrary::do_initialize() {
  OstrelModelLibrary::initialize();
}

}  // namespace veyra
