// SPDX-License-Identifier: MIT
#include "output_buffer.h"

#include <algorithm>

namespace veyra::internal {

void OutputBuffer::write_base64(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  // Complete the group left over by the previous call first, so that the text is one
  // unbroken base64 stream however the bytes were split between calls.
  while (nb_carried_ > 0 && nb_carried_ < 3 && size > 0) {
    carry_[nb_carried_++] = *bytes++;
    --size;
  }
  if (nb_carried_ == 3) {
    base64_encode(carry_, 3, buffer_);
    nb_carried_ = 0;
  }
  constexpr std::size_t chunk = 3 * (1 << 16);
  while (size >= 3) {
    const auto nb = std::min(size - size % 3, chunk);
    base64_encode(bytes, nb, buffer_);
    bytes += nb;
    size -= nb;
    flush_if_full();
  }
  while (size > 0) {
    carry_[nb_carried_++] = *bytes++;
    --size;
  }
}

void OutputBuffer::end_base64() {
  if (nb_carried_ > 0) base64_encode(carry_, nb_carried_, buffer_);
  nb_carried_ = 0;
  flush_if_full();
}

}  // namespace veyra::internal
