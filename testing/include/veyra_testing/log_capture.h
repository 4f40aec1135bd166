// SPDX-License-Identifier: MIT
// LogCapture: records the lines the framework's Logger writes while it lives, at every level.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include <ostrel/basic/logger.h>

namespace veyra::testing {

class LogCapture {
 public:
  LogCapture() : previous_level_(Logger::level()) {
    Logger::set_level(Logger::LEVEL::trace);
    previous_sink_ = Logger::set_sink([this](Logger::LEVEL level, std::string_view line) {
      const std::lock_guard lock{mutex_};
      lines_.push_back({level, std::string{line}});
    });
  }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;
  ~LogCapture() {
    Logger::set_sink(previous_sink_);
    Logger::set_level(previous_level_);
  }

  struct Line {
    Logger::LEVEL level;
    std::string text;
    friend bool operator==(const Line&, const Line&) = default;
  };

  std::vector<Line> lines() {
    const std::lock_guard lock{mutex_};
    return lines_;
  }

 private:
  std::mutex mutex_;
  std::vector<Line> lines_;
  Logger::Sink previous_sink_;
  Logger::LEVEL previous_level_;
};

}  // namespace veyra::testing
