// Names as the files they go into need them: in UTF-8.
//
// Variable names and output names arrive as bytes. Most are UTF-8 (or plain
// ASCII, which is UTF-8 too); names written by Windows programs are mostly
// Windows-1252, whose bytes from 0x80 on are no valid UTF-8. Such a byte is
// taken as the Windows-1252 character it stands for (0xE9 as "é", 0x80 as
// "€", 0x96 as "–"); the five bytes Windows-1252 leaves undefined become
// U+FFFD, the replacement character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zonvert {

inline constexpr std::uint32_t kReplacementCharacter = 0xFFFD;

// One character of a name: its code point and the bytes it takes; `utf8`
// tells whether those bytes are a valid UTF-8 sequence (else it is one byte,
// taken as Windows-1252).
struct NameCharacter {
  std::uint32_t code;
  std::size_t bytes;
  bool utf8;
};

// The character that starts at text[at] (a byte from 0x80 on).
NameCharacter nameCharacterAt(std::string_view text, std::size_t at);

// Appends the UTF-8 form of `code`.
void appendUtf8(std::string &out, std::uint32_t code);

// True when all of `text` is valid UTF-8.
bool isUtf8(std::string_view text);

// `text` in UTF-8: its valid UTF-8 sequences as they stand, every other
// byte as its Windows-1252 character. Valid UTF-8 comes back unchanged.
std::string asUtf8(std::string_view text);

} // namespace zonvert
