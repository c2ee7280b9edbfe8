// Value tokens read as the doubles strtod reads from them, bit for bit: the
// fast reading of short decimals against the C library's own, on the forms
// at the edges of that fast reading and on many generated ones, in every
// rounding mode. Where a value stands against a float's range, as strtof
// and strtod read it.
#include "base/NumberForms.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace zonvert {
namespace {

// strtod's reading of the whole token, or nothing when it is no number.
std::optional<std::uint64_t> strtodBits(const std::string &token) {
  if (token.empty())
    return std::nullopt;
  char *end = nullptr;
  const double value = std::strtod(token.c_str(), &end);
  if (end != token.c_str() + token.size() || token.find_first_of(" \t\nxX") != std::string::npos)
    return std::nullopt;
  return std::bit_cast<std::uint64_t>(value);
}

// The token in a buffer as a column holds it: sixteen bytes readable past
// its start, here bytes that would change the value were they read as part
// of it.
std::optional<std::uint64_t> paddedBits(const std::string &token) {
  const std::string buffer = token + "9e9.-9999999999999999";
  double value = 0;
  if (!parsePaddedNumber(std::string_view(buffer.data(), token.size()), value))
    return std::nullopt;
  return std::bit_cast<std::uint64_t>(value);
}

std::optional<std::uint64_t> plainBits(const std::string &token) {
  double value = 0;
  if (!parseNumber(token, value))
    return std::nullopt;
  return std::bit_cast<std::uint64_t>(value);
}

const std::vector<std::string> kEdgeTokens = {
    // Forms of result files, and the shortest ones.
    "1.000000E-05", "-2.500000E+00", "0.000000E+00", "-0.0", "0", "7", "+1.5", "1.", ".5", "-.5", "5e3", "5E+003",
    "1E+0005", "1e-0", "0.1234567E-100",
    // Where the fast reading stops: 2^53 as its digits, 2^53 + 1; eight
    // digits before or after the point, nine; scales of 10^22 and 10^23;
    // sixteen bytes, seventeen; four exponent digits, five.
    "90071992.54740992", "90071992.54740993", "12345678.12345678", "123456789.1", "1.123456789", "1e22", "1e23",
    "1e-22", "1e-23", "1.5E-21", "1.5E-22", "12345678E15", "12345678E16", "-1234567.1234567", "-1234567.12345678",
    "1.5e+1234", "1.5e-1234", "1.5e12345", "0.00000001e-15", "99999999.99999999e22",
    // The form of result files (d.ffffff, E or e, a signed two-digit
    // exponent) at the edges of its fast reading: scales of 10^+-22 and
    // 10^+-23, one to eight fraction digits and nine, products past 2^53
    // that round (7 x 10^22 lies halfway between two doubles), negative
    // zero, and near misses of the form, read by the general reading or
    // no numbers at all.
    "1.234567E-16", "1.234567E-17", "1.234567E+28", "1.234567E+29", "9.99999999E+30", "9.99999999E+31",
    "7.00000000E+22", "7.0000000E+22", "7.000001E+22", "1.9E+21", "9.123456789E+05", "-0.000000E+00",
    "-9.999999e-99", "1.000000E+99", "+1.000000E+00", "1.000000E05", "1.E+05", "12.34567E+05", "1.0000a0E-05",
    "1.000000E+-5", "1.000000E--05", "1.000000F+05", "1,000000E+05", "-1.000000E+0", "1.000000E+005",
    // Values that round: halfway cases and the smallest and largest
    // doubles, read by the general reading.
    "9007199254740993", "0.1", "0.3", "2.2250738585072014e-308", "4.9e-324", "1.7976931348623157e308", "1e309",
    "1e-400", "nan", "-inf", "Infinity", "+nan(123)",
    // No numbers.
    "", "-", "+", ".", "e5", "1e", "1e+", "1.2.3", "1e5e5", "+-1", "1-2", "1e+-2", "--1", "1.5x", "0x10", " 1", "1 ",
    "1,5", "E", "..5", "1..5"};

TEST(NumberForms, ShortDecimalsReadAsStrtodReadsThem) {
  for (const std::string &token : kEdgeTokens) {
    EXPECT_EQ(paddedBits(token), strtodBits(token)) << "'" << token << "'";
    EXPECT_EQ(plainBits(token), strtodBits(token)) << "'" << token << "'";
  }
}

// Decimals of every length and exponent, signed or not.
std::vector<std::string> generatedTokens() {
  std::uint64_t state = 12345;
  auto random = [&](std::uint64_t below) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return (state >> 33) % below;
  };
  std::vector<std::string> tokens;
  for (int k = 0; k < 20000; ++k) {
    std::string token = random(3) == 0 ? "-" : random(8) == 0 ? "+" : "";
    for (std::uint64_t digit = random(10); digit > 0; --digit)
      token += static_cast<char>('0' + random(10));
    if (random(4) != 0) {
      token += '.';
      for (std::uint64_t digit = random(10); digit > 0; --digit)
        token += static_cast<char>('0' + random(10));
    }
    if (random(3) != 0) {
      token += random(2) == 0 ? "E" : "e";
      token += random(3) == 0 ? "-" : random(2) == 0 ? "+" : "";
      token += std::to_string(random(random(2) == 0 ? 30 : 400));
    }
    tokens.push_back(token);
  }
  // And as result files write them: one digit, a point, one to eight
  // more, a signed exponent of two digits.
  for (int k = 0; k < 20000; ++k) {
    std::string token = random(2) == 0 ? "-" : "";
    token += static_cast<char>('0' + random(10));
    token += '.';
    for (std::uint64_t digit = 1 + random(8); digit > 0; --digit)
      token += static_cast<char>('0' + random(10));
    token += random(2) == 0 ? "E" : "e";
    token += random(2) == 0 ? "-" : "+";
    const std::uint64_t exponent = random(random(2) == 0 ? 32 : 100);
    token += static_cast<char>('0' + exponent / 10);
    token += static_cast<char>('0' + exponent % 10);
    tokens.push_back(token);
  }
  return tokens;
}

TEST(NumberForms, GeneratedDecimalsReadAsStrtodReadsThemInEveryRoundingMode) {
  const std::vector<std::string> tokens = generatedTokens();
  const int mode = std::fegetround();
  for (const int rounding : {FE_TONEAREST, FE_UPWARD, FE_DOWNWARD, FE_TOWARDZERO}) {
    std::fesetround(rounding);
    int differ = 0;
    for (const std::string &token : tokens)
      if (paddedBits(token) != strtodBits(token) && ++differ <= 5)
        ADD_FAILURE() << "'" << token << "' in rounding mode " << rounding;
    EXPECT_EQ(differ, 0);
  }
  std::fesetround(mode);
}

// VTK's legacy reader reads a float array's values with strtof and stops
// where one is an infinity; a double array's with strtod.
FloatRange expectedRange(const std::string &token) {
  if (!strtodBits(token))
    return FloatRange::Float;
  const double value = std::strtod(token.c_str(), nullptr);
  if (!std::isfinite(value))
    return FloatRange::PastDouble;
  return std::isinf(std::strtof(token.c_str(), nullptr)) ? FloatRange::Double : FloatRange::Float;
}

TEST(NumberForms, FloatRangeAsStrtofAndStrtodReadIt) {
  std::vector<std::string> tokens = generatedTokens();
  tokens.insert(tokens.end(), kEdgeTokens.begin(), kEdgeTokens.end());
  // The largest float, the halfway point above it (which rounds up, past
  // the range), just below it; the sentinel of "no value"; long mantissas
  // and exponents of other lengths around 10^38; values that round to zero.
  for (const std::string sign : {"", "-", "+"})
    for (const char *digits :
         {"3.4028235e38", "3.40282357e38", "340282356779733661637539395458142568448",
          "340282356779733661637539395458142568447", "340282356779733661637539395458142568448.5", "1.5E+300",
          "1.5E+0300", "1.5e300", "1E+38", "1E+39", "1e39", "99999999999999999999999999999999999999",
          "999999999999999999999999999999999999999", "0.000000000000000000000000000000000000000001e81",
          "0.0000000000000000000000000000000000000000000000000000000000000000000000001", "1e-50", "7e-46",
          "1.7976931348623159e308", "12345.6789E+35", "12345.6789E+34", "1.0E-300", "1.0e+3000"})
      tokens.push_back(sign + digits);
  for (const std::string &token : tokens) {
    const FloatRange expected = expectedRange(token);
    EXPECT_EQ(floatRangeOf(token), expected) << "'" << token << "'";
    // NaN and infinities written so are told by their letters instead.
    if (expected != FloatRange::Float && !isNonFinite(token)) {
      EXPECT_TRUE(mayPassFloatRange(token.data(), token.size())) << "'" << token << "'";
    }
  }
  // Nearly every value is told in a glance.
  EXPECT_FALSE(mayPassFloatRange("-1.234567E+19", 13));
  EXPECT_FALSE(mayPassFloatRange("1.000000E-35", 12));
  EXPECT_FALSE(mayPassFloatRange("1.5e300", 3)); // "1.5": the length is the token's
}

} // namespace
} // namespace zonvert
