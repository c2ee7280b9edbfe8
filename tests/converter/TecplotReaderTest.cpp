// The reader's state machine and line handling, driven through in-memory files.
#include "ConversionFailure.h"
#include "TecplotReader.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace zonvert {
namespace {

// An in-memory Tecplot file and the reader over it.
class MemoryFile {
public:
  explicit MemoryFile(const std::string &text) : text_(text) {
    file_ = fmemopen(text_.data(), text_.size(), "r");
    if (!file_)
      file_ = std::fopen("/dev/null", "r"); // fmemopen refuses size 0
    input_ = std::make_unique<TecplotInput>(file_);
  }
  ~MemoryFile() { std::fclose(file_); }
  TecplotInput &input() { return *input_; }

private:
  std::string text_;
  std::FILE *file_;
  std::unique_ptr<TecplotInput> input_;
};

std::vector<std::string> valuesOf(const ZoneRecord &zone, std::size_t node) {
  std::vector<std::string> values;
  for (std::size_t i = 0; i < zone.nodeValues.valueCount(node); ++i)
    values.emplace_back(zone.nodeValues.value(node, i));
  return values;
}

std::vector<std::string> allLines(const std::string &text) {
  MemoryFile file(text);
  std::vector<std::string> lines;
  std::string_view line;
  while (file.input().nextLine(line))
    lines.emplace_back(line);
  return lines;
}

TEST(TecplotInput, LinesAreCutAt511Bytes) {
  const std::string a511(511, 'a');
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"", {}},
      {"one\ntwo", {"one", "two"}},
      {"crlf\r\n\r\n", {"crlf", ""}},
      {"only cr\r\r\n", {"only cr\r"}},
      {std::string(600, 'a') + "\n", {a511, std::string(89, 'a')}},
      // 511 bytes then the line feed: the feed comes back as an empty line.
      {a511 + "\nnext\n", {a511, "", "next"}},
      {std::string(510, 'b') + "\n", {std::string(510, 'b')}},
      {std::string("1 2\0 3 4\nz\n", 11), {"1 2", "z"}},
  };
  for (const auto &[text, expected] : cases)
    EXPECT_EQ(allLines(text), expected);
}

TEST(TecplotInput, LinesStraddlingReadChunksComeBackWhole) {
  // Several megabytes of lines of varying length, so that many lines cross
  // the boundary of the reader's internal blocks.
  std::string text;
  std::vector<std::string> expected;
  for (int i = 0; text.size() < 3'500'000; ++i) {
    std::string line = std::to_string(i) + std::string(static_cast<std::size_t>(i % 97), 'x');
    expected.push_back(line);
    text += line + "\n";
  }
  EXPECT_EQ(allLines(text), expected);
}

bool readOne(const std::string &text, ZoneRecord &zone) {
  MemoryFile file(text);
  return readZone(file.input(), zone);
}

TEST(TecplotReader, VariablesLineForms) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"VARIABLES = \"X\", \"Y\", \"Z\"", {"X", "Y", "Z"}},
      {"variables=x,y", {"x", "y"}},
      {"VARIABLES = X Y Z", {"X Y Z"}},
      {"VARIABLES = \"A\",,\"B\"", {"A", "B"}},
      {"VARIABLES = \"\" , \"B\"", {"", "B"}},
      {"Variables = \"conc, mol\"", {"conc", "mol"}},
      {"VARIABLES = \"X\"=\"Y\"", {"X"}},
  };
  for (const auto &[line, names] : cases) {
    ZoneRecord zone;
    ASSERT_TRUE(readOne(line + "\nZONE N=1\n1 2 3\n", zone)) << line;
    EXPECT_EQ(zone.variableNames, names) << line;
  }
}

TEST(TecplotReader, VariablesOnlyAfterEqualsEmptiesNamesAndStaysInHeader) {
  ZoneRecord zone;
  zone.variableNames = {"old"};
  // The title line would be an error in a later state if the reader had left
  // the header state: it holds "=" and is skipped there.
  ASSERT_TRUE(readOne("TITLE = \"VARIABLES\"\nTITLE = \"x\"\nZONE N=1\n5\n", zone));
  EXPECT_TRUE(zone.variableNames.empty());
  EXPECT_EQ(valuesOf(zone, 0), std::vector<std::string>{"5"});
}

TEST(TecplotReader, ZoneHeaderStateIgnoresOtherLines) {
  ZoneRecord zone;
  ASSERT_TRUE(readOne("VARIABLES = \"X\"\n\"Y\"\njunk without equals\n\nZONE I=2\n1\n2\n", zone));
  EXPECT_EQ(zone.variableNames, std::vector<std::string>{"X"});
  EXPECT_EQ(zone.nodeCount, 2);
  EXPECT_EQ(valuesOf(zone, 1), std::vector<std::string>{"2"});
}

TEST(TecplotReader, ZoneKeys) {
  ZoneRecord zone;
  ASSERT_TRUE(readOne("zone t=\"My zone\", i=7, n=2, e=0, f=fepoint, c=red\n1\n2\n", zone));
  EXPECT_EQ(zone.title, "\"MYZONE\"");
  EXPECT_EQ(zone.nodeCount, 2) << "N= after I= wins";
  EXPECT_EQ(zone.elementCount, 0);
  EXPECT_EQ(zone.color, "RED");
  EXPECT_EQ(zone.zoneNumber, 0);

  ZoneRecord blankColour;
  ASSERT_TRUE(readOne("ZONE N=1 C=BLUE\n1\n", blankColour));
  EXPECT_EQ(blankColour.nodeCount, 1) << "a blank before C= separates it like a comma";
  EXPECT_EQ(blankColour.color, "BLUE");

  ZoneRecord noNumber;
  noNumber.nodeCount = 0;
  ASSERT_FALSE(readOne("ZONE N=abc, E=x\n", noNumber));
  EXPECT_EQ(noNumber.nodeCount, 0);
  EXPECT_EQ(noNumber.elementCount, 0);
}

TEST(TecplotReader, CellKindFromTypeAndFirstElement) {
  struct Case {
    std::string type;
    std::string firstElement;
    CellKind expected;
  };
  const std::vector<Case> cases = {
      {"QUADRILATERAL", "1 2 2 1", CellKind::Line},    {"QUADRILATERAL", "1 2 3 1", CellKind::Triangle},
      {"QUADRILATERAL", "1 2 3 4", CellKind::Quad},    {"QUADRILATERAL", "1 1 2 2", CellKind::Quad},
      {"FEQUADRILATERAL", "1 2 3 4", CellKind::Quad},  {"TETRAHEDRON", "1 2", CellKind::Tetra},
      {"TRIANGLE", "1", CellKind::Triangle},           {"BRICK", "1 1 2 3 4 4 5 6", CellKind::Wedge},
      {"BRICK", "1 2 3 4 5 6 7 8", CellKind::Hexahedron},
  };
  for (const auto &c : cases) {
    ZoneRecord zone;
    ASSERT_TRUE(readOne("ZONE N=1, E=2, ET=" + c.type + "\n1\n" + c.firstElement + "\n9 9 9 9\n", zone)) << c.type;
    EXPECT_EQ(zone.cellKind, c.expected) << c.type << " " << c.firstElement;
  }
}

TEST(TecplotReader, ClearZoneKeepsNamesAndKind) {
  MemoryFile file("VARIABLES = \"X\"\nZONE N=1, E=1, ET=TETRAHEDRON\n1\n1 1 1 1\nZONE N=1, E=1\n2\n3 3 3 3\n");
  ZoneRecord zone;
  ASSERT_TRUE(readZone(file.input(), zone));
  clearZone(zone);
  EXPECT_EQ(zone.nodeCount, 0);
  EXPECT_EQ(zone.nodeValues.size(), 0u);
  EXPECT_TRUE(zone.elementTypeName.empty());
  ASSERT_TRUE(readZone(file.input(), zone));
  EXPECT_EQ(zone.variableNames, std::vector<std::string>{"X"});
  EXPECT_EQ(zone.cellKind, CellKind::Tetra);
  EXPECT_EQ(zone.zoneNumber, 1);
  EXPECT_EQ(zone.elementNodes.nodeCount(0), 4u);
  EXPECT_EQ(zone.elementNodes.nodes(0)[0], 3);
  EXPECT_FALSE(readZone(file.input(), zone));
}

TEST(TecplotReader, NodeAndElementLinesKeepTheirShape) {
  ZoneRecord zone;
  ASSERT_TRUE(readOne("ZONE N=3, E=2, ET=TRIANGLE\n  1.5e-3   -2  x\r\n\n\t7\n 1\t2 +3 -4 5junk\n\n", zone));
  EXPECT_EQ(valuesOf(zone, 0), (std::vector<std::string>{"1.5e-3", "-2", "x"}));
  EXPECT_EQ(valuesOf(zone, 1), std::vector<std::string>{}) << "a blank node line is a node without values";
  EXPECT_EQ(valuesOf(zone, 2), std::vector<std::string>{"\t7"});
  const std::int32_t *first = zone.elementNodes.nodes(0);
  ASSERT_EQ(zone.elementNodes.nodeCount(0), 4u);
  EXPECT_EQ((std::vector<std::int32_t>(first, first + 4)), (std::vector<std::int32_t>{1, 3, -4, 5}));
  EXPECT_EQ(zone.elementNodes.nodeCount(1), 0u);
}

TEST(TecplotReader, LongNodeLineBecomesTwoNodes) {
  ZoneRecord zone;
  const std::string value(600, '7');
  ASSERT_TRUE(readOne("ZONE N=2\n" + value + "\n", zone));
  EXPECT_EQ(valuesOf(zone, 0), std::vector<std::string>{std::string(511, '7')});
  EXPECT_EQ(valuesOf(zone, 1), std::vector<std::string>{std::string(89, '7')});
}

TEST(TecplotReader, EndOfFileInsideZoneKeepsWhatWasRead) {
  ZoneRecord zone;
  EXPECT_FALSE(readOne("ZONE N=3\n1 2\n", zone));
  EXPECT_EQ(zone.nodeCount, 3);
  EXPECT_EQ(valuesOf(zone, 0), (std::vector<std::string>{"1", "2"}));
}

TEST(TecplotReader, FormatErrorsThrowWithMessage) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"no equals here\n", "ERROR IN FILE\n"},
      {"ZONE N=1, ET=fequad\n", "ERROR: DON'T SUPPORT THIS ELEMENT TYPE- FEQUAD\n"},
      {"ZONE N=-2\n1\n", "ERROR IN ZONE 0: NODE LINES FOLLOW A ZONE LINE WITHOUT A POSITIVE NODE COUNT (N=-2)\n"},
      {"ZONE N=1, E=-5\n", "ERROR IN ZONE 0: NEGATIVE ELEMENT COUNT E=-5\n"},
      {"ZONE N=1, E=3000000000\n", "ERROR IN ZONE 0: E= VALUE OUT OF RANGE\n"},
      {"ZONE N=1, E=1, ET=TRIANGLE\n1\n1 99999999999 3\n",
       "ERROR IN ZONE 0, ELEMENT 1: \"99999999999\" IS NOT A NODE NUMBER\n"},
  };
  for (const auto &[text, message] : cases) {
    ZoneRecord zone;
    try {
      readOne(text, zone);
      ADD_FAILURE() << "no failure for: " << text;
    } catch (const ConversionFailure &failure) {
      EXPECT_EQ(failure.message, message);
      EXPECT_EQ(failure.exitStatus, 1);
    }
  }
}

} // namespace
} // namespace zonvert
