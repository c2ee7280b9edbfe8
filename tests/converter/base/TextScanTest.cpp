// Words and integers read as the C scan formats read them.
#include "base/TextScan.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zonvert {
namespace {

TEST(TextScan, UpcaseChangesOnlyAsciiLetters) {
  EXPECT_EQ(upcase("zone t=abc"), "ZONE T=ABC");
  EXPECT_EQ(upcase("\xc3\xa9t=x"), "\xc3\xa9T=X");
}

TEST(TextScan, ScanDecimalReadsLikePercentD) {
  const std::vector<std::pair<std::string, std::optional<std::int64_t>>> cases = {
      {"12abc", 12},  {"+5", 5},        {"-3", -3},           {"  \t7", 7},
      {"abc", std::nullopt}, {"-", std::nullopt}, {"", std::nullopt}, {"- 3", std::nullopt},
      {"99999999999", 99999999999},     {"0x10", 0},
  };
  for (const auto &[text, expected] : cases)
    EXPECT_EQ(scanDecimal(text), expected) << "'" << text << "'";
  EXPECT_GT(*scanDecimal("999999999999999999999999999"), std::int64_t{1} << 32) << "saturates, never wraps";
  EXPECT_LT(*scanDecimal("-999999999999999999999999999"), -(std::int64_t{1} << 32));
}

TEST(TextScan, ScanWholeDecimalRefusesCharactersAfterTheDigits) {
  const std::vector<std::pair<std::string, std::optional<std::int64_t>>> cases = {
      {"12", 12},           {" -3\t", -3},        {"+5", 5},           {"4.5", std::nullopt},
      {"3abc", std::nullopt}, {"1\t2", std::nullopt}, {"", std::nullopt}, {"0x10", std::nullopt},
  };
  for (const auto &[text, expected] : cases)
    EXPECT_EQ(scanWholeDecimal(text), expected) << "'" << text << "'";
  EXPECT_GT(*scanWholeDecimal(std::string(30, '9')), std::int64_t{1} << 32) << "saturates over any length";
}

} // namespace
} // namespace zonvert
