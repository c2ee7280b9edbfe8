// One record of "ratesAtFinish.dat": the switch value and the two record
// tags in fixed-point fields of 12 characters with 4 decimals, then the 54
// rates in exponent fields of 14 characters with 7 mantissa digits, without
// separators.
#pragma once

#include "network/NetworkSizes.h"

namespace vrex {

inline constexpr int tagWidth = 12;
inline constexpr int tagDecimals = 4;
inline constexpr int rateWidth = 14;
inline constexpr int rateDigits = 7;
inline constexpr int ratesRecordLength = 3 * tagWidth + nrates * rateWidth; // 792 characters

// Writes the record of the switch value, the two record tags and rates(1..54)
// into `out` (at least ratesRecordLength + 1 characters, the last one a
// terminating zero); returns ratesRecordLength.
int formatRatesRecord(double switchValue, double recordTag1, double recordTag2,
                      const double *rates, char *out);

} // namespace vrex
