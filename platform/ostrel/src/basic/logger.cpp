// SPDX-License-Identifier: MIT
#include <ostrel/basic/logger.h>

#include <atomic>
#include <memory>
#include <mutex>

#include <spdlog/sinks/stdout_color_sinks.h>
#include <spdlog/spdlog.h>

namespace veyra {
namespace {

spdlog::level::level_enum to_spdlog(Logger::LEVEL level) {
  switch (level) {
    case Logger::LEVEL::trace: return spdlog::level::trace;
    case Logger::LEVEL::debug: return spdlog::level::debug;
    case Logger::LEVEL::info: return spdlog::level::info;
    case Logger::LEVEL::warn: return spdlog::level::warn;
    case Logger::LEVEL::err: return spdlog::level::err;
    case Logger::LEVEL::critical: return spdlog::level::critical;
    case Logger::LEVEL::off: return spdlog::level::off;
  }
  return spdlog::level::info;
}

void write_to_spdlog(Logger::LEVEL level, std::string_view line) {
  // A private logger: the application's own spdlog registry and levels stay untouched.
  static const auto logger = [] {
    auto created = std::make_shared<spdlog::logger>(
        "ostrel", std::make_shared<spdlog::sinks::stderr_color_sink_mt>());
    created->set_level(spdlog::level::trace);
    created->set_pattern("[%H:%M:%S.%e] [%^%l%$] %v");
    return created;
  }();
  logger->log(to_spdlog(level), line);
}

struct LoggerState {
  std::atomic<Logger::LEVEL> level{Logger::LEVEL::info};
  std::mutex mutex;  // guards sink, and serialises calls so a sink sees one line at a time
  Logger::Sink sink{write_to_spdlog};
};

LoggerState& state() {
  static LoggerState instance;
  return instance;
}

}  // namespace

void Logger::set_level(LEVEL level) { state().level.store(level, std::memory_order_relaxed); }

Logger::LEVEL Logger::level() { return state().level.load(std::memory_order_relaxed); }

Logger::Sink Logger::set_sink(Sink sink) {
  auto& current = state();
  const std::lock_guard lock{current.mutex};
  Sink previous = std::move(current.sink);
  current.sink = sink ? std::move(sink) : Sink{write_to_spdlog};
  return previous;
}

void Logger::write(LEVEL level, std::string_view line) {
  auto& current = state();
  const std::lock_guard lock{current.mutex};
  current.sink(level, line);
}

}  // namespace veyra
