// SPDX-License-Identifier: MIT
// VeyraCommonModifierModelLibrary: the registration object of the modifier library. Initializing
// it initializes the framework's model layer (and through it every lower layer) first.
#pragma once

#include <ostrel/basic/library.h>

namespace veyra {

class VeyraCommonModifierModelLibrary : public Library {
 public:
  static void initialize();

 private:
  void do_initialize() final;
};

}  // namespace veyra
