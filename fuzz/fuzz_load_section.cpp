// SPDX-License-Identifier: MIT
// libFuzzer target: bytes read as a native Section file (see fuzz_model_target.h).
#include <ostrel/model/io/section_io.h>

#include "fuzz_model_target.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  veyra::fuzz::load_as(
      data, size, 2, ".tq_sctn", [](const std::string& path) { return veyra::load_section(path); },
      [](const veyra::Section& section, const std::string& path) {
        veyra::save_section(section, path);
      });
  return 0;
}
