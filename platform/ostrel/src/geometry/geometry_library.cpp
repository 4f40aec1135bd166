// SPDX-License-Identifier: MIT
#include <ostrel/geometry/geometry_library.h>

namespace veyra {

void OstrelGeometryLibrary::initialize() {
  initialize_library<OstrelGeometryLibrary>("Geometry");
}

void OstrelGeometryLibrary::do_initialize() {
  OstrelBasicLibrary::initialize();
}

}  // namespace veyra
