// SPDX-License-Identifier: MIT
#include <ostrel/basic/uuid.h>

#include <mutex>
#include <random>

#include <ostrel/basic/ostrel_exception.h>

namespace veyra {
namespace {

struct Generator {
  std::mutex mutex;
  std::mt19937_64 engine{std::random_device{}()};
};

Generator& generator() {
  static Generator instance;
  return instance;
}

int hex_value(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool is_dash_position(std::size_t position) {
  return position == 8 || position == 13 || position == 18 || position == 23;
}

}  // namespace

uuid::uuid() {
  std::uint64_t high = 0;
  std::uint64_t low = 0;
  {
    auto& gen = generator();
    const std::lock_guard lock{gen.mutex};
    high = gen.engine();
    low = gen.engine();
  }
  for (int i = 0; i < 8; ++i) {
    bytes_[i] = static_cast<std::uint8_t>(high >> (56 - 8 * i));
    bytes_[i + 8] = static_cast<std::uint8_t>(low >> (56 - 8 * i));
  }
  bytes_[6] = static_cast<std::uint8_t>((bytes_[6] & 0x0F) | 0x40);  // version 4
  bytes_[8] = static_cast<std::uint8_t>((bytes_[8] & 0x3F) | 0x80);  // RFC 4122 variant
}

uuid::uuid(std::string_view text) {
  const auto fail = [&text]() {
    return OstrelBasicException{nullptr, OstrelException::TYPE::input,
                                "[uuid] Cannot parse uuid from text \"", text, "\""};
  };
  if (text.size() != 36) throw fail();
  std::size_t byte = 0;
  for (std::size_t position = 0; position < text.size();) {
    if (is_dash_position(position)) {
      if (text[position] != '-') throw fail();
      ++position;
      continue;
    }
    const int high = hex_value(text[position]);
    const int low = hex_value(text[position + 1]);
    if (high < 0 || low < 0 || is_dash_position(position + 1)) throw fail();
    bytes_[byte++] = static_cast<std::uint8_t>(high * 16 + low);
    position += 2;
  }
}

uuid uuid::from_bytes(const std::array<std::uint8_t, 16>& bytes) {
  uuid id{NoInit{}};
  id.bytes_ = bytes;
  return id;
}

std::string uuid::string() const {
  static constexpr char digits[] = "0123456789abcdef";
  std::string text;
  text.reserve(36);
  for (std::size_t i = 0; i < bytes_.size(); ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) text.push_back('-');
    text.push_back(digits[bytes_[i] >> 4]);
    text.push_back(digits[bytes_[i] & 0x0F]);
  }
  return text;
}

void uuid::seed(std::uint64_t value) {
  auto& gen = generator();
  const std::lock_guard lock{gen.mutex};
  gen.engine.seed(value);
}

}  // namespace veyra
