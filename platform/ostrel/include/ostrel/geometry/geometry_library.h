// SPDX-License-Identifier: MIT
// OstrelGeometryLibrary: the registration object of the framework's geometry layer.
#pragma once

#include <ostrel/basic/library.h>

namespace veyra {

class OstrelGeometryLibrary : public Library {
 public:
  /// Initializes the basic layer, then this one; runs once per process.
  static void initialize();

 private:
  void do_initialize() final;
};

}  // namespace veyra
