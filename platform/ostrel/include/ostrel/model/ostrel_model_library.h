// SPDX-License-Identifier: MIT
// OstrelModelLibrary: the registration object of the framework's model layer. Initializing it
// initializes the mesh layer (and through it the geometry and basic layers) first.
#pragma once

#include <ostrel/basic/library.h>

namespace veyra {

class OstrelModelLibrary : public Library {
 public:
  static void initialize();

 private:
  void do_initialize() final;
};

}  // namespace veyra
