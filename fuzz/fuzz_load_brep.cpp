// SPDX-License-Identifier: MIT
// libFuzzer target: bytes read as a native BRep file (see fuzz_model_target.h).
#include <ostrel/model/io/brep_io.h>

#include "fuzz_model_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  veyra::fuzz::load_as(
      data, size, 3, ".tq_brep", [](const std::string& path) { return veyra::load_brep(path); },
      [](const veyra::BRep& brep, const std::string& path) { veyra::save_brep(brep, path); });
  return 0;
}
