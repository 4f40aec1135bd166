// SPDX-License-Identifier: MIT
// OstrelMeshLibrary: registers every mesh implementation of the framework, its builder and the
// default implementation of each mesh type.
#pragma once

#include <ostrel/basic/library.h>

namespace veyra {

class OstrelMeshLibrary : public Library {
 public:
  static void initialize();

 private:
  void do_initialize() final;
};

}  // namespace veyra
