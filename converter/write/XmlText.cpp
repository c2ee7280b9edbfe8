#include "write/XmlText.h"

#include "write/Utf8Text.h"

#include <cstdint>

namespace zonvert {

namespace {

void appendReference(std::string &out, std::uint32_t code) {
  constexpr std::string_view kHex = "0123456789ABCDEF";
  out += "&#x";
  bool started = false;
  for (int shift = 20; shift >= 0; shift -= 4) {
    const unsigned digit = (code >> shift) & 0xFu;
    started = started || digit != 0 || shift == 0;
    if (started)
      out.push_back(kHex[digit]);
  }
  out.push_back(';');
}

// U+FFFE and U+FFFF are no characters of XML, though valid UTF-8.
bool isXmlCharacter(std::uint32_t code) { return code != 0xFFFE && code != 0xFFFF; }

} // namespace

std::string xmlAttributeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte >= 0x80) {
      const NameCharacter character = nameCharacterAt(text, at);
      if (!isXmlCharacter(character.code))
        appendReference(out, kReplacementCharacter);
      else if (character.utf8)
        out.append(text.substr(at, character.bytes));
      else
        appendReference(out, character.code);
      at += character.bytes;
      continue;
    }
    switch (byte) {
    case '&':
      out += "&amp;";
      break;
    case '<':
      out += "&lt;";
      break;
    case '>':
      out += "&gt;";
      break;
    case '"':
      out += "&quot;";
      break;
    case '\t':
    case '\n':
    case '\r':
      appendReference(out, byte);
      break;
    default:
      if (byte < 0x20)
        appendReference(out, kReplacementCharacter);
      else
        out.push_back(static_cast<char>(byte));
    }
    ++at;
  }
  return out;
}

} // namespace zonvert
