#include "RatesRecord.h"

#include "NumberFields.h"
#include "ReactionState.h"

#include <initializer_list>

namespace vrex {

int formatRatesRecord(char *out) {
  const ReactionState &s = reactionState;
  int length = 0;
  for (double tag : {s.switchValue, s.recordTag1, s.recordTag2}) {
    length += formatFixedField(tag, tagWidth, tagDecimals, out + length);
  }
  for (double rate : s.rates) {
    length += formatExponentField(rate, rateWidth, rateDigits, out + length);
  }
  return length;
}

} // namespace vrex
