// SPDX-License-Identifier: MIT
#include "file_content.h"

#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <system_error>
#include <vector>

#include <ostrel/basic/ostrel_exception.h>

namespace veyra::internal {
namespace {

namespace fs = std::filesystem;

template <typename... Args>
[[noreturn]] void fail(const Args&... pieces) {
  throw OstrelMeshException(nullptr, OstrelException::TYPE::input, pieces...);
}

/// A name no other writer of this or another process picks at the same time.
fs::path temporary_path(const fs::path& target) {
  static std::atomic<unsigned> counter{0};
  auto name = str_cat(".", target.filename().string(), ".tmp-", ::getpid(), "-", counter++);
  return target.parent_path() / name;
}

}  // namespace

std::string read_file_content(std::string_view path, std::string_view caller) {
  const fs::path file{path};
  std::error_code error;
  if (!fs::is_regular_file(file, error)) {
    fail("[", caller, "] Cannot read file \"", path, "\": ",
         fs::exists(file, error) ? "not a regular file" : "no such file");
  }
  std::ifstream stream{file, std::ios::binary};
  if (!stream) fail("[", caller, "] Cannot open file \"", path, "\"");
  stream.seekg(0, std::ios::end);
  const auto size = stream.tellg();
  if (size < 0) fail("[", caller, "] Cannot read file \"", path, "\"");
  std::string content(static_cast<std::size_t>(size), '\0');
  stream.seekg(0);
  stream.read(content.data(), static_cast<std::streamsize>(size));
  if (!stream) fail("[", caller, "] Cannot read file \"", path, "\"");
  return content;
}

void write_file_atomically(std::string_view path, std::string_view caller,
                           const std::function<void(std::ostream&)>& write) {
  const fs::path target{path};
  const auto temporary = temporary_path(target);
  try {
    {
      std::vector<char> buffer(1 << 20);
      std::ofstream stream;
      stream.rdbuf()->pubsetbuf(buffer.data(), static_cast<std::streamsize>(buffer.size()));
      stream.open(temporary, std::ios::binary | std::ios::trunc);
      if (!stream) {
        fail("[", caller, "] Cannot write file \"", path, "\": cannot create \"",
             temporary.string(), "\"");
      }
      write(stream);
      stream.flush();
      if (!stream) fail("[", caller, "] Cannot write file \"", path, "\": write error");
    }
    std::error_code error;
    fs::rename(temporary, target, error);
    if (error) {
      fail("[", caller, "] Cannot write file \"", path, "\": ", error.message());
    }
  } catch (...) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw;
  }
}

}  // namespace veyra::internal
