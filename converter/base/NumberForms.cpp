#include "base/NumberForms.h"

#include "base/TextScan.h"

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>

namespace zonvert {

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isSign(char c) { return c == '+' || c == '-'; }

std::size_t skipDigits(std::string_view text, std::size_t pos) {
  while (pos < text.size() && isDigit(text[pos]))
    ++pos;
  return pos;
}

// True when text[pos..] is an optionally signed run of digits, to its end.
bool isExponent(std::string_view text, std::size_t pos) {
  if (pos < text.size() && isSign(text[pos]))
    ++pos;
  return pos < text.size() && skipDigits(text, pos) == text.size();
}

} // namespace

std::size_t copyInCForm(std::string_view token, char *out) {
  std::size_t pos = token.size() > 0 && isSign(token[0]) ? 1 : 0;
  const std::size_t integerEnd = skipDigits(token, pos);
  std::size_t mantissaEnd = integerEnd;
  if (mantissaEnd < token.size() && token[mantissaEnd] == '.')
    mantissaEnd = skipDigits(token, mantissaEnd + 1);
  const bool hasMantissaDigit = integerEnd > pos || mantissaEnd > integerEnd + 1;
  std::memcpy(out, token.data(), token.size());
  if (!hasMantissaDigit || mantissaEnd == token.size())
    return token.size();
  const char next = token[mantissaEnd];
  if ((next == 'D' || next == 'd') && isExponent(token, mantissaEnd + 1)) {
    out[mantissaEnd] = next == 'D' ? 'E' : 'e';
    return token.size();
  }
  if (isSign(next) && isExponent(token, mantissaEnd)) {
    out[mantissaEnd] = 'E';
    std::memcpy(out + mantissaEnd + 1, token.data() + mantissaEnd, token.size() - mantissaEnd);
    return token.size() + 1;
  }
  return token.size();
}

bool isNonFinite(std::string_view token) {
  if (!token.empty() && isSign(token[0]))
    token.remove_prefix(1);
  if (equalsInAnyCase(token, "NAN") || equalsInAnyCase(token, "INF") || equalsInAnyCase(token, "INFINITY"))
    return true;
  return token.size() > 4 && equalsInAnyCase(token.substr(0, 4), "NAN(") && token.back() == ')';
}

namespace {

// strtod on a token that needs it: values past the range of a double (which
// it reads as an infinity or zero), and NaN, whose sign and payload it keeps.
double strtodOf(std::string_view token) {
  const std::string text(token);
  return std::strtod(text.c_str(), nullptr);
}

} // namespace

bool parseNumber(std::string_view token, double &value) {
  // std::from_chars reads what strtod reads, exactly, except a leading plus
  // and the out-of-range cases.
  std::string_view digits = token;
  if (digits.size() > 1 && digits[0] == '+' && digits[1] != '-' && digits[1] != '+')
    digits.remove_prefix(1);
  const char *const end = digits.data() + digits.size();
  const auto [stop, error] = std::from_chars(digits.data(), end, value);
  if (stop != end || digits.empty())
    return false;
  if (error == std::errc::result_out_of_range || (error == std::errc() && value != value)) {
    value = strtodOf(token);
    return true;
  }
  return error == std::errc();
}

} // namespace zonvert
