// SPDX-License-Identifier: MIT
// The body shared by the fuzz targets: read the bytes as a file of one format. Bad input must
// end in an OstrelMeshException of TYPE input; any other exception, a crash or a sanitizer
// report is a finding.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include <ostrel/basic/logger.h>
#include <ostrel/mesh/io/read_mesh.h>

namespace veyra::fuzz {

inline void read_as(const std::uint8_t* data, std::size_t size, std::string_view name) {
  Logger::set_level(Logger::LEVEL::off);
  try {
    const auto mesh =
        read_mesh_from_buffer({reinterpret_cast<const char*>(data), size}, name);
    static_cast<void>(mesh.vertex_set().nb_vertices());
  } catch (const OstrelMeshException& exception) {
    if (exception.type() != OstrelException::TYPE::input) std::abort();
  }
}

}  // namespace veyra::fuzz
