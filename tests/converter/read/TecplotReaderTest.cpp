// The reader's state machine and line handling, driven through in-memory files.
#include "base/ConversionFailure.h"
#include "read/CellShapes.h"
#include "read/TecplotReader.h"
#include "support/MemoryStream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace zonvert {
namespace {

// An in-memory Tecplot file, open for the reader.
struct OpenFile {
  explicit OpenFile(std::string text) : stream(std::move(text)) {}
  test::MemoryStream stream;
  TecplotFile file{stream.get()};
};

std::vector<std::string> valuesOf(const ZoneRecord &zone, std::size_t node) {
  std::vector<std::string> values;
  for (std::size_t i = 0; i < zone.nodeValues.variableCount(); ++i)
    values.emplace_back(zone.nodeValues.value(node, i));
  return values;
}

// Reads the first zone of `text`, with `namesBefore` the variable names in
// force at its start.
bool readOne(const std::string &text, ZoneRecord &zone, std::vector<std::string> namesBefore = {}) {
  OpenFile tecplot(text);
  tecplot.file.variableNames = std::move(namesBefore);
  return readZone(tecplot.file, zone);
}

TEST(TecplotReader, VariablesRecordForms) {
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"VARIABLES = \"X\", \"Y\", \"Z\"", {"X", "Y", "Z"}},
      {"variables=x,y", {"x", "y"}},
      {"VARIABLES = X Y Z", {"X", "Y", "Z"}},
      {"VARIABLES = \"x\"\"y\"\"Density\"", {"x", "y", "Density"}},
      {"VARIABLES = \"A\",,\"B\"", {"A", "B"}},
      {"VARIABLES = \"\" , \"B\"", {"", "B"}},
      {"Variables = \"conc, mol\"", {"conc, mol"}},
      {"VARIABLES = \"X\"=\"Y\"", {"X"}},
      // Continued over lines: quoted names always, unquoted after a comma.
      {"VARIABLES = \"X\", \"Y\"\n\"Z\"\n  \"C 1\" \"C 2\"", {"X", "Y", "Z", "C 1", "C 2"}},
      {"VARIABLES = X, Y,\n Z", {"X", "Y", "Z"}},
      {"VARIABLES =\n\"X\"\n# VARIABLES = \"Q\"\n\n\"Y\"", {"X", "Y"}},
      {"# VARIABLES = \"A\", \"B\"\nVARIABLES = \"X\"", {"X"}},
      {"TITLE = \"VARIABLES\" VARIABLES = \"T\"", {"T"}},
      // A record keyword ends the names on their own line too.
      {"VARIABLES = X Y ZONE T=\"empty\"", {"X", "Y"}},
  };
  for (const auto &[record, names] : cases) {
    std::string node;
    for (std::size_t k = 0; k < names.size(); ++k)
      node += std::to_string(k) + " ";
    ZoneRecord zone;
    ASSERT_TRUE(readOne(record + "\nZONE N=1\n" + node + "\n", zone)) << record;
    EXPECT_EQ(zone.variableNames, names) << record;
  }
}

TEST(TecplotReader, HeaderRecordsAndLinesReadPast) {
  ZoneRecord zone;
  ASSERT_TRUE(readOne("# written by hand\nTITLE = \"VARIABLES\"\nFILETYPE = FULL\nDATASETAUXDATA a=\"1\"\n"
                      "TEXT X=10, Y=20, T=\"label\"\nGEOMETRY X=0 Y=0 T=LINE\n1\n2\n0 0 1 1\n"
                      "CUSTOMLABELS \"a\" \"b\"\nmy = own line\nZONE N=1\n5\n",
                      zone, {"old"}));
  EXPECT_EQ(zone.variableNames, std::vector<std::string>{"old"}) << "a title holding VARIABLES is just a title";
  EXPECT_EQ(valuesOf(zone, 0), std::vector<std::string>{"5"});

  ZoneRecord afterVariables;
  ASSERT_TRUE(readOne("VARIABLES = \"X\"\njunk without equals\n\nZONE I=2\n1\n2\n", afterVariables));
  EXPECT_EQ(afterVariables.nodeCount, 2) << "lines after the variables record are read past up to the zone";
  EXPECT_EQ(valuesOf(afterVariables, 1), std::vector<std::string>{"2"});
}

TEST(TecplotReader, ZoneKeys) {
  ZoneRecord zone;
  ASSERT_TRUE(readOne("zone t=\"My zone\", i=7, n=2, e=0, f=fepoint, c=red, solutiontime=1.5E+02\n1\n2\n", zone));
  EXPECT_EQ(zone.title, "My zone");
  EXPECT_EQ(zone.solutionTime, "1.5E+02");
  EXPECT_EQ(zone.nodeCount, 2) << "N= wins over I=";
  EXPECT_EQ(zone.elementCount, 0);
  EXPECT_EQ(zone.zoneNumber, 0);

  struct Case {
    std::string header;
    int nodes, elements;
    ElementType type;
    std::string title;
  };
  const std::string brickData = "0\n1\n2\n3\n4\n5\n6\n7\n1 2 3 4 5 6 7 8\n";
  const std::vector<Case> cases = {
      {"ZONE N=8 E=1 ET=BRICK", 8, 1, ElementType::Brick, ""},
      {"ZONE T=, N=8 E=1 ET=BRICK", 8, 1, ElementType::Brick, ""},
      {"ZONE T=Zone 1 N = 8, E =1, ZONETYPE=FEBRICK", 8, 1, ElementType::Brick, "Zone 1"},
      {"ZONE NODES=8, ELEMENTS=1, ZONETYPE=FEBRICK, DATAPACKING=POINT", 8, 1, ElementType::Brick, ""},
      {"ZONE N=8, NODES=9, E=1, ELEMENTS=2, ET=BRICK, ZONETYPE=FETRIANGLE", 8, 1, ElementType::Brick, ""},
      {"ZONE T=\"a, N=5\"\n, N=8\nE=1\r\nDT=(SINGLE )\n\n# a comment\nSTRANDID=1, SOLUTIONTIME=0.5\n"
       "AUXDATA note=\"x=1\"\nET=brick\nC=RED",
       8, 1, ElementType::Brick, "a, N=5"},
      {"ZONE T=\"legacy\", I=8, J=1, F=FEPOINT, ET=BRICK", 8, 1, ElementType::Brick, "legacy"},
      {"ZONE I=4, J=2, ZONETYPE=ORDERED", 8, 3, ElementType::None, ""},
      {"ZONE I=2 J=2 K=2", 8, 1, ElementType::None, ""},
      // A comma, the end of the line or another key ends a value.
      {"ZONE C= N=8 E=1 ET=BRICK", 8, 1, ElementType::Brick, ""},
      {"ZONE T=,C=, N=8, E=1, ET=BRICK", 8, 1, ElementType::Brick, ""},
      {"ZONE T=\nN=8, E=1, C=\nET=BRICK", 8, 1, ElementType::Brick, ""},
      // No element type named or inherited: the first element line's count.
      {"ZONE N=8, E=1, F=FEPOINT", 8, 1, ElementType::Brick, ""},
  };
  for (const auto &c : cases) {
    OpenFile tecplot("VARIABLES = \"V\"\n" + c.header + "\n" + brickData.substr(0, 16) +
                     (c.type == ElementType::None ? "" : brickData.substr(16)));
    ZoneRecord keyed;
    ASSERT_TRUE(readZone(tecplot.file, keyed)) << c.header;
    EXPECT_EQ(keyed.nodeCount, c.nodes) << c.header;
    EXPECT_EQ(keyed.elementCount, c.elements) << c.header;
    EXPECT_EQ(tecplot.file.elementType, c.type) << c.header;
    EXPECT_EQ(keyed.title, c.title) << c.header;
  }

  ZoneRecord noNumber;
  ASSERT_FALSE(readOne("ZONE N=abc, E=x\n", noNumber));
  EXPECT_EQ(noNumber.nodeCount, 0);
  EXPECT_EQ(noNumber.elementCount, 0);
}

TEST(TecplotReader, ElementTypeIsTheZonesOwnElseInheritedElseTriangle) {
  OpenFile tecplot("VARIABLES = \"X\"\nZONE T=first, N=3, E=1\n1 2 3\n1 2 3\n" // nothing to inherit: triangles
                   "ZONE N=4, E=1, ZONETYPE=FEQUADRILATERAL\n1 2 3 4\n1 2 3 4\n" // its own
                   "ZONE N=4, E=1, F=FEPOINT\n1 2 3 4\n1 2 3 4\n"                // says nothing: inherits
                   "ZONE I=2\n1 2\n"                                             // ordered: changes nothing
                   "ZONE N=4, E=1\n1 2 3 4\n4 3 2 1\n");
  const std::vector<ElementType> expected = {ElementType::Triangle, ElementType::Quadrilateral,
                                             ElementType::Quadrilateral, ElementType::Quadrilateral,
                                             ElementType::Quadrilateral};
  ZoneRecord zone;
  for (std::size_t k = 0; k < expected.size(); ++k) {
    ASSERT_TRUE(readZone(tecplot.file, zone)) << k;
    EXPECT_EQ(tecplot.file.elementType, expected[k]) << k;
    EXPECT_EQ(zone.zoneNumber, static_cast<int>(k));
    EXPECT_EQ(zone.variableNames, std::vector<std::string>{"X"}) << k;
    EXPECT_EQ(zone.title, k == 0 ? "first" : "") << "the record holds one zone: " << k;
  }
  EXPECT_FALSE(readZone(tecplot.file, zone));
}

TEST(TecplotReader, EmptyZonesAreReadPastAndTheZonesAfterThemKeepTheirNumbers) {
  OpenFile tecplot("VARIABLES = \"X\"\nZONE N=0, E=0\n\nZONE T=\"no data\"\nZONE I=1\n5\nZONE I=0\n# end\nZONE N=1\n6\n");
  ZoneRecord zone;
  ASSERT_TRUE(readZone(tecplot.file, zone));
  EXPECT_EQ(zone.zoneNumber, 2);
  EXPECT_EQ(valuesOf(zone, 0), std::vector<std::string>{"5"});
  ASSERT_TRUE(readZone(tecplot.file, zone));
  EXPECT_EQ(zone.zoneNumber, 4);
  EXPECT_EQ(valuesOf(zone, 0), std::vector<std::string>{"6"});
  EXPECT_FALSE(readZone(tecplot.file, zone));
}

TEST(TecplotReader, DataIsReadByCountNotByLine) {
  ZoneRecord zone;
  ASSERT_TRUE(readOne("VARIABLES = \"X\", \"Y\", \"Z\"\nZONE N=4, E=2, ET=TRIANGLE\n"
                      "  1.5e-3   -2  x\r\n\n# a comment\n\t7,8\t9\n1 2\n3 4 5 6 1 2 3\n \n4 2\n3\n",
                      zone));
  EXPECT_EQ(valuesOf(zone, 0), (std::vector<std::string>{"1.5e-3", "-2", "x"}));
  EXPECT_EQ(valuesOf(zone, 1), (std::vector<std::string>{"7", "8", "9"}));
  EXPECT_EQ(valuesOf(zone, 2), (std::vector<std::string>{"1", "2", "3"}));
  EXPECT_EQ(valuesOf(zone, 3), (std::vector<std::string>{"4", "5", "6"}));
  ASSERT_EQ(zone.elementNodes.size(), 2u);
  CellCorners room;
  EXPECT_EQ(std::vector<std::int32_t>(zone.elementNodes.nodes(1, room), zone.elementNodes.nodes(1, room) + 3),
            (std::vector<std::int32_t>{4, 2, 3}));

  ZoneRecord block;
  ASSERT_TRUE(readOne("VARIABLES = \"X\", \"Y\"\nZONE I=3, J=1, DATAPACKING=BLOCK\n1 2\n3 2*0.5 6\n", block));
  EXPECT_EQ(valuesOf(block, 0), (std::vector<std::string>{"1", "0.5"}));
  EXPECT_EQ(valuesOf(block, 2), (std::vector<std::string>{"3", "6"}));

  ZoneRecord cells; // a cell-centred variable holds one value per cell
  ASSERT_TRUE(readOne("VARIABLES = \"X\", \"C\", \"Y\"\nZONE I=3, J=2, DATAPACKING=BLOCK\n"
                      "VARLOCATION=([2]=CELLCENTERED)\n0 1 2 0 1 2\n7 8\n0 0 0 1 1 1\n",
                      cells));
  EXPECT_TRUE(cells.nodeValues.isCellCentred(1));
  EXPECT_EQ(cells.nodeValues.value(1, 1), "8");
  EXPECT_EQ(cells.nodeValues.value(5, 2), "1");

  ZoneRecord wide; // block rows hold 64 values: values of many rows
  std::string blockText = "VARIABLES = \"A\", \"B\"\nZONE N=100, F=FEBLOCK\n";
  for (int k = 0; k < 200; ++k)
    blockText += std::to_string(k) + (k % 7 == 6 ? "\n" : " ");
  ASSERT_TRUE(readOne(blockText + "\n", wide));
  EXPECT_EQ(valuesOf(wide, 99), (std::vector<std::string>{"99", "199"}));
  EXPECT_EQ(valuesOf(wide, 64), (std::vector<std::string>{"64", "164"}));
}

// A file keeps no zone starts until a zone takes data from an earlier one;
// then the starts are found again, with what was in force at each: here
// other names and another element type than at the zone that takes.
TEST(TecplotReader, DataSharedWithAnEarlierZoneFoundAgainWithWhatWasInForceThere) {
  OpenFile tecplot("VARIABLES = X Y\nZONE N=1\n0 0\nVARIABLES = X Y C\n"
                   "ZONE N=3, E=1, ET=TRIANGLE\n1 2 3\n4 5 6\n7 8 9\n1 2 3\n"
                   "ZONE N=4, E=1, ET=QUADRILATERAL\n1 1 1\n2 2 2\n3 3 3\n4 4 4\n1 2 3 4\n"
                   "VARIABLES = X Y D\nZONE N=3, E=1, VARSHARELIST=([1,2]=2), CONNECTIVITYSHAREZONE=2\n"
                   "10\n11\n12\n");
  ZoneRecord zone;
  for (int zoneNumber = 0; zoneNumber < 3; ++zoneNumber)
    ASSERT_TRUE(readZone(tecplot.file, zone));
  EXPECT_TRUE(tecplot.file.zoneStarts.empty());
  ASSERT_TRUE(readZone(tecplot.file, zone));
  EXPECT_EQ(zone.variableNames, (std::vector<std::string>{"X", "Y", "D"}));
  EXPECT_EQ(valuesOf(zone, 0), (std::vector<std::string>{"1", "2", "10"}));
  EXPECT_EQ(valuesOf(zone, 2), (std::vector<std::string>{"7", "8", "12"}));
  ASSERT_EQ(zone.elementNodes.size(), 1u);
  EXPECT_EQ(zone.elementNodes.kind(0), CellKind::Triangle);
  EXPECT_EQ(tecplot.file.zoneStarts.size(), 4u);
  EXPECT_FALSE(readZone(tecplot.file, zone));
}

// A point taken between zones reads the zones after it again, from any
// later place in the file, with their numbers in the file (an empty zone
// after the point counted).
TEST(TecplotReader, ReadingPointReadsTheZonesAfterItAgain) {
  OpenFile tecplot("VARIABLES = A\nZONE N=1\n1\nZONE N=0\nVARIABLES = B\nZONE N=1, E=1, ET=LINESEG\n2\n1 1\n"
                   "ZONE N=2, E=1\n3\n4\n1 2\n");
  ZoneRecord zone;
  ASSERT_TRUE(readZone(tecplot.file, zone));
  const ReadingPoint point = readingPoint(tecplot.file, nullptr);
  std::vector<std::vector<std::string>> first;
  while (readZone(tecplot.file, zone))
    first.push_back(zone.variableNames);
  ASSERT_TRUE(returnTo(tecplot.file, point));
  ASSERT_TRUE(readZone(tecplot.file, zone));
  EXPECT_EQ(zone.zoneNumber, 2);
  EXPECT_EQ(zone.variableNames, std::vector<std::string>{"B"});
  ASSERT_TRUE(readZone(tecplot.file, zone));
  EXPECT_EQ(zone.zoneNumber, 3);
  EXPECT_EQ(zone.elementNodes.kind(0), CellKind::Line); // the type of the zone before
  EXPECT_EQ(first, (std::vector<std::vector<std::string>>{{"B"}, {"B"}}));
}

TEST(TecplotReader, LongNodeLineIsOneNodeWithEveryValue) {
  // Values beyond 65535 bytes into the line need offsets wider than 16 bits.
  ZoneRecord zone;
  const std::string value(70'000, '7');
  ASSERT_TRUE(readOne("VARIABLES = A B C D\nZONE N=2\n" + value + " 1.5 " + value + " 2.5\n3 4 5 6\n", zone));
  EXPECT_EQ(valuesOf(zone, 0), (std::vector<std::string>{value, "1.5", value, "2.5"}));
  EXPECT_EQ(valuesOf(zone, 1), (std::vector<std::string>{"3", "4", "5", "6"}));
}

TEST(TecplotReader, FortranNumbersAreStoredInTheCFormAndNonFiniteValuesAreNoted) {
  ZoneRecord zone;
  ASSERT_TRUE(readOne("VARIABLES = A B C D E F G H\nZONE N=3\n"
                      "1.0D+03 -2.5d-3 0.1234567-100 1.5+300 .5D2 7.-1 2 -nan\n"
                      "D+03 1.0D 1-2-3 1.0E+03 1.0e-3d nan(1) Infinity 4\n"
                      "1 inf 3 NaN x 2*1.0D0 y\n",
                      zone));
  EXPECT_EQ(valuesOf(zone, 0), (std::vector<std::string>{"1.0E+03", "-2.5e-3", "0.1234567E-100", "1.5E+300",
                                                          ".5E2", "7.E-1", "2", "-nan"}));
  EXPECT_EQ(valuesOf(zone, 1), (std::vector<std::string>{"D+03", "1.0D", "1-2-3", "1.0E+03", "1.0e-3d", "nan(1)",
                                                          "Infinity", "4"}))
      << "tokens that are no Fortran number stay as they are";
  EXPECT_EQ(valuesOf(zone, 2), (std::vector<std::string>{"1", "inf", "3", "NaN", "x", "1.0E0", "1.0E0", "y"}));
  const std::vector<std::size_t> expectedFirst = {NodeValueTable::kNoNode, 2, NodeValueTable::kNoNode, 2,
                                                  NodeValueTable::kNoNode, 1, 1, 0};
  for (std::size_t index = 0; index < expectedFirst.size(); ++index)
    EXPECT_EQ(zone.nodeValues.firstNonFiniteNode(index), expectedFirst[index]) << "value " << index;
}

// The element lines of a block of lines are looked at 64 bytes at once when
// that many follow, else number by number: every line reads alike either
// way, here first with a long line after it, then as the file's last line.
TEST(TecplotReader, ElementLinesReadAlikeWithOrWithoutManyBytesAfterThem) {
  const std::vector<std::pair<std::string, std::vector<std::int32_t>>> cases = {
      {"1 2 3 4", {1, 2, 3, 4}},
      {"\t1,2 , 3\t4  ", {1, 2, 3, 4}},
      {"00000001 12345678 99999999 7", {1, 12345678, 99999999, 7}},
      {"123456789 1 2 3", {123456789, 1, 2, 3}},
      {"1 2 3 4\r", {1, 2, 3, 4}},
      {"+1 2 3 4", {1, 2, 3, 4}},
      {"1 2\n3 4", {1, 2, 3, 4}},
      {"1 2 3\n\n4", {1, 2, 3, 4}},
      {"11 12 13 14 15 16 17 18", {11, 12, 13, 14, 15, 16, 17, 18}},
  };
  const std::string last = "9 8 7 6";
  for (const auto &[line, numbers] : cases) {
    ASSERT_LT(line.size() + 1 + last.size() + 1, 48u);
    const int elements = static_cast<int>(numbers.size() / 4) + 1;
    const std::string zoneLine = "VARIABLES = X\nZONE N=1, E=" + std::to_string(elements) + ", ET=QUADRILATERAL\n0\n";
    const std::vector<std::pair<std::string, std::size_t>> files = {
        {zoneLine + line + "\n" + last + std::string(60, ' ') + "\n", 0},
        {zoneLine + last + "\n" + line + "\n", 4},
    };
    for (const auto &[text, first] : files) {
      ZoneRecord zone;
      ASSERT_TRUE(readOne(text, zone)) << text;
      ASSERT_EQ(zone.elementNodes.cornerCount(), numbers.size() + 4) << text;
      CellCorners room;
      std::vector<std::int32_t> read;
      for (std::size_t element = 0; element < zone.elementNodes.size(); ++element)
        read.insert(read.end(), zone.elementNodes.nodes(element, room), zone.elementNodes.nodes(element, room) + 4);
      EXPECT_EQ(std::vector<std::int32_t>(read.begin() + static_cast<std::ptrdiff_t>(first),
                                          read.begin() + static_cast<std::ptrdiff_t>(first + numbers.size())),
                numbers)
          << text;
    }
  }
}

// Rows of a block of lines split alike take the places of the row before
// them; rows that differ in any block, end elsewhere, hold more or fewer
// values or a value that needs a look of its own are split anew. Each node
// holds the values a plain split of the whole text gives, in turn.
TEST(TecplotReader, NodeRowsSplitAlikeOrNotHoldTheirOwnValues) {
  const std::vector<std::string> rows = {
      "1 2 3",
      "4 5 6",
      "7 8 9 ",
      "10 20 30",
      " -1.5E+00 2.5e-3 3",
      " 1.5E+00 -2.5e-3 3",
      " 1.5E+00 -2.5e-3 3",
      "1234567890123456789 2 3",
      "1234567890123456789 5 6",
      "1234567890123456789 5 67",
      "1234567890123456789 5 6\r",
      "1234567890123456789\t5,6",
      "1 2 3 4",
      "5 6",
      // A row that runs on past the block where the row before it ended,
      // its first block alike, its second alike with an earlier row's.
      "1 2             4",
      "1 2 3",
      "1 2 3           4",
      "5 6",
      "7,8,9",
      "-1,+2,-3",
      "1 2 3",
      "1.0E+01 2.0E+01 3.0E+01 4.0E+01 5.0E+01 6.0E+01",
      "1.0E+01 2.0E+01 3.0E+01",
      "1.0E+01 2.0E+01 3.0E+01",
      "1.0E+01 2.0E+01 3.0E+01",
  };
  std::string data;
  for (const std::string &row : rows)
    data += row + "\n";
  std::vector<std::string> tokens;
  std::size_t start = std::string::npos;
  for (std::size_t k = 0; k <= data.size(); ++k) {
    const bool separator = k == data.size() || std::string_view(" \t,\r\n").find(data[k]) != std::string_view::npos;
    if (!separator && start == std::string::npos)
      start = k;
    if (separator && start != std::string::npos) {
      tokens.push_back(data.substr(start, k - start));
      start = std::string::npos;
    }
  }
  ASSERT_EQ(tokens.size() % 3, 0u);
  ZoneRecord zone;
  ASSERT_TRUE(readOne("VARIABLES = A B C\nZONE N=" + std::to_string(tokens.size() / 3) + "\n" + data, zone));
  for (std::size_t node = 0; node < tokens.size() / 3; ++node)
    EXPECT_EQ(valuesOf(zone, node),
              (std::vector<std::string>{tokens[3 * node], tokens[3 * node + 1], tokens[3 * node + 2]}))
        << "node " << node;
}

TEST(TecplotReader, FormatErrorsThrowWithMessage) {
  const std::string xyz = "VARIABLES = X Y Z\n";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"no equals here\n", "ERROR IN FILE\n"},
      {"ZONE N=1, ET=fequad\n", "ERROR: DON'T SUPPORT THIS ELEMENT TYPE- FEQUAD\n"},
      {"ZONE N=-2\n1\n", "ERROR IN ZONE 0: NODE LINES FOLLOW A ZONE LINE WITHOUT A POSITIVE NODE COUNT (N=-2)\n"},
      {"ZONE N=1, E=-5\n", "ERROR IN ZONE 0: NEGATIVE ELEMENT COUNT E=-5\n"},
      {"ZONE N=1, E=3000000000\n", "ERROR IN ZONE 0: E= VALUE OUT OF RANGE\n"},
      {"ZONE I=100000, J=100000\n", "ERROR IN ZONE 0: I x J x K VALUE OUT OF RANGE\n"},
      {"ZONE N=3, E=1, ET=TRIANGLE\n1\n2\n3\n1 99999999999 3\n",
       "ERROR IN ZONE 0, ELEMENT 1: \"99999999999\" IS NOT A NODE NUMBER\n"},
      {"ZONE N=3, E=1, ET=TRIANGLE\n1\n2\n3\n1 3abc 3\n", "ERROR IN ZONE 0, ELEMENT 1: \"3abc\" IS NOT A NODE NUMBER\n"},
      {"ZONE N=1, E=1, ET=TRIANGLE\n1\n" + std::string(100, '9') + "x\n",
       "ERROR IN ZONE 0, ELEMENT 1: \"" + std::string(80, '9') + "\" IS NOT A NODE NUMBER\n"},
      // The end of the file inside a zone: the file is cut.
      {xyz + "ZONE N=3\n1 2 3\n1 2\n", "ERROR IN ZONE 0: THE FILE ENDS AFTER 1 OF 3 NODE LINES\n"},
      {xyz + "ZONE N=3, DATAPACKING=BLOCK\n1 2 3\n1 2\n", "ERROR IN ZONE 0: THE FILE ENDS AFTER 5 OF 9 BLOCK VALUES\n"},
      {"ZONE N=1, E=2, ET=TRIANGLE\n1\n1 1 1", "ERROR IN ZONE 0: THE FILE ENDS AFTER 1 OF 2 ELEMENT LINES\n"},
      {xyz + "ZONE N=2\n1 2 3\nZONE N=1\n", "ERROR IN ZONE 0: \"ZONE\" AFTER 3 OF 6 VALUES IS NOT A VALUE OF THE ZONE\n"},
      {xyz + "ZONE N=1\n1 2 5*0\n", "ERROR IN ZONE 0: \"5*0\" AFTER 2 OF 3 VALUES IS NOT A VALUE OF THE ZONE\n"},
      {xyz + "ZONE N=1, E=1, ET=TRIANGLE\n1 2 3\n1 1 1 1\n",
       "ERROR IN ZONE 0: DATA BEYOND ITS 1 NODES AND 1 ELEMENTS: \"1\"\n"},
      // Features that need data of other zones, or cells of other kinds.
      {xyz + "ZONE N=1, VARSHARELIST=([1]=1)\n",
       "ERROR IN ZONE 0: VARSHARELIST NAMES ZONE 1 (COUNTED FROM 1), WHICH IS NO EARLIER ZONE\n"},
      {xyz + "ZONE N=1\n1 2 3\nZONE N=1\n4 5 6\nZONE N=1, VARSHARELIST=([1]=1, [2]=2)\n",
       "ERROR IN ZONE 2: DATA SHARED WITH MORE THAN ONE EARLIER ZONE IS NOT SUPPORTED\n"},
      {xyz + "ZONE N=1\n1 2 3\nZONE N=2, VARSHARELIST=([1])\n",
       "ERROR IN ZONE 1: SHARES DATA WITH ZONE 0 OF 1 NODES AND 0 ELEMENTS, NOT 2 AND 0\n"},
      {xyz + "ZONE N=1\nVARLOCATION=([3]=CELLCENTERED)\n",
       "ERROR IN ZONE 0: CELL-CENTRED VARIABLES (VARLOCATION) IN POINT LAYOUT ARE NOT SUPPORTED\n"},
      {xyz + "ZONE N=1, DATAPACKING=BLOCK, VARLOCATION=(NODAL, NODAL, CELLCENTERED)\n",
       "ERROR IN ZONE 0: CELL-CENTRED VARIABLES (VARLOCATION) IN A ZONE WITHOUT CELLS ARE NOT SUPPORTED\n"},
      {xyz + "ZONE I=2, J=2, DATAPACKING=BLOCK, VARLOCATION=([1-2]=CELLCENTERED, [3]=NODAL)\n",
       "ERROR IN ZONE 0: CELL-CENTRED COORDINATES (VARLOCATION) ARE NOT SUPPORTED\n"},
      {"ZONE N=1, ZONETYPE=FEPOLYGON\n", "ERROR IN ZONE 0: POLYGON AND POLYHEDRON ZONES (FEPOLYGON) ARE NOT SUPPORTED\n"},
      {"ZONE N=1, D=(1,2,FECONNECT)\n", "ERROR IN ZONE 0: DATA DUPLICATED FROM ANOTHER ZONE (D=) IS NOT SUPPORTED\n"},
      {"ZONE N=1 NV=3\n", "ERROR IN ZONE 0: A NODAL VARIABLE COUNT (NV=) IS NOT SUPPORTED\n"},
      {"ZONE N=1, FACENEIGHBORMODE=LOCALONETOONE, FACENEIGHBORCONNECTIONS=2\n",
       "ERROR IN ZONE 0: FACE NEIGHBOUR CONNECTIONS (FACENEIGHBORCONNECTIONS) ARE NOT SUPPORTED\n"},
      // Keys without the value they need: a comma, the end of the line,
      // another key or the end of the file right after "=".
      {"ZONE N=, E=1\n", "ERROR IN ZONE 0: N= HAS NO VALUE\n"},
      {"ZONE N= E=1\n", "ERROR IN ZONE 0: N= HAS NO VALUE\n"},
      {"ZONE N=3, E=1, ET=\nTRIANGLE\n", "ERROR IN ZONE 0: ET= HAS NO VALUE\n"},
      {"ZONE I=3, DATAPACKING=", "ERROR IN ZONE 0: DATAPACKING= HAS NO VALUE\n"},
      // No count: one point per line, up to the next record.
      {xyz + "ZONE\n1 2 3\n1 2\n",
       "ERROR IN ZONE 0: THE ZONE GIVES NO NODE COUNT (I=), AND ITS DATA IS NOT ONE POINT OF 3 VALUES PER LINE: LINE 2 "
       "OF IT HOLDS \"1 2\"\n"},
      {xyz + "ZONE VARSHARELIST=([1]=1)\n", "ERROR IN ZONE 0: VARSHARELIST NAMES ZONE 1 (COUNTED FROM 1), WHICH IS NO "
                                             "EARLIER ZONE\n"},
      {xyz + "ZONE I=1\n1 2 3\nZONE VARSHARELIST=([1]=1)\n1 2\n",
       "ERROR IN ZONE 1: THE ZONE GIVES NO NODE COUNT (I=), WHICH DATA SHARED WITH ANOTHER ZONE NEEDS\n"},
      // An empty zone shares nothing with a zone that holds nodes.
      {xyz + "ZONE N=0\nZONE N=1, VARSHARELIST=([1]=1)\n4 5\n",
       "ERROR IN ZONE 1: SHARES DATA WITH ZONE 0 OF 0 NODES AND 0 ELEMENTS, NOT 1 AND 0\n"},
  };
  for (const auto &[text, message] : cases) {
    try {
      OpenFile tecplot(text);
      ZoneRecord zone;
      while (readZone(tecplot.file, zone)) {
      }
      ADD_FAILURE() << "no failure for: " << text;
    } catch (const ConversionFailure &failure) {
      EXPECT_EQ(failure.message, message);
      EXPECT_EQ(failure.exitStatus, 1);
    }
  }
}

// What a record holds, in one text: header, values, cells, warnings.
std::string contentsOf(const ZoneRecord &zone) {
  std::string text = std::to_string(zone.zoneNumber) + " " + zone.title + " " + zone.zoneType + " " +
                     std::to_string(zone.nodeCount) + " " + std::to_string(zone.elementCount) + "\n";
  for (std::size_t node = 0; node < static_cast<std::size_t>(zone.nodeCount); ++node)
    for (const std::string &value : valuesOf(zone, node))
      text += value + " ";
  CellCorners room;
  for (std::size_t element = 0; element < zone.elementNodes.size(); ++element) {
    const std::int32_t *nodes = zone.elementNodes.nodes(element, room);
    // Appended part by part: GCC 12 warns (-Wrestrict) about "text" +
    // std::to_string(...) at -O3.
    text.append(1, '\n').append(std::to_string(static_cast<int>(zone.elementNodes.kind(element)))).append(1, ':');
    for (std::size_t k = 0; k < zone.elementNodes.nodeCount(element); ++k)
      text.append(1, ' ').append(std::to_string(nodes[k]));
  }
  for (const std::string &warning : zone.warnings)
    text += "\n" + warning;
  return text;
}

// A zone of `nodes` nodes, each "i <value>", with `elements` line segments
// (0: an ordered zone).
std::string largeZone(int nodes, int elements, const std::string &value) {
  std::string text = elements > 0 ? "ZONE N=" + std::to_string(nodes) + ", E=" + std::to_string(elements) +
                                        ", ET=LINESEG, F=FEPOINT\n"
                                  : "ZONE I=" + std::to_string(nodes) + "\n";
  for (int node = 0; node < nodes; ++node)
    text += std::to_string(node) + " " + value + "\n";
  for (int element = 0; element < elements; ++element)
    text += std::to_string(element + 1) + " " + std::to_string(element + 2) + "\n";
  return text;
}

// Zones read apart, on a thread of their own, into one record after
// another, are the zones read in the file; where a zone's data ends
// elsewhere than where the reading thread found its end, reading it apart
// tells.
TEST(TecplotReader, ZonesReadApartAreTheZonesReadInTheFile) {
  struct Case {
    std::string name;
    std::string text;
    std::vector<bool> endsWhereFound; // by zone
  };
  const std::string vars = "VARIABLES = \"X\", \"C\"\n";
  const std::string zoneA = largeZone(20000, 19999, "1.5");
  const std::string zoneB = largeZone(20000, 19999, "2.000000000000001");
  const std::string ordered = largeZone(20000, 0, "3.25");
  std::string crlf;
  for (char c : zoneB)
    crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  const std::vector<Case> cases = {
      {"FiniteElementZonesOfOneSize", vars + zoneA + zoneA + zoneA, {true, true, true}},
      {"CommentsBlankLinesRecordsAndReturnsBetween",
       vars + zoneB + "# a comment\n\n" + zoneB + "TEXT X=1, Y=1, T=\"note\"\n" + crlf + ordered, {true, true, true, true}},
      // A zone of the same counts but a third the text: its end is looked
      // for past it.
      {"ZoneFarShorterThanTheOneBefore", vars + zoneB + zoneA + zoneA, {true, false}},
      {"LastZoneWithoutALineEnd", vars + zoneA + zoneA.substr(0, zoneA.size() - 1), {true, true}},
  };
  for (const Case &c : cases) {
    std::vector<std::string> inTheFile;
    {
      OpenFile tecplot(c.text);
      ZoneRecord zone;
      while (readZone(tecplot.file, zone))
        inTheFile.push_back(contentsOf(zone));
    }
    std::FILE *stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    ASSERT_EQ(std::fwrite(c.text.data(), 1, c.text.size(), stream), c.text.size());
    std::rewind(stream);
    TecplotFile file(stream);
    ZoneRecord header, zone;
    ZoneApart apart;
    std::size_t read = 0;
    for (; read < c.endsWhereFound.size() && readZone(file, header, &apart); ++read) {
      ASSERT_TRUE(apart.held) << c.name << ", zone " << read;
      const std::uint64_t end = findZoneApartEnd(file, header);
      ASSERT_EQ(readZoneApart(header, apart, zone) == end, c.endsWhereFound[read]) << c.name << ", zone " << read;
      if (c.endsWhereFound[read]) {
        EXPECT_EQ(contentsOf(zone), inTheFile[read]) << c.name << ", zone " << read;
      }
    }
    EXPECT_EQ(read, c.endsWhereFound.size()) << c.name;
    std::fclose(stream);
  }
}

} // namespace
} // namespace zonvert
