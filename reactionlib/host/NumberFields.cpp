#include "host/NumberFields.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace vrex {

namespace {

// Writes `text` right-aligned into a field of `width` characters, or a row of
// asterisks when it is longer than the field.
int placeInField(const char *text, int length, int width, char *out) {
  if (length > width) {
    std::memset(out, '*', static_cast<std::size_t>(width));
  } else {
    const int padding = width - length;
    std::memset(out, ' ', static_cast<std::size_t>(padding));
    std::memcpy(out + padding, text, static_cast<std::size_t>(length));
  }
  out[width] = '\0';
  return width;
}

// The words for values that have no digits; false for finite values.
bool placeNonFinite(double value, int width, char *out) {
  if (std::isnan(value)) {
    placeInField("NaN", 3, width, out);
    return true;
  }
  if (std::isinf(value)) {
    if (value > 0) {
      placeInField("Infinity", 8, width, out);
    } else {
      placeInField("-Infinity", 9, width, out);
    }
    return true;
  }
  return false;
}

// Splits the scientific form of std::to_chars ("-d.ddde+xx") into the part
// before the exponent letter and the exponent value.
int exponentOf(const char *printed, const char *end, const char **letter) {
  *letter = std::find(printed, end, 'e');
  const char *digits = *letter + 1;
  const bool negative = *digits == '-';
  if (*digits == '-' || *digits == '+') {
    ++digits;
  }
  int magnitude = 0;
  std::from_chars(digits, end, magnitude);
  return negative ? -magnitude : magnitude;
}

// Writes the sign of `exponent` and its magnitude with at least `digits`
// digits; returns the number of characters written.
int writeExponent(int exponent, int digits, char *out) {
  out[0] = exponent < 0 ? '-' : '+';
  char magnitude[8];
  const char *end = std::to_chars(magnitude, magnitude + sizeof(magnitude), std::abs(exponent)).ptr;
  const int length = static_cast<int>(end - magnitude);
  int written = 1;
  for (int pad = length; pad < digits; ++pad) {
    out[written++] = '0';
  }
  std::memcpy(out + written, magnitude, static_cast<std::size_t>(length));
  return written + length;
}

} // namespace

// Every number goes through std::to_chars, which neither reads the locale
// nor allocates: a host that set a comma-decimal locale still gets points,
// and the digits are the correctly rounded ones that printf gives in the C
// locale.

int formatDiagnosticReal(double value, char *out) {
  if (placeNonFinite(value, diagnosticRealWidth, out)) {
    return diagnosticRealWidth;
  }
  char printed[40];
  const char *end = std::to_chars(printed, printed + sizeof(printed), value,
                                  std::chars_format::scientific, 15)
                        .ptr;
  const char *letter = nullptr;
  const int exponent = exponentOf(printed, end, &letter);
  // The mantissa as printed, the exponent widened to three digits.
  char text[48];
  int length = static_cast<int>(letter - printed);
  std::memcpy(text, printed, static_cast<std::size_t>(length));
  text[length++] = 'E';
  length += writeExponent(exponent, 3, text + length);
  return placeInField(text, length, diagnosticRealWidth, out);
}

int formatFixedField(double value, int width, int decimals, char *out) {
  if (placeNonFinite(value, width, out)) {
    return width;
  }
  // The largest double written with its integer part takes 309 digits.
  char text[400];
  const char *end =
      std::to_chars(text, text + sizeof(text), value, std::chars_format::fixed, decimals).ptr;
  return placeInField(text, static_cast<int>(end - text), width, out);
}

int formatExponentField(double value, int width, int digits, char *out) {
  if (placeNonFinite(value, width, out)) {
    return width;
  }
  // Rounded to `digits` significant digits as d.ddd...e+xx; the field shows
  // the same digits as 0.dddd... with the exponent one higher.
  char printed[64];
  const char *end = std::to_chars(printed, printed + sizeof(printed), value,
                                  std::chars_format::scientific, digits - 1)
                        .ptr;
  const char *letter = nullptr;
  int exponent = exponentOf(printed, end, &letter);
  if (value != 0.0) {
    exponent += 1;
  }
  char text[80];
  int length = 0;
  const char *digit = printed;
  if (*digit == '-') {
    text[length++] = '-';
    ++digit;
  }
  text[length++] = '0';
  text[length++] = '.';
  for (; digit < letter; ++digit) {
    if (*digit != '.') {
      text[length++] = *digit;
    }
  }
  const int magnitude = std::abs(exponent);
  if (magnitude <= 99) {
    text[length++] = 'E';
    length += writeExponent(exponent, 2, text + length);
  } else if (magnitude <= 999) {
    length += writeExponent(exponent, 3, text + length);
  } else {
    return placeInField("", width + 1, width, out);
  }
  return placeInField(text, length, width, out);
}

} // namespace vrex
