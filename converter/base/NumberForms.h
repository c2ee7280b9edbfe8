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
#include <string_view>

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

// The same for a token of which sixteen bytes from its start may be read
// (the values of a zone's columns): the short decimals of result files are
// read sixteen bytes at a time, several times faster.
bool parsePaddedNumber(std::string_view token, double &value);

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
