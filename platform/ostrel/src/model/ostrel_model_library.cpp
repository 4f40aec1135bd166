// SPDX-License-Identifier: MIT
#include <ostrel/model/ostrel_model_library.h>

#include <ostrel/mesh/ostrel_mesh_library.h>

namespace veyra {

void OstrelModelLibrary::initialize() {
  initialize_library<OstrelModelLibrary>("Model");
}

void OstrelModelLibrary::do_initialize() {
  OstrelMeshLibrary::initialize();
}

}  // namespace veyra
