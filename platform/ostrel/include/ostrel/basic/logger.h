// SPDX-License-Identifier: MIT
// Logger: the framework's only way to say something. One call gives one line, built from pieces
// with absl::StrCat, passed to the current sink when its level is at least the current level.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include <ostrel/basic/str_cat.h>

namespace veyra {

class Logger {
 public:
  enum struct LEVEL : std::uint8_t { trace, debug, info, warn, err, critical, off };
  using Sink = std::function<void(LEVEL, std::string_view)>;

  /// Lines below `level` are dropped. The default level is info.
  static void set_level(LEVEL level);
  static LEVEL level();
  static bool is_enabled(LEVEL level) { return level >= Logger::level() && level != LEVEL::off; }

  /// Replaces the sink and returns the previous one. The default sink writes through spdlog to
  /// stderr; an empty sink restores it.
  static Sink set_sink(Sink sink);

  template <typename... Args>
  static void log_trace(const Args&... pieces) { log(LEVEL::trace, pieces...); }
  template <typename... Args>
  static void log_debug(const Args&... pieces) { log(LEVEL::debug, pieces...); }
  template <typename... Args>
  static void log_info(const Args&... pieces) { log(LEVEL::info, pieces...); }
  template <typename... Args>
  static void log_warn(const Args&... pieces) { log(LEVEL::warn, pieces...); }
  template <typename... Args>
  static void log_error(const Args&... pieces) { log(LEVEL::err, pieces...); }
  template <typename... Args>
  static void log_critical(const Args&... pieces) { log(LEVEL::critical, pieces...); }

 private:
  template <typename... Args>
  static void log(LEVEL level, const Args&... pieces) {
    if (!is_enabled(level)) return;
    write(level, str_cat(pieces...));
  }
  static void write(LEVEL level, std::string_view line);
};

}  // namespace veyra
