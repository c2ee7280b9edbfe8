#include "host/RatesRecord.h"

#include "host/NumberFields.h"

#include <initializer_list>

namespace vrex {

int formatRatesRecord(double switchValue, double recordTag1, double recordTag2,
                      const double *rates, int rateCount, char *out) {
  int length = 0;
  for (double tag : {switchValue, recordTag1, recordTag2}) {
    length += formatFixedField(tag, tagWidth, tagDecimals, out + length);
  }
  for (int k = 0; k < rateCount; ++k) {
    length += formatExponentField(rates[k], rateWidth, rateDigits, out + length);
  }
  return length;
}

} // namespace vrex
