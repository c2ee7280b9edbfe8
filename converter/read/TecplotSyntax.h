// The words and separators of Tecplot ASCII that every part of the reader
// knows: the keywords that begin records, the bytes that separate values,
// and the bytes a number starts with.
#pragma once

#include <string_view>

namespace zonvert {

// True for the bytes that separate values and node numbers in zone data:
// blanks, tabs and commas, in any mix.
inline bool isValueSeparator(char c) { return c == ' ' || c == '\t' || c == ','; }

// True for the first byte of a number: a digit, a sign or a point. Where a
// key of a header may stand, such a byte starts the data instead.
inline bool isNumberStart(char c) { return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.'; }

// How much of an input item or line a message quotes: enough to find it,
// never a whole line of megabytes.
inline int quotedLength(std::string_view text) {
  constexpr std::size_t kMostQuoted = 80;
  return static_cast<int>(text.size() < kMostQuoted ? text.size() : kMostQuoted);
}

// True for a word that starts a zone's data where a key or a record could
// stand: a number (its first byte as isNumberStart tells), or NaN or an
// infinity as C readers spell them ("nan", "-inf", "Infinity").
bool isDataWord(std::string_view word);

// True for the keys of a ZONE record (upper-cased), by which a line of
// them is known where a writer left out the ZONE keyword.
bool isZoneKey(std::string_view key);

// The records of a Tecplot file, each begun by its keyword (in any case).
enum class RecordKind { None, Title, FileType, Variables, Zone, Text, Geometry, DatasetAuxData, CustomLabels };
RecordKind recordKindOf(std::string_view word);

} // namespace zonvert
