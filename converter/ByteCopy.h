// Copies of the short texts a converter moves by the million (values of a
// dozen bytes, node numbers of a few digits): inline, without a call into
// the C library per copy, and never touching a byte outside either range.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zonvert {

inline void copyBytes(char *to, const char *from, std::size_t count) {
  if (count >= 8) {
    if (count > 16) {
      std::memcpy(to, from, count);
      return;
    }
    // Two overlapping words cover 8 to 16 bytes.
    std::uint64_t head, tail;
    std::memcpy(&head, from, 8);
    std::memcpy(&tail, from + count - 8, 8);
    std::memcpy(to, &head, 8);
    std::memcpy(to + count - 8, &tail, 8);
    return;
  }
  if (count >= 4) {
    std::uint32_t head, tail;
    std::memcpy(&head, from, 4);
    std::memcpy(&tail, from + count - 4, 4);
    std::memcpy(to, &head, 4);
    std::memcpy(to + count - 4, &tail, 4);
    return;
  }
  for (std::size_t k = 0; k < count; ++k)
    to[k] = from[k];
}

} // namespace zonvert
