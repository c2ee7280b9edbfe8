// Variable names as the legacy VTK format can hold them.
//
// VTK's legacy reader takes an array name as one word of at most 255
// characters, and turns every "%" followed by two hex digits back into the
// byte they encode. A name with a blank (or any other byte below 33) would be
// read as two words, and a "%" in a name would be taken for the start of an
// escape: such names are written the way VTK's own writer writes them, with
// every byte below 33 or above 126, '"' and '%' as "%" and two upper-case hex
// digits. The empty name, which is no word at all, is written "%00", which
// the reader turns back into the empty name. Every other name is written as
// it stands, in UTF-8: a byte that is no valid UTF-8 is taken as the
// Windows-1252 character it stands for (see Utf8Text.h), so that readers
// show the name as its writer saw it.
#pragma once

#include <string>
#include <string_view>

namespace zonvert {

inline constexpr std::size_t kMaxLegacyNameBytes = 255;

struct LegacyName {
  std::string text; // what the file holds
  bool shortened = false;
};

// The name as written to a legacy file. A name whose written form is longer
// than kMaxLegacyNameBytes is shortened to fit, never inside an escape nor
// inside a UTF-8 character, and `shortened` is set.
LegacyName legacyName(std::string_view name);

} // namespace zonvert
