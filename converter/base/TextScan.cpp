#include "base/TextScan.h"

namespace zonvert {

namespace {

char upcaseChar(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

std::size_t skipScanSpace(std::string_view text, std::size_t pos = 0) {
  while (pos < text.size() && isScanSpace(text[pos]))
    ++pos;
  return pos;
}

// The integer at the start of `text` as "%d" reads it; `end` is set to the
// position after its last digit. False when there is no digit. (Plain out
// parameters: element lines run through here millions of times, and an
// optional handed between the two scan functions costs a stall each time.)
bool parseDecimal(std::string_view text, std::int64_t &value, std::size_t &end) {
  // Far outside any 32-bit count, yet far from overflowing 64 bits.
  constexpr std::int64_t kSaturation = std::int64_t{1} << 40;
  std::size_t pos = skipScanSpace(text);
  bool negative = false;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    negative = text[pos] == '-';
    ++pos;
  }
  if (pos == text.size() || text[pos] < '0' || text[pos] > '9')
    return false;
  value = 0;
  for (; pos < text.size() && text[pos] >= '0' && text[pos] <= '9'; ++pos) {
    value = value * 10 + (text[pos] - '0');
    if (value >= kSaturation) {
      value = kSaturation;
      // The digits past the saturation are still part of the number.
      while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9')
        ++pos;
      break;
    }
  }
  end = pos;
  if (negative)
    value = -value;
  return true;
}

} // namespace

bool equalsInAnyCase(std::string_view text, std::string_view upper) {
  if (text.size() != upper.size())
    return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (upcaseChar(text[i]) != upper[i])
      return false;
  return true;
}

std::string upcase(std::string_view text) {
  std::string copy(text);
  for (char &c : copy)
    c = upcaseChar(c);
  return copy;
}

std::optional<std::int64_t> scanDecimal(std::string_view text) {
  std::int64_t value = 0;
  std::size_t end = 0;
  if (!parseDecimal(text, value, end))
    return std::nullopt;
  return value;
}

std::optional<std::int64_t> scanWholeDecimal(std::string_view text) {
  std::int64_t value = 0;
  std::size_t end = 0;
  if (!parseDecimal(text, value, end) || (end != text.size() && skipScanSpace(text, end) != text.size()))
    return std::nullopt;
  return value;
}

} // namespace zonvert
