// Texts read the way the C scan formats read them, and compared or
// upper-cased in ASCII.
//
// Only the ASCII letters a to z are ever upper-cased: the files are byte
// streams, and the bytes of other characters pass through unchanged.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zonvert {

// True for the white space that the C scan formats skip: blank, tab, line
// feed, vertical tab, form feed and carriage return.
inline bool isScanSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// True when `text` is `upper` in any case (`upper` in capitals).
bool equalsInAnyCase(std::string_view text, std::string_view upper);

// A copy of the whole text with every ASCII letter upper-cased.
std::string upcase(std::string_view text);

// Reads a decimal integer the way the C scan format "%d" does: leading white
// space is skipped, then an optional sign and at least one digit; anything
// after the digits is ignored. Empty when there is no digit. Values are
// saturated far outside the 32-bit range so callers can reject them.
std::optional<std::int64_t> scanDecimal(std::string_view text);

// Reads a decimal integer as scanDecimal does, but only when nothing other
// than white space follows its digits: "4.5" and "3abc" are not integers.
std::optional<std::int64_t> scanWholeDecimal(std::string_view text);

} // namespace zonvert
