// Variable names as VTK's legacy reader takes them back.
#include "write/LegacyNames.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zonvert {
namespace {

TEST(LegacyNames, EscapedOnlyWhenNeededAndShortenedOnBoundaries) {
  struct Case {
    std::string name;
    std::string written;
    bool shortened;
  };
  const std::string a254(254, 'a');
  std::string escapedBlanks;
  for (int i = 0; i < 85; ++i)
    escapedBlanks += "%20";
  const std::vector<Case> cases = {
      {"Conc", "Conc", false},
      {"p\xc3\xa9H\"", "p\xc3\xa9H\"", false}, // one word as it stands
      {"Conc mg", "Conc%20mg", false},
      {"50%", "50%25", false},
      {"a b\xc3\xa9\"\t", "a%20b%C3%A9%22%09", false}, // escaped as VTK's writer escapes
      {"", "%00", false},
      // Bytes that are no UTF-8 are Windows-1252 characters (0x81: none).
      {"\x80\x96\xe9\x81", "\xe2\x82\xac\xe2\x80\x93\xc3\xa9\xef\xbf\xbd", false},
      {"\xe9 t\xc3\xa9", "%C3%A9%20t%C3%A9", false},
      {std::string(255, 'x'), std::string(255, 'x'), false},
      {std::string(256, 'x'), std::string(255, 'x'), true},
      {a254 + " b", a254, true},                         // "%20" would end past 255
      {a254 + "\xc3\xa9", a254, true},                   // no half of a UTF-8 character
      {std::string(85, ' ') + "b", escapedBlanks, true}, // 85 escapes fill 255 exactly
  };
  for (const auto &c : cases) {
    const LegacyName written = legacyName(c.name);
    EXPECT_EQ(written.text, c.written) << "'" << c.name.substr(0, 20) << "'";
    EXPECT_EQ(written.shortened, c.shortened) << "'" << c.name.substr(0, 20) << "'";
  }
}

} // namespace
} // namespace zonvert
