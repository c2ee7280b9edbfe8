// Node value tokens in forms that Fortran programs write but C readers, VTK's
// legacy reader among them, cannot read whole.
//
// Fortran writes the exponent letter D for double precision (1.0D+03), and
// drops the letter altogether when a three-digit exponent does not fit its
// field (0.1234567-100 for 0.1234567E-100). A C reader stops at the letter or
// at the sign, reads the mantissa alone and then takes the exponent for the
// next value. Such tokens are written in the C form; every other token is
// copied byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zonvert {

// True for a byte that belongs to no token of such a form, to no NaN or
// infinity and to no Fortran repeat count ("3*0.0"), given the byte before
// it: a digit, a point, a slash, a blank, a tab, a comma, the letter E in
// either case, or a sign right after E, e or a separator (the start of a
// line counts as one). A line of only such bytes, as nearly every line of a
// result file, needs no token by token look; the node value reader tells
// them in the same pass that splits the line.
inline bool isPlainNumberByte(unsigned char byte, unsigned char previous) {
  const auto exponentOrSeparator = [](unsigned char c) {
    return (c | 0x20u) == 'e' || c == ' ' || c == '\t' || c == ',';
  };
  if (byte == '+' || byte == '-')
    return exponentOrSeparator(previous);
  return (byte >= ',' && byte <= '9') || exponentOrSeparator(byte);
}

// Copies `token` to `out`, in the C form when it is a number in one of the
// Fortran forms: [sign] mantissa, then D or d with an optional signed
// exponent (the letter becomes E or e), or a sign and exponent digits right
// after the mantissa (an E is put before the sign). Returns the bytes
// written, at most one more than the token holds.
std::size_t copyInCForm(std::string_view token, char *out);

// True for the NaN and infinity tokens C readers know: an optional sign, then
// "nan", "nan(...)", "inf" or "infinity" in any case.
bool isNonFinite(std::string_view token);

// Reads a value token (in the C form, see copyInCForm) as the double that
// strtod reads from it, exactly: an optional sign, digits with an optional
// point and exponent, or NaN and infinity as isNonFinite tells. False when
// the whole token is no such number ("abc", "1.5x", "0x10").
bool parseNumber(std::string_view token, double &value);

// The form nearly every value of a result file has, as Fortran's
// ES and 1PE edit descriptors write it: [-] d.ffffff E|e +|- dd, one digit
// before the point, one to eight after it, a signed two-digit exponent
// ("1.234567E-05", "-5.000000e+00"), with sixteen bytes from `text` on
// readable. Its digits, as an integer w below 10^9, and the power of ten q
// they are scaled by (the exponent less the fraction's digits) give the
// value w x 10^q; where q is within +-22, w and 10^|q| are doubles exactly,
// and one multiplication or division rounds the exact value once: the
// double strtod reads, bit for bit, in every rounding mode (Clinger's fast
// path). False for every other token (other forms, scales past 10^22),
// which parsePaddedNumber then reads in full.
inline bool readScientificDecimal(const char *text, std::size_t length, double &value) {
#if defined(__SSE2__)
  // Static: tables in the function's frame would be copied there at every call.
  static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                       1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  static constexpr std::uint32_t kFractionScale[] = {1,      10,      100,      1000,     10000,
                                                     100000, 1000000, 10000000, 100000000};
  const unsigned negative = text[0] == '-' ? 1u : 0u;
  const std::size_t fraction = length - negative - 6; // wraps past 8 when the token is too short
  if (fraction - 1 > 7)
    return false;
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text));
  const __m128i digitValues = _mm_sub_epi8(bytes, _mm_set1_epi8('0'));
  // Digits where digits stand, and exactly the point, the letter and the
  // exponent's sign where they stand.
  const auto digitMask = static_cast<unsigned>(_mm_movemask_epi8(
      _mm_cmplt_epi8(_mm_xor_si128(digitValues, _mm_set1_epi8(-128)), _mm_set1_epi8(-128 + 10))));
  const auto pointMask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('.'))));
  const unsigned inToken = (1u << length) - 1;
  const unsigned letterAt = static_cast<unsigned>(length) - 4;
  const unsigned expectedDigits = inToken & ~negative & ~(2u << negative) & ~(3u << letterAt);
  if ((digitMask & inToken) != expectedDigits || (pointMask & inToken) != 2u << negative ||
      (text[letterAt] | 0x20) != 'e' || (text[letterAt + 1] != '-' && text[letterAt + 1] != '+'))
    return false;
  // The first digit, then the fraction's: eight digit values from the
  // point on, those past the fraction shifted out, combined in pairs,
  // fours and eights.
  std::uint64_t eight;
  std::memcpy(&eight, text + negative + 2, sizeof eight);
  eight -= 0x3030303030303030u;
  eight <<= 8 * (8 - fraction);
  eight = eight * 10 + (eight >> 8);
  eight = (((eight & 0x000000FF000000FFu) * (100 + (1000000ull << 32))) +
           (((eight >> 16) & 0x000000FF000000FFu) * (1 + (10000ull << 32)))) >>
          32;
  const std::uint64_t whole =
      static_cast<std::uint64_t>(text[negative] - '0') * kFractionScale[fraction] + eight;
  const int exponent = (text[letterAt + 2] - '0') * 10 + (text[letterAt + 3] - '0');
  const int scale = (text[letterAt + 1] == '-' ? -exponent : exponent) - static_cast<int>(fraction);
  if (scale < -22 || scale > 22)
    return false;
  // The sign goes on before the rounding, which in a directed rounding mode
  // depends on it.
  const auto magnitude = static_cast<double>(whole);
  const double exact = negative != 0 ? -magnitude : magnitude;
  value = scale < 0 ? exact / kPowers[-scale] : exact * kPowers[scale];
  return true;
#else
  (void)text;
  (void)length;
  (void)value;
  return false;
#endif
}

// parseNumber for a token of which sixteen bytes from its start may be read
// (the values of a zone's columns): the short decimals of result files are
// read sixteen bytes at a time, several times faster, those in the form
// above fastest.
bool parsePaddedNumberInOtherForms(std::string_view token, double &value);
inline bool parsePaddedNumber(std::string_view token, double &value) {
  return readScientificDecimal(token.data(), token.size(), value) || parsePaddedNumberInOtherForms(token, value);
}

// Where a value (in the C form) stands against the range of a 32-bit float,
// as C's strtof reads it, VTK's ASCII reader among its users: that reader
// stops at a value that rounds past the largest float (an infinity there)
// and misreads the rest of its file; one that rounds to zero it reads as
// zero. Float: within the range, or no number at all; Double: past it,
// within a double's; PastDouble: NaN or an infinity as strtod reads it
// (written so, or past a double's range).
enum class FloatRange { Float, Double, PastDouble };
FloatRange floatRangeOf(std::string_view token);

// False for a value that cannot be past a float's range (nearly every
// value: one below 10^38), told from a glance at its last bytes, so that
// floatRangeOf runs only for the rare others. A value of at most sixteen
// bytes is below 10^16 times ten to its exponent: below 10^38 when its
// exponent is negative or has at most two digits, the first 0 or 1 (or when
// it has none).
bool mayPassFloatRangeInOtherForms(const char *text, std::size_t length);
inline bool mayPassFloatRange(const char *text, std::size_t length) {
  if (length < 3)
    return false;
  if (length <= 16) {
    const char beforeLast = text[length - 3];
    if (beforeLast == '-' || (text[length - 2] <= '1' && static_cast<unsigned>(beforeLast - '0') > 9))
      return false;
  }
  return mayPassFloatRangeInOtherForms(text, length);
}

} // namespace zonvert
