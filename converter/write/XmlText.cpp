#include "write/XmlText.h"

#include <cstdint>

namespace zonvert {

namespace {

// The length of the valid UTF-8 sequence starting at text[at], or 0.
std::size_t utf8SequenceLength(std::string_view text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length = 0;
  std::uint32_t code = 0;
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

void appendReference(std::string &out, unsigned code) {
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

} // namespace

std::string xmlAttributeText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t at = 0; at < text.size();) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte >= 0x80) {
      if (const std::size_t length = utf8SequenceLength(text, at)) {
        out.append(text.substr(at, length));
        at += length;
      } else {
        appendReference(out, byte);
        ++at;
      }
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
        appendReference(out, 0xFFFD);
      else
        out.push_back(static_cast<char>(byte));
    }
    ++at;
  }
  return out;
}

} // namespace zonvert
