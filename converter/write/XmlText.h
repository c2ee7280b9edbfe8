// Texts inside the attributes of an XML file (names of VTK arrays).
#pragma once

#include <string>
#include <string_view>

namespace zonvert {

// `text` as the value of a double-quoted XML attribute: "&", "<", ">" and
// '"' as entities; tab, line feed and carriage return as character
// references (a parser would turn them into blanks otherwise). The other
// control characters, and U+FFFE and U+FFFF, which XML 1.0 cannot hold at
// all, become U+FFFD (the replacement character). Valid UTF-8 is copied; a
// byte that is not part of valid UTF-8 is taken as a Windows-1252 character
// (as Windows programs write names, see Utf8Text.h) and written as its
// character reference.
std::string xmlAttributeText(std::string_view text);

} // namespace zonvert
