// The number fields of the library's text output: the rates-record fields
// against the Fortran runtime's F12.4 and E14.7, the diagnostic double field
// against its fixed layout.
#include "host/NumberFields.h"

#include "FortranReference.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace vrex {
namespace {

std::string fixedField(double v) {
  char out[16];
  formatFixedField(v, 12, 4, out);
  return out;
}

std::string exponentField(double v) {
  char out[16];
  formatExponentField(v, 14, 7, out);
  return out;
}

std::string diagnosticField(double v) {
  char out[32];
  formatDiagnosticReal(v, out);
  return out;
}

std::vector<double> awkwardValues() {
  const double inf = std::numeric_limits<double>::infinity();
  return {
      0.5, -1.5, 0.0, -0.0, -1e-5, 2.5e-5, 5e-5, -5e-5,
      1.03125, 1.03135, 1.00005, 123456.78905, -1234.56785,
      9999999.99995, 99999999.99995, -9999999.99995, 1e10, -1e8,  // F overflow
      1.234567e-05, -1.234567e-05, 0.99999999, 0.999999949999, 1.00000005, 1.00000015,
      1e-101, -1e-101, 1e99, 9.9999996e99, 9.99999949e99, 1e-99, 1.0000001e-100,
      5e-324, 2.2250738585072014e-308, 1.7976931348623157e308, -1.7976931348623157e308,
      std::numeric_limits<double>::quiet_NaN(), inf, -inf,
  };
}

TEST(NumberFields, RecordFieldsMatchTheFortranRuntime) {
  std::vector<double> values = awkwardValues();
  std::mt19937_64 engine(792);
  std::uniform_real_distribution<double> mantissa(-1.0, 1.0);
  std::uniform_int_distribution<int> exponent(-320, 307);
  for (int k = 0; k < 400; ++k) {
    values.push_back(std::ldexp(mantissa(engine), static_cast<int>(exponent(engine) * 3.32)));
  }
  const std::vector<std::string> reference = test::fortranFields(values);
  ASSERT_EQ(reference.size(), values.size());
  for (std::size_t k = 0; k < values.size(); ++k) {
    EXPECT_EQ(fixedField(values[k]) + "|" + exponentField(values[k]) + "|", reference[k])
        << "value " << values[k];
  }
}

TEST(NumberFields, RecordFieldsHaveTheirWidthAndForm) {
  // Spelled out for the cases the record layout names explicitly.
  EXPECT_EQ(fixedField(0.5), "      0.5000");
  EXPECT_EQ(exponentField(1.234567e-05), " 0.1234567E-04");
  EXPECT_EQ(exponentField(-1.234567e-05), "-0.1234567E-04");
  EXPECT_EQ(exponentField(0.0), " 0.0000000E+00");
  EXPECT_EQ(exponentField(1e-101), " 0.1000000-100");
  EXPECT_EQ(fixedField(1e10), "************");
}

TEST(NumberFields, DiagnosticDoubleHasThreeExponentDigits) {
  struct Case {
    double value;
    const char *text;
  };
  const Case cases[] = {
      {1e30, "  1.000000000000000E+030"},
      {-1e30, " -1.000000000000000E+030"},
      {-2.5e-7, " -2.500000000000000E-007"},
      {1e-300, "  1.000000000000000E-300"},
      {0.0, "  0.000000000000000E+000"},
      {std::numeric_limits<double>::quiet_NaN(), "                     NaN"},
      {std::numeric_limits<double>::infinity(), "                Infinity"},
  };
  for (const Case &c : cases) {
    EXPECT_EQ(diagnosticField(c.value), c.text);
  }
}

} // namespace
} // namespace vrex
