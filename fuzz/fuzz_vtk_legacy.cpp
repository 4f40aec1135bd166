// SPDX-License-Identifier: MIT
// libFuzzer target: bytes read as a .vtk file.
#include "fuzz_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  veyra::fuzz::read_as(data, size, "fuzz.vtk");
  return 0;
}
