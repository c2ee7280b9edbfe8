#include "write/Utf8Text.h"

namespace zonvert {

namespace {

// The characters of the Windows-1252 bytes 0x80 to 0x9F (the bytes from 0xA0
// on are the characters of the same number, as in Latin-1).
constexpr std::uint16_t kWindows1252[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD, 0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

// The length of the valid UTF-8 sequence starting at text[at], with its code
// point; 0 when the bytes there are no valid UTF-8.
std::size_t utf8SequenceLength(std::string_view text, std::size_t at, std::uint32_t &code) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1Fu;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0Fu;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07u;
  } else {
    return 0;
  }
  if (at + length > text.size())
    return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const auto byte = static_cast<unsigned char>(text[at + k]);
    if ((byte & 0xC0u) != 0x80u)
      return 0;
    code = (code << 6) | (byte & 0x3Fu);
  }
  // Overlong forms, surrogates and code points past U+10FFFF are not UTF-8.
  constexpr std::uint32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kSmallest[length] || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF)
    return 0;
  return length;
}

} // namespace

NameCharacter nameCharacterAt(std::string_view text, std::size_t at) {
  std::uint32_t code = 0;
  if (const std::size_t length = utf8SequenceLength(text, at, code))
    return {code, length, true};
  const auto byte = static_cast<unsigned char>(text[at]);
  const std::uint32_t windows1252 = byte < 0xA0 ? kWindows1252[byte - 0x80] : byte;
  return {windows1252, 1, false};
}

void appendUtf8(std::string &out, std::uint32_t code) {
  if (code < 0x80) {
    out.push_back(static_cast<char>(code));
  } else if (code < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (code >> 6)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else if (code < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (code >> 12)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (code >> 18)));
    out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
  }
}

bool isUtf8(std::string_view text) {
  for (std::size_t at = 0; at < text.size();) {
    if (static_cast<unsigned char>(text[at]) < 0x80) {
      ++at;
      continue;
    }
    const NameCharacter character = nameCharacterAt(text, at);
    if (!character.utf8)
      return false;
    at += character.bytes;
  }
  return true;
}

std::string asUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    if (static_cast<unsigned char>(text[at]) < 0x80) {
      out.push_back(text[at++]);
      continue;
    }
    const NameCharacter character = nameCharacterAt(text, at);
    if (character.utf8)
      out.append(text.substr(at, character.bytes));
    else
      appendUtf8(out, character.code);
    at += character.bytes;
  }
  return out;
}

} // namespace zonvert
