// SPDX-License-Identifier: MIT
// libFuzzer target: bytes read as a .msh file, whole and split into entity meshes.
#include <ostrel/mesh/io/read_msh_entities.h>

#include "fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  veyra::fuzz::read_as(data, size, "fuzz.msh");
  try {
    const auto meshes = veyra::read_msh_entities_from_buffer(
        {reinterpret_cast<const char*>(data), size}, "fuzz.msh");
    static_cast<void>(meshes.size());
  } catch (const veyra::OstrelMeshException& exception) {
    if (exception.type() != veyra::OstrelException::TYPE::input) std::abort();
  }
  return 0;
}
