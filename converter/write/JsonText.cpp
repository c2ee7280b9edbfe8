#include "write/JsonText.h"

#include "base/ConversionFailure.h"

#include <charconv>

namespace zonvert {

std::string jsonNumber(double value) {
  char digits[32];
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  return std::string(digits, end);
}

std::string jsonString(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') {
      out.push_back('\\');
      out.push_back(c);
    } else if (static_cast<unsigned char>(c) < 0x20) {
      out += formattedText("\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
    } else {
      out.push_back(c);
    }
  }
  return out + "\"";
}

} // namespace zonvert
