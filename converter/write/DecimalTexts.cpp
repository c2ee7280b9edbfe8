#include "write/DecimalTexts.h"

#include <algorithm>
#include <memory>

namespace zonvert {

namespace {

// Numbers below this have texts of at most a blank and six digits.
constexpr std::size_t kMostSlots = 1'000'000;

} // namespace

DecimalTexts::DecimalTexts(std::size_t count) : slots_(std::min(count, kMostSlots)) {
  char text[8] = {' ', '0'};
  std::size_t length = 2;
  for (std::uint64_t &slot : slots_) {
    slot = 0;
    std::memcpy(&slot, text, length);
    slot |= static_cast<std::uint64_t>(length) << 56;
    // One more: nines roll over to zeros, the digit before them goes up.
    std::size_t digit = length - 1;
    while (digit > 0 && text[digit] == '9')
      text[digit--] = '0';
    if (digit > 0) {
      ++text[digit];
    } else {
      text[1] = '1';
      text[length++] = '0';
    }
  }
}

const DecimalTexts &DecimalTexts::upTo(std::size_t count) {
  thread_local std::unique_ptr<DecimalTexts> made;
  if (!made || made->slots_.size() < std::min(count, kMostSlots))
    made = std::make_unique<DecimalTexts>(count);
  return *made;
}

char *DecimalTexts::writeLarge(char *at, std::uint64_t value) const {
  // The thousands first, then the last three digits (the table holds far
  // more than a thousand texts whenever a number is past its end).
  if (value < 1000) {
    char digits[4] = {' '};
    std::size_t length = 1;
    for (std::uint64_t rest = value, scale = 100; scale > 0; scale /= 10)
      if (rest >= scale || length > 1 || scale == 1) {
        digits[length++] = static_cast<char>('0' + rest / scale);
        rest %= scale;
      }
    std::memcpy(at, digits, length);
    return at + length;
  }
  const std::uint64_t thousands = value / 1000;
  const auto rest = static_cast<unsigned>(value - thousands * 1000);
  at = writeSpaced(at, thousands);
  at[0] = static_cast<char>('0' + rest / 100);
  at[1] = static_cast<char>('0' + rest / 10 % 10);
  at[2] = static_cast<char>('0' + rest % 10);
  return at + 3;
}

} // namespace zonvert
