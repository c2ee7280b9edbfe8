// Runs the small Fortran program built with the tests, the independent
// reference for the fixed-point and exponent fields of the rates record.
#pragma once

#include <string>
#include <vector>

namespace vrex::test {

// One "F12.4|E14.7|" line per value, as the compiler's runtime formats them.
std::vector<std::string> fortranFields(const std::vector<double> &values);

// The 792-character record line of 3 F12.4 and 54 E14.7 fields, with its
// line end.
std::string fortranRecord(const std::vector<double> &values);

} // namespace vrex::test
