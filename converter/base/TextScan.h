// Text operations on the lines of a Tecplot file.
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

// True for the bytes that separate values and node numbers in zone data:
// blanks, tabs and commas, in any mix.
inline bool isValueSeparator(char c) { return c == ' ' || c == '\t' || c == ','; }

// True when `text` is `upper` in any case (`upper` in capitals).
bool equalsInAnyCase(std::string_view text, std::string_view upper);

// The records of a Tecplot file, each begun by its keyword (in any case).
enum class RecordKind { None, Title, FileType, Variables, Zone, Text, Geometry, DatasetAuxData, CustomLabels };
RecordKind recordKindOf(std::string_view word);

// True for the first byte of a number: a digit, a sign or a point. Where a
// key of a header may stand, such a byte starts the data instead.
inline bool isNumberStart(char c) { return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.'; }

// Removes every leading and trailing occurrence of `c`. A text made only of
// `c` becomes empty.
std::string_view stripChar(std::string_view text, char c);

// Removes every space character (code 32) in place. Tabs stay.
void removeBlanks(std::string &text);

// A copy of the line in which every character before the first "=" is
// upper-cased; the rest is copied unchanged.
std::string upcaseKey(std::string_view line);

// A copy of the whole text with every ASCII letter upper-cased.
std::string upcase(std::string_view text);

// True when the text holds only blanks, tabs and carriage returns (or
// nothing at all).
bool isBlankLine(std::string_view line);

// Calls `visit(piece)` for every piece of `text` split at runs of `separator`;
// empty pieces are dropped, so a text of separators only gives no piece.
template <typename Visitor> void forEachPiece(std::string_view text, char separator, Visitor &&visit) {
  std::size_t pos = 0;
  const std::size_t size = text.size();
  while (pos < size) {
    while (pos < size && text[pos] == separator)
      ++pos;
    if (pos == size)
      return;
    std::size_t end = pos;
    while (end < size && text[end] != separator)
      ++end;
    visit(text.substr(pos, end - pos));
    pos = end;
  }
}

// Reads a decimal integer the way the C scan format "%d" does: leading white
// space is skipped, then an optional sign and at least one digit; anything
// after the digits is ignored. Empty when there is no digit. Values are
// saturated far outside the 32-bit range so callers can reject them.
std::optional<std::int64_t> scanDecimal(std::string_view text);

// Reads a decimal integer as scanDecimal does, but only when nothing other
// than white space follows its digits: "4.5" and "3abc" are not integers.
std::optional<std::int64_t> scanWholeDecimal(std::string_view text);

// Reads one word the way the scan format "%s" does: leading white space is
// skipped and the word ends at the next white space. Empty when there is no
// word.
std::optional<std::string_view> scanWord(std::string_view text);

} // namespace zonvert
