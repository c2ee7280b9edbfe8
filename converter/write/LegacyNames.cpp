#include "write/LegacyNames.h"

#include "write/Utf8Text.h"

#include <vector>

namespace zonvert {

namespace {

bool breaksTheWord(unsigned char byte) { return byte < 33 || byte == '%'; }
bool isEscaped(unsigned char byte) { return byte < 33 || byte > 126 || byte == '"' || byte == '%'; }
bool isUtf8Continuation(unsigned char byte) { return (byte & 0xC0u) == 0x80u; }

bool needsEscapes(std::string_view name) {
  for (char c : name)
    if (breaksTheWord(static_cast<unsigned char>(c)))
      return true;
  return false;
}

void appendEscape(std::string &out, unsigned char byte) {
  constexpr std::string_view kHex = "0123456789ABCDEF";
  out.push_back('%');
  out.push_back(kHex[byte >> 4]);
  out.push_back(kHex[byte & 0xFu]);
}

} // namespace

LegacyName legacyName(std::string_view givenName) {
  LegacyName result;
  const std::string utf8Name = asUtf8(givenName);
  const std::string_view name = utf8Name;
  if (name.empty()) {
    result.text = "%00";
    return result;
  }
  const bool escape = needsEscapes(name);
  // The written form of each byte, and how many bytes fit whole.
  std::vector<std::size_t> endAfter;
  endAfter.reserve(name.size());
  for (char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (escape && isEscaped(byte))
      appendEscape(result.text, byte);
    else
      result.text.push_back(c);
    endAfter.push_back(result.text.size());
  }
  if (result.text.size() <= kMaxLegacyNameBytes)
    return result;
  std::size_t fit = 0;
  while (endAfter[fit] <= kMaxLegacyNameBytes)
    ++fit;
  // Never end inside a UTF-8 character: drop the bytes of a cut one (unless
  // the name is nothing but one such run).
  std::size_t keep = fit;
  while (keep > 0 && isUtf8Continuation(static_cast<unsigned char>(name[keep])))
    --keep;
  if (keep == 0)
    keep = fit;
  result.text.resize(endAfter[keep - 1]);
  result.shortened = true;
  return result;
}

} // namespace zonvert
