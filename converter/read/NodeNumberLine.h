// The element lines of a result file, as nearly all of them stand: as many
// node numbers as the element has corners, of at most eight digits each,
// separated by blanks, tabs or commas. Such a line is read eight bytes at a
// time (a word's digits found and converted with a few multiplications,
// not one digit after the other); any other line is left to the general
// reader, which also names what is wrong with it. Within a block of lines,
// a line is first looked at 64 bytes at once: where its digits stand and
// where it ends, so that its numbers, each found from that, are converted
// side by side rather than each after the one before it.
#pragma once

#include "read/TecplotSyntax.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zonvert {

namespace numberline {

// A byte that may follow a number: a separator or a line end.
inline bool endsNumber(char c) { return isValueSeparator(c) || c == '\n' || c == '\r'; }

// The count of decimal digits at the start of the eight bytes of `word`
// (little-endian: its lowest byte first).
inline unsigned leadingDigits(std::uint64_t word) {
  constexpr std::uint64_t kHighNibbles = 0xF0F0F0F0F0F0F0F0ULL;
  constexpr std::uint64_t kThrees = 0x3030303030303030ULL;
  // A byte is a digit when it is 0x30..0x39: its high nibble is 3, and still
  // is after adding 6. A carry out of a byte past the first non-digit only
  // spoils bytes that are not looked at.
  const std::uint64_t notDigit =
      ((word & kHighNibbles) ^ kThrees) | (((word + 0x0606060606060606ULL) & kHighNibbles) ^ kThrees);
  return notDigit == 0 ? 8u : static_cast<unsigned>(__builtin_ctzll(notDigit)) / 8u;
}

// The value of the first `digits` (1 to 8) bytes of `word`, all digits.
inline std::uint32_t digitsValue(std::uint64_t word, unsigned digits) {
  // Digits moved to the top bytes; the bytes below become leading zeros.
  word = (word - 0x3030303030303030ULL) << (8 * (8 - digits));
  word = (word * 10 + (word >> 8)) & 0x00FF00FF00FF00FFULL;
  word = (word * 100 + (word >> 16)) & 0x0000FFFF0000FFFFULL;
  word = (word * 10000 + (word >> 32)) & 0x00000000FFFFFFFFULL;
  return static_cast<std::uint32_t>(word);
}

} // namespace numberline

// Reads `count` plain numbers (digits only, at most eight each) from `at`
// on, each after any separators, none past `end`. Returns where the
// separators after the last one end, or null when the bytes hold no such
// numbers.
inline const char *readPlainNumbers(const char *at, const char *end, int count, std::int32_t *numbers) {
  for (int k = 0; k < count; ++k) {
    while (at < end && isValueSeparator(*at))
      ++at;
    if (end - at >= 9) {
      std::uint64_t word;
      std::memcpy(&word, at, 8);
      const unsigned digits = numberline::leadingDigits(word);
      // A ninth digit, a point or a letter right after: not a plain number.
      if (digits == 0 || digits == 8 || !numberline::endsNumber(at[digits]))
        return nullptr;
      numbers[k] = static_cast<std::int32_t>(numberline::digitsValue(word, digits));
      at += digits;
      continue;
    }
    // Near the end, digit by digit.
    std::uint32_t value = 0;
    const char *const start = at;
    for (; at < end && *at >= '0' && *at <= '9' && at - start < 8; ++at)
      value = value * 10 + static_cast<std::uint32_t>(*at - '0');
    if (at == start || (at < end && !numberline::endsNumber(*at)))
      return nullptr;
    numbers[k] = static_cast<std::int32_t>(value);
  }
  while (at < end && isValueSeparator(*at))
    ++at;
  return at;
}

// Reads `count` node numbers from `line` when it holds exactly that many
// plain numbers between separators. False, with nothing read, for any other
// line.
inline bool readPlainNumberLine(std::string_view line, int count, std::int32_t *numbers) {
  const char *const end = line.data() + line.size();
  const char *const stop = readPlainNumbers(line.data(), end, count, numbers);
  return stop == end;
}

namespace numberline {

#if defined(__SSE2__)
// Bit k tells about byte k of the 64 bytes from `at`: digits, and
// separators (blanks, tabs, commas).
struct WindowMasks {
  std::uint64_t digits;
  std::uint64_t separators;
};

inline WindowMasks classifyWindow(const char *at) {
  WindowMasks masks{0, 0};
  for (int quarter = 0; quarter < 4; ++quarter) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at + 16 * quarter));
    const __m128i fromZero = _mm_sub_epi8(bytes, _mm_set1_epi8('0'));
    const __m128i digit = _mm_cmpeq_epi8(_mm_min_epu8(fromZero, _mm_set1_epi8(9)), fromZero);
    const __m128i separator =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(' ')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\t'))),
                     _mm_cmpeq_epi8(bytes, _mm_set1_epi8(',')));
    masks.digits |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(digit))) << (16 * quarter);
    masks.separators |= static_cast<std::uint64_t>(static_cast<unsigned>(_mm_movemask_epi8(separator)))
                        << (16 * quarter);
  }
  return masks;
}
#endif

// readPlainNumberLineAt for a line that starts at `at` and ends within the
// 64 bytes from there, all readable; the bytes from `end` on are not the
// line's. Returns where its line end ends, or null: not such a line, or one
// that needs a closer look.
inline const char *readPlainNumberWindow(const char *at, const char *end, int count, std::int32_t *numbers) {
#if defined(__SSE2__)
  const WindowMasks masks = classifyWindow(at);
  // The line: up to its first byte that is no digit and no separator, or
  // the end of the bytes, which the line then runs past.
  const auto available = static_cast<std::size_t>(end - at);
  const std::uint64_t beyond = available >= 64 ? 0 : ~std::uint64_t{0} << available;
  const std::uint64_t other = ~(masks.digits | masks.separators) | beyond;
  if (other == 0)
    return nullptr;
  const auto lineBytes = static_cast<unsigned>(__builtin_ctzll(other));
  const char *stop = at + lineBytes;
  if (stop >= end)
    return nullptr;
  if (*stop == '\r' && stop + 1 < end && stop[1] == '\n')
    ++stop;
  if (*stop != '\n')
    return nullptr;
  const std::uint64_t inLine = (std::uint64_t{1} << lineBytes) - 1; // below 64: `other` has bit lineBytes
  const std::uint64_t digits = masks.digits & inLine;
  std::uint64_t starts = digits & ~(digits << 1);
  std::uint64_t lasts = digits & ~(digits >> 1);
  for (int k = 0; k < count; ++k) {
    if (starts == 0)
      return nullptr;
    const auto first = static_cast<unsigned>(__builtin_ctzll(starts));
    const unsigned length = static_cast<unsigned>(__builtin_ctzll(lasts)) + 1 - first;
    starts &= starts - 1;
    lasts &= lasts - 1;
    if (length > 8)
      return nullptr;
    std::uint64_t word;
    std::memcpy(&word, at + first, 8);
    numbers[k] = static_cast<std::int32_t>(digitsValue(word, length));
  }
  if (starts != 0) // more numbers than the element has corners
    return nullptr;
  return stop + 1;
#else
  (void)at, (void)end, (void)count, (void)numbers;
  return nullptr;
#endif
}

} // namespace numberline

// Reads, from `block` at `pos`, a line of exactly `count` plain numbers
// ended by a line feed or a carriage return and line feed; `pos` then
// stands after the line end. False, with nothing read, for any other line
// (also one running past the block). The block must have sixteen bytes to
// spare past its end.
inline bool readPlainNumberLineAt(std::string_view block, std::size_t &pos, int count, std::int32_t *numbers) {
  const char *const end = block.data() + block.size();
  // 64 bytes from the line's start lie within the block and its spare bytes.
  if (block.size() - pos >= 48) {
    if (const char *next = numberline::readPlainNumberWindow(block.data() + pos, end, count, numbers)) {
      pos = static_cast<std::size_t>(next - block.data());
      return true;
    }
  }
  const char *stop = readPlainNumbers(block.data() + pos, end, count, numbers);
  if (stop == nullptr || stop == end)
    return false;
  if (*stop == '\r' && stop + 1 < end && stop[1] == '\n')
    ++stop;
  if (*stop != '\n')
    return false;
  pos = static_cast<std::size_t>(stop + 1 - block.data());
  return true;
}

} // namespace zonvert
