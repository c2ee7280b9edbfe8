#include "write/DecimalTexts.h"

namespace zonvert {

constinit const DecimalTexts::Tables DecimalTexts::kTables = DecimalTexts::makeTables();

char *DecimalTexts::writeLarge(char *at, std::uint64_t value) {
  const std::uint64_t high = value / kGroup;
  return writeGroup(writeSpaced(at, high), value - high * kGroup);
}

} // namespace zonvert
