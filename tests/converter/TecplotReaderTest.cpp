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

TEST(TecplotInput, LinesEndAtLineFeedReturnOrBothAndAreNeverCut) {
  const std::string longLine(3'000'000, 'a'); // longer than a read block
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"", {}},
      {"one\ntwo", {"one", "two"}},
      {"crlf\r\n\r\n", {"crlf", ""}},
      {"lone\rcr\r\rend", {"lone", "cr", "", "end"}},
      {"cr then crlf\r\r\n", {"cr then crlf", ""}},
      {longLine + "\r\n" + longLine + "\rx\n", {longLine, longLine, "x"}},
      {std::string("1 2\0 3 4\nz\n", 11), {"1 2", "z"}},
      {std::string("\0a\0\r\n", 5), {""}},
  };
  for (const auto &[text, expected] : cases)
    EXPECT_EQ(allLines(text), expected) << text.substr(0, 40);
}

TEST(TecplotInput, LinesStraddlingReadChunksComeBackWhole) {
  // Several megabytes of lines of varying length, so that many lines cross
  // the boundary of the reader's internal blocks.
  std::string text;
  std::vector<std::string> expected;
  const std::string lineEnds[] = {"\n", "\r\n", "\r"};
  for (int i = 0; text.size() < 3'500'000; ++i) {
    std::string line = std::to_string(i) + std::string(static_cast<std::size_t>(i % 97), 'x');
    expected.push_back(line);
    text += line + lineEnds[i % 3];
  }
  EXPECT_EQ(allLines(text), expected);
}

TEST(TecplotInput, ReadErrorSaysWhy) {
  // A folder opens as a stream, but every read of it fails.
  std::FILE *folder = std::fopen("/", "r");
  ASSERT_NE(folder, nullptr);
  TecplotInput input(folder);
  std::string_view line;
  try {
    input.nextLine(line);
    ADD_FAILURE() << "a failed read passed for the end of the file";
  } catch (const ConversionFailure &failure) {
    EXPECT_EQ(failure.message, "ERROR: CANNOT READ THE TECPLOT FILE: Is a directory\n");
  }
  std::fclose(folder);
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
  ASSERT_TRUE(readOne("ZONE N=3, E=2, ET=TRIANGLE\n  1.5e-3   -2  x\r\n\n\t7\n 1\t +3 -4 \t5\t\n\n", zone));
  EXPECT_EQ(valuesOf(zone, 0), (std::vector<std::string>{"1.5e-3", "-2", "x"}));
  EXPECT_EQ(valuesOf(zone, 1), std::vector<std::string>{}) << "a blank node line is a node without values";
  EXPECT_EQ(valuesOf(zone, 2), std::vector<std::string>{"\t7"});
  const std::int32_t *first = zone.elementNodes.nodes(0);
  ASSERT_EQ(zone.elementNodes.nodeCount(0), 4u);
  EXPECT_EQ((std::vector<std::int32_t>(first, first + 4)), (std::vector<std::int32_t>{1, 3, -4, 5}))
      << "white space around the digits is no part of the number";
  EXPECT_EQ(zone.elementNodes.nodeCount(1), 0u);
}

TEST(TecplotReader, LongNodeLineIsOneNodeWithEveryValue) {
  // Values beyond 65535 bytes into the line need offsets wider than 16 bits.
  ZoneRecord zone;
  const std::string value(70'000, '7');
  ASSERT_TRUE(readOne("ZONE N=2\n" + value + " 1.5 " + value + " 2.5\n3\n", zone));
  EXPECT_EQ(valuesOf(zone, 0), (std::vector<std::string>{value, "1.5", value, "2.5"}));
  EXPECT_EQ(valuesOf(zone, 1), std::vector<std::string>{"3"});
}

TEST(TecplotReader, FortranNumbersAreStoredInTheCFormAndNonFiniteValuesAreNoted) {
  ZoneRecord zone;
  ASSERT_TRUE(readOne("ZONE N=3\n"
                      "1.0D+03 -2.5d-3 0.1234567-100 1.5+300 .5D2 7.-1 2 -nan\n"
                      "D+03 1.0D 1-2-3 1.0E+03 1.0e-3d nan(1) Infinity 4\n"
                      "1 inf 3 NaN x\n",
                      zone));
  EXPECT_EQ(valuesOf(zone, 0), (std::vector<std::string>{"1.0E+03", "-2.5e-3", "0.1234567E-100", "1.5E+300",
                                                          ".5E2", "7.E-1", "2", "-nan"}));
  EXPECT_EQ(valuesOf(zone, 1), (std::vector<std::string>{"D+03", "1.0D", "1-2-3", "1.0E+03", "1.0e-3d", "nan(1)",
                                                          "Infinity", "4"}))
      << "tokens that are no Fortran number stay as they are";
  const std::vector<std::size_t> expectedFirst = {NodeValueTable::kNoNode, 2, NodeValueTable::kNoNode, 2,
                                                  NodeValueTable::kNoNode, 1, 1, 0, NodeValueTable::kNoNode};
  for (std::size_t index = 0; index < expectedFirst.size(); ++index)
    EXPECT_EQ(zone.nodeValues.firstNonFiniteNode(index), expectedFirst[index]) << "value " << index;
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
      {"ZONE N=1, E=1, ET=TRIANGLE\n1\n1 3abc 3\n", "ERROR IN ZONE 0, ELEMENT 1: \"3abc\" IS NOT A NODE NUMBER\n"},
      {"ZONE N=1, E=1, ET=TRIANGLE\n1\n1\t2 3\n", "ERROR IN ZONE 0, ELEMENT 1: \"1\t2\" IS NOT A NODE NUMBER\n"},
      {"ZONE N=1, E=1, ET=TRIANGLE\n1\n" + std::string(100, '9') + "x\n",
       "ERROR IN ZONE 0, ELEMENT 1: \"" + std::string(80, '9') + "\" IS NOT A NODE NUMBER\n"},
      // The end of the file inside a zone: the file is cut.
      {"ZONE N=3\n1 2\n", "ERROR IN ZONE 0: THE FILE ENDS AFTER 1 OF 3 NODE LINES\n"},
      {"ZONE N=1, E=2, ET=TRIANGLE\n1\n1 1 1", "ERROR IN ZONE 0: THE FILE ENDS AFTER 1 OF 2 ELEMENT LINES\n"},
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
