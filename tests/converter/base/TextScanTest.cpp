#include "base/TextScan.h"
#include "write/LegacyNames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zonvert {
namespace {

TEST(LineOps, StripCharRemovesLeadingAndTrailingRuns) {
  struct Case {
    std::string text;
    char c;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"  a b  ", ' ', "a b"}, {"\"X\"", '"', "X"},  {"\"\"", '"', ""},     {"xxx", 'x', ""},
      {"", ' ', ""},           {"a", ' ', "a"},       {"\"a\"b\"", '"', "a\"b"}, {" \t ", ' ', "\t"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(stripChar(c.text, c.c), c.expected) << "'" << c.text << "'";
}

TEST(LineOps, RemoveBlanksKeepsTabs) {
  std::string text = " ZONE T = a,\tN = 3 ";
  removeBlanks(text);
  EXPECT_EQ(text, "ZONET=a,\tN=3");
}

TEST(LineOps, UpcaseKeyStopsAtFirstEquals) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"zone t=abc, n=4", "ZONE T=abc, n=4"},
      {"variables", "VARIABLES"},
      {"=lower", "=lower"},
      {"\xc3\xa9t=x", "\xc3\xa9T=x"}, // only ASCII letters change
      {"a1_b-z=", "A1_B-Z="},
  };
  for (const auto &[line, expected] : cases)
    EXPECT_EQ(upcaseKey(line), expected);
  EXPECT_EQ(upcase("zone t=abc"), "ZONE T=ABC");
}

TEST(LineOps, BlankLineHoldsOnlyBlanksTabsAndCarriageReturns) {
  EXPECT_TRUE(isBlankLine(""));
  EXPECT_TRUE(isBlankLine(" \t\r "));
  EXPECT_FALSE(isBlankLine(" x "));
  EXPECT_FALSE(isBlankLine("\v"));
}

TEST(LineOps, PiecesDropEmptyRuns) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"a,,b,", {"a", "b"}}, {",,,", {}}, {"", {}}, {"one", {"one"}}, {",x", {"x"}},
  };
  for (const auto &[text, expected] : cases) {
    std::vector<std::string> pieces;
    forEachPiece(text, ',', [&](std::string_view piece) { pieces.emplace_back(piece); });
    EXPECT_EQ(pieces, expected) << "'" << text << "'";
  }
}

TEST(LineOps, ScanDecimalReadsLikePercentD) {
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

TEST(LineOps, ScanWholeDecimalRefusesCharactersAfterTheDigits) {
  const std::vector<std::pair<std::string, std::optional<std::int64_t>>> cases = {
      {"12", 12},           {" -3\t", -3},        {"+5", 5},           {"4.5", std::nullopt},
      {"3abc", std::nullopt}, {"1\t2", std::nullopt}, {"", std::nullopt}, {"0x10", std::nullopt},
  };
  for (const auto &[text, expected] : cases)
    EXPECT_EQ(scanWholeDecimal(text), expected) << "'" << text << "'";
  EXPECT_GT(*scanWholeDecimal(std::string(30, '9')), std::int64_t{1} << 32) << "saturates over any length";
}

TEST(LineOps, ScanWordReadsLikePercentS) {
  EXPECT_EQ(scanWord("  ab cd"), "ab");
  EXPECT_EQ(scanWord("\tx\ty"), "x");
  EXPECT_EQ(scanWord("\"T1\""), "\"T1\"");
  EXPECT_EQ(scanWord(" \t "), std::nullopt);
}

} // namespace
} // namespace zonvert
