// The texts of JSON values that zonvert writes: in the series file and in
// the list of a file's zones.
#pragma once

#include <string>
#include <string_view>

namespace zonvert {

// The shortest text that reads back as `value` (a finite number).
std::string jsonNumber(double value);

// A JSON string of `text`, which must be UTF-8 (see Utf8Text.h): quotes,
// backslashes and control characters escaped.
std::string jsonString(std::string_view text);

} // namespace zonvert
