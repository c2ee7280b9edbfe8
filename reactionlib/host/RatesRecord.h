// One record of "ratesAtFinish.dat": the switch value and the two record
// tags in fixed-point fields of 12 characters with 4 decimals, then the
// rates (the network's 54) in exponent fields of 14 characters with 7
// mantissa digits, without separators.
#pragma once

namespace vrex {

inline constexpr int tagWidth = 12;
inline constexpr int tagDecimals = 4;
inline constexpr int rateWidth = 14;
inline constexpr int rateDigits = 7;

// Characters of a record of rateCount rates, without its line end: 792 for
// 54 rates.
constexpr int ratesRecordLength(int rateCount) { return 3 * tagWidth + rateCount * rateWidth; }

// Writes the record of the switch value, the two record tags and
// rates(1..rateCount) into `out` (at least ratesRecordLength(rateCount) + 1
// characters, the last one a terminating zero); returns
// ratesRecordLength(rateCount).
int formatRatesRecord(double switchValue, double recordTag1, double recordTag2,
                      const double *rates, int rateCount, char *out);

} // namespace vrex
