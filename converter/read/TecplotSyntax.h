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

// The records of a Tecplot file, each begun by its keyword (in any case).
enum class RecordKind { None, Title, FileType, Variables, Zone, Text, Geometry, DatasetAuxData, CustomLabels };
RecordKind recordKindOf(std::string_view word);

} // namespace zonvert
