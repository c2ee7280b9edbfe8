#include "base/NumberForms.h"

#include "base/TextScan.h"

#include <algorithm>
#include <cfenv>
#include <charconv>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// The powers of ten a double holds exactly.
constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kMostExactPower = 22;
constexpr std::uint64_t kMostExactInteger = std::uint64_t{1} << 53;
constexpr std::uint64_t kPowersOfTen[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

#if defined(__SSE2__)

// The number of the `count` (0 to 8) digits that start at byte `start` (0
// to 15) of the sixteen digit values (each byte minus '0') in `low` and
// `high`.
std::uint64_t digitsAt(std::uint64_t low, std::uint64_t high, unsigned start, unsigned count) {
  if (count == 0)
    return 0;
  const std::uint64_t from = start < 8 ? low : high;
  const std::uint64_t next = start < 8 ? high : 0;
  const unsigned shift = 8 * (start % 8);
  std::uint64_t eight = shift == 0 ? from : from >> shift | next << (64 - shift);
  // The digits moved to the top bytes, zeros below them: eight digits, the
  // first in the lowest byte, combined in pairs, fours and eights.
  eight <<= 8 * (8 - count);
  eight = eight * 10 + (eight >> 8);
  eight = (((eight & 0x000000FF000000FFu) * (100 + (1000000ull << 32))) +
           (((eight >> 16) & 0x000000FF000000FFu) * (1 + (10000ull << 32)))) >>
          32;
  return eight;
}

// The values of result files, nearly all: [sign] digits [. digits] [E or e
// [sign] digits], sixteen bytes at most, with at most eight digits before
// and after the point. The sixteen bytes are classified at once; their
// digits, as an integer w, and the power of ten q they are scaled by give
// the value w x 10^q. Where w is at most 2^53 and q within +-22, w and
// 10^|q| are doubles exactly, and one multiplication or division rounds the
// exact value once: the double strtod reads, bit for bit, in every rounding
// mode (Clinger's fast path). False for every other token, which the
// general reading then takes.
bool readShortDecimal(const char *text, std::size_t length, double &value) {
  if (length == 0 || length > 16)
    return false;
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text));
  const __m128i values = _mm_sub_epi8(bytes, _mm_set1_epi8('0'));
  const unsigned inToken = (1u << length) - 1;
  const auto maskOf = [&](__m128i hits) { return static_cast<unsigned>(_mm_movemask_epi8(hits)) & inToken; };
  const unsigned digits = maskOf(_mm_and_si128(_mm_cmpgt_epi8(values, _mm_set1_epi8(-1)),
                                               _mm_cmplt_epi8(values, _mm_set1_epi8(10))));
  const unsigned dots = maskOf(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('.')));
  const unsigned exponents = maskOf(_mm_cmpeq_epi8(_mm_or_si128(bytes, _mm_set1_epi8(0x20)), _mm_set1_epi8('e')));
  const unsigned signs = maskOf(_mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('-')),
                                             _mm_cmpeq_epi8(bytes, _mm_set1_epi8('+'))));
  const unsigned exponentAt = exponents != 0 ? static_cast<unsigned>(__builtin_ctz(exponents)) : length;
  const unsigned leadingSign = signs & 1u;
  const unsigned mantissa = ((1u << exponentAt) - 1) & ~leadingSign;
  const unsigned exponentSign = exponentAt < length ? signs & (2u << exponentAt) : 0;
  const unsigned exponentDigits = inToken & ~((2u << exponentAt) - 1) & ~exponentSign;
  // One point at most, in the mantissa; every other byte there a digit,
  // and at least one; signs only in front and after the E; the exponent's
  // digits, one to four, all digits.
  if ((dots & (dots - 1)) != 0 || (dots & ~mantissa) != 0 || (mantissa & ~(digits | dots)) != 0 ||
      (digits & mantissa) == 0 || (exponents & (exponents - 1)) != 0 || (signs & ~(leadingSign | exponentSign)) != 0)
    return false;
  const unsigned pointAt = dots != 0 ? static_cast<unsigned>(__builtin_ctz(dots)) : exponentAt;
  const unsigned integerCount = pointAt - leadingSign;
  const unsigned fractionCount = dots != 0 ? exponentAt - pointAt - 1 : 0;
  const unsigned exponentCount =
      exponentAt < length ? static_cast<unsigned>(length) - exponentAt - 1 - (exponentSign != 0 ? 1 : 0) : 0;
  if (integerCount > 8 || fractionCount > 8 || (exponentDigits & ~digits) != 0 || exponentCount > 4 ||
      (exponentAt < length && exponentCount == 0))
    return false;
  const auto low = static_cast<std::uint64_t>(_mm_cvtsi128_si64(values));
  const auto high = static_cast<std::uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(values, values)));
  const std::uint64_t whole = digitsAt(low, high, leadingSign, integerCount) * kPowersOfTen[fractionCount] +
                              digitsAt(low, high, pointAt + 1, fractionCount);
  const auto exponent =
      static_cast<int>(digitsAt(low, high, static_cast<unsigned>(length) - exponentCount, exponentCount));
  const bool negativeExponent = exponentSign != 0 && text[exponentAt + 1] == '-';
  const int scale = (negativeExponent ? -exponent : exponent) - static_cast<int>(fractionCount);
  if (whole > kMostExactInteger || scale < -kMostExactPower || scale > kMostExactPower)
    return false;
  // The sign goes on before the rounding, which in a directed rounding mode
  // depends on it.
  const auto magnitude = static_cast<double>(whole);
  const double exact = leadingSign != 0 && text[0] == '-' ? -magnitude : magnitude;
  value = scale < 0 ? exact / kExactPowersOfTen[-scale] : exact * kExactPowersOfTen[scale];
  return true;
}

#endif

} // namespace

bool parseNumber(std::string_view token, double &value) {
  // std::from_chars reads what strtod reads, exactly, except a leading plus
  // and the out-of-range cases; and it rounds to nearest whatever the
  // rounding mode, which strtod follows.
  std::string_view digits = token;
  if (digits.size() > 1 && digits[0] == '+' && digits[1] != '-' && digits[1] != '+')
    digits.remove_prefix(1);
  const char *const end = digits.data() + digits.size();
  const auto [stop, error] = std::from_chars(digits.data(), end, value);
  if (stop != end || digits.empty())
    return false;
  if (error == std::errc::result_out_of_range || (error == std::errc() && value != value) ||
      (error == std::errc() && std::fegetround() != FE_TONEAREST)) {
    value = strtodOf(token);
    return true;
  }
  return error == std::errc();
}

bool parsePaddedNumberInOtherForms(std::string_view token, double &value) {
#if defined(__SSE2__)
  if (readShortDecimal(token.data(), token.size(), value))
    return true;
#endif
  return parseNumber(token, value);
}

bool mayPassFloatRangeInOtherForms(const char *text, std::size_t length) {
  std::size_t marker = length;
  for (std::size_t at = length; at-- > 0;)
    if ((text[at] | 0x20) == 'e') {
      marker = at;
      break;
    }
  if (marker == length)
    return length >= 39;
  std::size_t at = marker + 1;
  const bool negative = at < length && text[at] == '-';
  if (at < length && isSign(text[at]))
    ++at;
  std::size_t exponent = 0;
  for (; at < length && isDigit(text[at]); ++at)
    exponent = std::min<std::size_t>(exponent * 10 + static_cast<std::size_t>(text[at] - '0'), 1000);
  return marker + (negative ? 0 : exponent) >= 39;
}

FloatRange floatRangeOf(std::string_view token) {
  double value = 0.0;
  if (!parseNumber(token, value))
    return FloatRange::Float;
  if (value - value != 0.0)
    return FloatRange::PastDouble;
  // std::from_chars rounds to the nearest float as strtof does, and tells a
  // value past the range, or one that rounds to zero.
  std::string_view digits = token;
  if (digits.size() > 1 && digits[0] == '+')
    digits.remove_prefix(1);
  float single = 0.0f;
  const auto result = std::from_chars(digits.data(), digits.data() + digits.size(), single);
  return result.ec == std::errc::result_out_of_range && (value > 1.0 || value < -1.0) ? FloatRange::Double
                                                                                      : FloatRange::Float;
}

} // namespace zonvert
