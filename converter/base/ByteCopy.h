// Copies of the short texts a converter moves by the million (values of a
// dozen bytes, node numbers of a few digits): inline, without a call into
// the C library per copy, and never touching a byte outside either range.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zonvert {

// Copies 2 x sizeof(Word) bytes or fewer, but at least sizeof(Word), as two
// words that overlap in the middle.
template <typename Word> void copyTwoWords(char *to, const char *from, std::size_t count) {
  Word head, tail;
  std::memcpy(&head, from, sizeof head);
  std::memcpy(&tail, from + count - sizeof tail, sizeof tail);
  std::memcpy(to, &head, sizeof head);
  std::memcpy(to + count - sizeof tail, &tail, sizeof tail);
}

inline void copyBytes(char *to, const char *from, std::size_t count) {
  if (count > 16)
    std::memcpy(to, from, count);
  else if (count >= 8)
    copyTwoWords<std::uint64_t>(to, from, count);
  else if (count >= 4)
    copyTwoWords<std::uint32_t>(to, from, count);
  else
    for (std::size_t k = 0; k < count; ++k)
      to[k] = from[k];
}

} // namespace zonvert
