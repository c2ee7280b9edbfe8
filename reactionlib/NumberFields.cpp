#include "NumberFields.h"

#include <cmath>
#include <cstdio>
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

// Splits the output of printf's %E conversion ("-d.dddE+xx") into the part
// before the exponent letter and the exponent value.
int exponentOf(const char *printed, const char **letter) {
  *letter = std::strchr(printed, 'E');
  return static_cast<int>(std::strtol(*letter + 1, nullptr, 10));
}

} // namespace

int formatDiagnosticReal(double value, char *out) {
  if (placeNonFinite(value, diagnosticRealWidth, out)) {
    return diagnosticRealWidth;
  }
  char printed[40];
  std::snprintf(printed, sizeof(printed), "%.15E", value);
  const char *letter = nullptr;
  const int exponent = exponentOf(printed, &letter);
  // The mantissa as printf wrote it, the exponent widened to three digits.
  char text[48];
  const int length =
      std::snprintf(text, sizeof(text), "%.*sE%c%03d", static_cast<int>(letter - printed), printed,
                    exponent < 0 ? '-' : '+', std::abs(exponent));
  return placeInField(text, length, diagnosticRealWidth, out);
}

int formatFixedField(double value, int width, int decimals, char *out) {
  if (placeNonFinite(value, width, out)) {
    return width;
  }
  // The largest double written with its integer part takes 309 digits.
  char text[400];
  const int length = std::snprintf(text, sizeof(text), "%.*f", decimals, value);
  return placeInField(text, length, width, out);
}

int formatExponentField(double value, int width, int digits, char *out) {
  if (placeNonFinite(value, width, out)) {
    return width;
  }
  // printf rounds to `digits` significant digits as d.ddd...E+xx; the field
  // shows the same digits as 0.dddd... with the exponent one higher.
  char printed[64];
  std::snprintf(printed, sizeof(printed), "%.*E", digits - 1, value);
  const char *letter = nullptr;
  int exponent = exponentOf(printed, &letter);
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
  const char sign = exponent < 0 ? '-' : '+';
  const int magnitude = std::abs(exponent);
  if (magnitude <= 99) {
    length += std::snprintf(text + length, sizeof(text) - static_cast<std::size_t>(length),
                            "E%c%02d", sign, magnitude);
  } else if (magnitude <= 999) {
    length += std::snprintf(text + length, sizeof(text) - static_cast<std::size_t>(length),
                            "%c%03d", sign, magnitude);
  } else {
    return placeInField("", width + 1, width, out);
  }
  return placeInField(text, length, width, out);
}

} // namespace vrex
