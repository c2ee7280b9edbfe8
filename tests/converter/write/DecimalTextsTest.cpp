// The index texts of a legacy file's cells: a blank and the decimal digits,
// against std::to_chars, at every length and at the edges of the tables.
#include "write/DecimalTexts.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cstdint>
#include <string>
#include <vector>

namespace zonvert {
namespace {

TEST(DecimalTexts, EveryNumberAsToCharsWritesItAfterABlank) {
  std::vector<std::uint64_t> numbers = {UINT64_MAX, UINT64_MAX - 1, std::uint64_t{1} << 63};
  for (std::uint64_t power = 1; power <= 10'000'000'000'000'000'000u / 10; power *= 10)
    for (std::uint64_t near : {power - 1, power, power + 1, 10 * power - 1})
      numbers.push_back(near);
  std::uint64_t state = 7;
  for (int k = 0; k < 100000; ++k) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    numbers.push_back(state >> (state % 64));
  }
  for (std::uint64_t number = 0; number < 20000; ++number)
    numbers.push_back(number);
  for (const std::uint64_t number : numbers) {
    char expected[24] = {' '};
    const std::size_t length = static_cast<std::size_t>(std::to_chars(expected + 1, expected + 24, number).ptr - expected);
    char written[DecimalTexts::kMostBytes + 8];
    char *end = DecimalTexts::writeSpaced(written, number);
    ASSERT_EQ(std::string(written, static_cast<std::size_t>(end - written)), std::string(expected, length)) << number;
  }
}

} // namespace
} // namespace zonvert
