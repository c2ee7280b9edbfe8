// Fixed-width number fields of the library's text output.
//
// Each routine writes exactly `width` characters (plus a terminating zero)
// into `out`, right-aligned and padded with blanks on the left, and returns
// the number of characters written. A value that does not fit its field is
// written as a row of asterisks of the field's width. NaN and infinities are
// written as the words "NaN", "Infinity" and "-Infinity".
#pragma once

namespace vrex {

// Width of the double field of diagnostic lines.
inline constexpr int diagnosticRealWidth = 24;

// Exponent form with 15 digits after the point and a three-digit exponent,
// for example "  1.000000000000000E+030", in a field of 24 characters.
// `out` must hold at least 25 characters.
int formatDiagnosticReal(double value, char *out);

// Fixed-point form with `decimals` digits after the point: optional minus
// sign, the integer part (a single 0 when it is zero), the point and the
// decimals; 0.5 with width 12 and 4 decimals is "      0.5000".
// `out` must hold at least width + 1 characters.
int formatFixedField(double value, int width, int decimals, char *out);

// Exponent form with a mantissa in [0.1, 1): optional minus sign, "0.", the
// `digits` leading digits, then "E", the exponent's sign and two digits; an
// exponent of three digits drops the "E" ("0.1000000-100"). Zero is written
// with exponent +00. `out` must hold at least width + 1 characters.
int formatExponentField(double value, int width, int digits, char *out);

} // namespace vrex
