// The lists of --zones and --variables as a user types them: what each
// selects, and what is refused.
#include "run/VariableList.h"
#include "run/ZoneSelection.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace zonvert {
namespace {

// The zones among 0..29 a selection selects.
std::vector<int> selected(const ZoneSelection &selection) {
  std::vector<int> zones;
  for (int zone = 0; zone < 30; ++zone)
    if (selection.selects(zone))
      zones.push_back(zone);
  return zones;
}

TEST(ZoneSelection, ListsSelectTheirZonesAndKnowTheirLast) {
  struct Case {
    std::string list;
    int startZone;
    std::vector<int> zones; // of 0..29
    std::optional<int> last;
  };
  const std::vector<Case> cases = {
      {"0,5,10:13,27:", 0, {0, 5, 10, 11, 12, 27, 28, 29}, std::nullopt},
      {"0::10", 0, {0, 10, 20}, std::nullopt},
      {"3:12:4", 0, {3, 7, 11}, 11},
      {"3:11:4", 0, {3, 7}, 7},
      {":3", 0, {0, 1, 2}, 2},
      {"7", 0, {7}, 7},
      {"5,2,5", 0, {2, 5}, 5},
      {"26::2,1", 0, {1, 26, 28}, std::nullopt},
      // With a starting zone, both apply.
      {"0:8", 4, {4, 5, 6, 7}, 7},
      {"0::3", 10, {12, 15, 18, 21, 24, 27}, std::nullopt},
      {"2147483647", 0, {}, std::nullopt},
  };
  for (const Case &c : cases) {
    std::string refusal;
    std::optional<ZoneSelection> selection = ZoneSelection::parse(c.list, refusal);
    ASSERT_TRUE(selection) << c.list << ": " << refusal;
    selection->startAt(c.startZone);
    EXPECT_EQ(selected(*selection), c.zones) << c.list;
    EXPECT_EQ(selection->lastZone(), c.last) << c.list;
    if (c.last) {
      EXPECT_FALSE(selection->endsBy(*c.last - 1)) << c.list;
      EXPECT_TRUE(selection->endsBy(*c.last)) << c.list;
    }
  }
  EXPECT_EQ(selected(ZoneSelection{}).size(), 30u);
}

TEST(ZoneSelection, MalformedListsAreRefusedSayingWhy) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "THE LIST IS EMPTY"},
      {"1,,2", "AN EMPTY ITEM"},
      {"1,", "AN EMPTY ITEM"},
      {"-1", "\"-1\" IN \"-1\" IS NO ZONE NUMBER"},
      {"a:3", "\"a\" IN \"a:3\" IS NO ZONE NUMBER"},
      {" 1", "\" 1\" IN \" 1\" IS NO ZONE NUMBER"},
      {"1:2:3:4", "\"1:2:3:4\" HAS MORE THAN TWO COLONS"},
      {"0::0", "\"0::0\" HAS THE STEP 0"},
      {"5:5", "\"5:5\" HOLDS NO ZONE (ITS END IS NOT INCLUDED)"},
      {"9:2", "\"9:2\" HOLDS NO ZONE (ITS END IS NOT INCLUDED)"},
      {"2147483648", "\"2147483648\" IN \"2147483648\" IS NO ZONE NUMBER"},
  };
  for (const auto &[list, why] : cases) {
    std::string refusal;
    EXPECT_FALSE(ZoneSelection::parse(list, refusal)) << list;
    EXPECT_EQ(refusal, "ERROR: BAD ZONE LIST FOR --zones: \"" + list + "\": " + why +
                           "; GIVE ZONE NUMBERS (FROM 0) AND RANGES FIRST:END OR FIRST:END:STEP (END NOT INCLUDED), "
                           "SEPARATED BY COMMAS, SUCH AS 0,5,10:20,100: OR 0::10\n");
  }
}

TEST(ZoneSelection, MissingZonesAreToldOnlyForAListWithAnEnd) {
  std::string refusal;
  const ZoneSelection upTo5 = *ZoneSelection::parse("1,5", refusal);
  EXPECT_EQ(upTo5.missingZonesWarning(3), "WARNING: THE FILE ENDS AFTER ZONE 3; --zones NAMES ZONES UP TO 5\n");
  EXPECT_EQ(upTo5.missingZonesWarning(-1), "WARNING: THE FILE HOLDS NO ZONE; --zones NAMES ZONES UP TO 5\n");
  EXPECT_EQ(upTo5.missingZonesWarning(5), "");
  EXPECT_EQ(ZoneSelection::parse("1:", refusal)->missingZonesWarning(0), "");
  EXPECT_EQ(ZoneSelection{}.missingZonesWarning(-1), "");
}

TEST(VariableList, NamesAreSplitAtCommasOutsideQuotes) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"C", {"C"}},
      {"C,pH", {"C", "pH"}},
      {" C , pH\t", {"C", "pH"}},
      {"Na [mol/l],pH", {"Na [mol/l]", "pH"}},
      {"\"Na, total\",pH", {"Na, total", "pH"}},
      {"\" padded \", \"say \"\"hi\"\"\"", {" padded ", "say \"hi\""}},
      {"a\tb", {"a\tb"}},
  };
  for (const auto &[list, names] : cases) {
    std::string refusal;
    const auto parsed = parseVariableList(list, refusal);
    ASSERT_TRUE(parsed) << list << ": " << refusal;
    EXPECT_EQ(*parsed, names) << list;
  }
}

TEST(VariableList, MalformedListsAreRefusedSayingWhy) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"", "THE LIST IS EMPTY"},
      {"C,", "AN EMPTY NAME"},
      {"C,,D", "AN EMPTY NAME"},
      {" ", "AN EMPTY NAME"},
      {"\"\"", "AN EMPTY NAME"},
      {"\"C", "A QUOTE IS NOT CLOSED"},
      {"\"C\"x", "TEXT AFTER THE QUOTED NAME \"C\""},
      {"a\"b", "A QUOTE INSIDE THE NAME \"a\"b\""},
  };
  for (const auto &[list, why] : cases) {
    std::string refusal;
    EXPECT_FALSE(parseVariableList(list, refusal)) << list;
    EXPECT_EQ(refusal, "ERROR: BAD VARIABLE LIST FOR --variables: \"" + list + "\": " + why +
                           "; GIVE NAMES SEPARATED BY COMMAS, A NAME THAT HOLDS A COMMA IN DOUBLE QUOTES\n");
  }
}

} // namespace
} // namespace zonvert
