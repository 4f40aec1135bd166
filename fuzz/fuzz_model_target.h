// SPDX-License-Identifier: MIT
// The body shared by the native model file targets. The checksum would turn away nearly every
// mutated file before the parser sees it, so bytes that do not start like a model file are taken
// as a payload and wrapped in a valid header and checksum; bytes that do are read as they are.
// Bad input must end in an OstrelException of TYPE input; a model that loads must save and load
// again. Anything else (another exception, a crash, a sanitizer report) is a finding.
#pragma once

#include <unistd.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include <ostrel/basic/logger.h>
#include <ostrel/basic/ostrel_exception.h>
#include <ostrel/basic/str_cat.h>

#include "model/io/binary_stream.h"

namespace veyra::fuzz {

inline constexpr std::string_view model_magic{"\x89OSTREL\n", 8};
inline constexpr std::uint32_t model_version = 1;

/// The file holding `payload` as a model of the given kind (2 Section, 3 BRep).
inline std::string model_file(std::string_view payload, std::uint8_t kind) {
  internal::BinaryWriter writer;
  writer.write_array(absl::MakeConstSpan(model_magic.data(), model_magic.size()));
  writer.write(model_version);
  writer.write(kind);
  writer.write<std::uint64_t>(payload.size());
  writer.bytes().append(payload);
  writer.write(internal::checksum(payload));
  return std::move(writer.bytes());
}

/// The payload of a model file written by the project (the inverse of model_file).
inline std::string_view model_payload(std::string_view file) {
  constexpr std::size_t header_size = 8 + 4 + 1 + 8;
  return file.substr(header_size, file.size() - header_size - 8);
}

/// A scratch file of this process, in memory when /dev/shm exists.
inline std::string scratch_path(std::string_view name, std::string_view extension) {
  const std::filesystem::path folder =
      std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : std::filesystem::temp_directory_path();
  return (folder / str_cat("veyra_fuzz_", ::getpid(), "_", name, extension)).string();
}

template <typename Load, typename Save>
void load_as(const std::uint8_t* data, std::size_t size, std::uint8_t kind,
             std::string_view extension, Load load, Save save) {
  Logger::set_level(Logger::LEVEL::off);
  const std::string_view bytes{reinterpret_cast<const char*>(data), size};
  static const auto input = scratch_path("input", extension);
  static const auto again = scratch_path("again", extension);
  {
    std::ofstream stream{input, std::ios::binary | std::ios::trunc};
    const auto file = bytes.substr(0, model_magic.size()) == model_magic
                          ? std::string{bytes}
                          : model_file(bytes, kind);
    stream.write(file.data(), static_cast<std::streamsize>(file.size()));
  }
  try {
    const auto model = load(input);
    save(model, again);
  } catch (const OstrelException& exception) {
    if (exception.type() != OstrelException::TYPE::input) std::abort();
    return;
  }
  // What one build wrote, it reads back.
  try {
    static_cast<void>(load(again));
  } catch (const OstrelException&) {
    std::abort();
  }
}

}  // namespace veyra::fuzz
