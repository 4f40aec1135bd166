// SPDX-License-Identifier: MIT
#include <ostrel/basic/logger.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace veyra {
namespace {

TEST(Logger, SinkReceivesLinesAtOrAboveLevel) {
  std::vector<std::pair<Logger::LEVEL, std::string>> lines;
  const auto previous_level = Logger::level();
  const auto previous = Logger::set_sink(
      [&lines](Logger::LEVEL level, std::string_view line) { lines.emplace_back(level, line); });
  Logger::set_level(Logger::LEVEL::debug);
  Logger::log_trace("dropped");
  Logger::log_debug("[f] ", 2u, " items");
  Logger::log_warn("warned");
  Logger::set_level(Logger::LEVEL::off);
  Logger::log_critical("dropped too");
  Logger::set_sink(previous);
  Logger::set_level(previous_level);

  const std::vector<std::pair<Logger::LEVEL, std::string>> expected{
      {Logger::LEVEL::debug, "[f] 2 items"}, {Logger::LEVEL::warn, "warned"}};
  EXPECT_EQ(lines, expected);
}

}  // namespace
}  // namespace veyra
