// Runs the real zonvert program on small Tecplot files and compares standard
// output, exit status and every file it leaves, byte for byte.
#include "end_to_end/ZonvertRunner.h"
#include "support/Compression.h"
#include "support/FileContents.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <map>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <unistd.h>
#include <vector>

namespace zonvert::test {
namespace {

const std::string kStart = "\n\n--\nSTART CONVERSION.\nREADING ZONE: ";
const std::string kFinish = "\nFINISH.\n";
const std::string kVtkHead = "# vtk DataFile Version 2.0\nUnstructured Grid Dunmarle\nASCII\n\nDATASET UNSTRUCTURED_GRID\n";
const std::string kBanner =
    "THIS IS A DATA CONVERSION TOOL FROM TECPLOT TO VTK. \n"
    "* LAST UPDATE: May.29.2008\n"
    "* YOU CAN ALSO START WITH ARGUMENTS: zonvert.exe <TECPLOT FILE PATH> <VTK FILE PATH> <OPTION: STARTING ZONE "
    "No.>\n\n"
    "ENTER YOUR TECPLOT FILE NAME.\n> ";
const std::string kPromptOutput = "\n\nENTER OUTPUTTED VTK FILE NAME.\n> ";
const std::string kPromptStart =
    "\n\nENTER STARTING ZONE(TIMESTEP) INDEX FOR CONVERSION. FOR ALL DATASET, JUST ENTER 0.\n> ";
const std::string kAllPrompts = kBanner + kPromptOutput + kPromptStart;

const std::string kVars = "VARIABLES = \"X\", \"Y\", \"Z\", \"C\"\n";

// A one-tetrahedron zone whose concentration values carry the tag k, so
// that each zone's file can be told apart.
std::string tetZone(int k, const std::string &eol = "\n") {
  const std::string t = std::to_string(k);
  return "ZONE T=\"TIME " + t + "\", N=4, E=1, F=FEPOINT, ET=TETRAHEDRON" + eol + "0.0 0.0 0.0 " + t + ".1" +
         eol + "1.0 0.0 0.0 " + t + ".2" + eol + "0.0 1.0 0.0 " + t + ".3" + eol + "0.0 0.0 1.0 " + t + ".4" + eol +
         "1 2 3 4" + eol;
}

const std::string kTetPoints = "POINTS 4 float\n0.0 0.0 0.0\n1.0 0.0 0.0\n0.0 1.0 0.0\n0.0 0.0 1.0\n\n";
const std::string kTetCells = "CELLS 1 5\n4  0 1 2 3\n\nCELL_TYPES 1\n10\n\n";

std::string tetVtk(int k, const std::string &scalarName = "C") {
  const std::string t = std::to_string(k);
  return kVtkHead + kTetPoints + kTetCells + "POINT_DATA 4\nSCALARS " + scalarName +
         " float 1\nLOOKUP_TABLE default\n" + t + ".1\n" + t + ".2\n" + t + ".3\n" + t + ".4\n";
}

// The file of a zone of one triangle, (0,0), (1,0), (0,1), without values.
const std::string kTriangleVtk = kVtkHead + "POINTS 3 float\n0 0 0.0\n1 0 0.0\n0 1 0.0\n\n"
                                            "CELLS 1 4\n3  0 1 2\n\nCELL_TYPES 1\n5\n\nPOINT_DATA 3\n";

const std::string kTwoZones = "TITLE = \"two\"\n" + kVars + tetZone(0) + tetZone(1);
const std::string kThreeZones = kVars + tetZone(0) + tetZone(1) + tetZone(2);
const std::string kFiveZones = kThreeZones + tetZone(3) + tetZone(4);

struct EndToEndCase {
  std::string name;
  std::string input;                   // content of in.dat
  std::vector<std::string> arguments;  // command-line arguments
  std::string stdinText;
  std::string expectedStdout;
  int expectedStatus;
  std::map<std::string, std::string> expectedFiles; // every file left besides in.dat
  std::map<std::string, std::string> existingFiles = {};
  std::vector<std::string> folders = {};
  std::string shellSetup = "";
  bool madeByItsTest = false; // held without its texts, which its test makes (see readApartCases)
};

const std::vector<std::string> kDefaultArgs = {"in.dat", "out.vtk"};

// Whether `text` is `prefix`, then `groups` runs of digits joined by dots,
// then `suffix` ("zonvert 1.2.3\n", "out12.vtk").
bool isFramedDigitGroups(std::string_view text, std::string_view prefix, int groups, std::string_view suffix) {
  if (!text.starts_with(prefix) || !text.ends_with(suffix) || text.size() < prefix.size() + suffix.size())
    return false;
  text = text.substr(prefix.size(), text.size() - prefix.size() - suffix.size());
  for (int group = 0; group < groups; ++group) {
    if (group > 0 && !text.starts_with('.'))
      return false;
    text.remove_prefix(group > 0 ? 1 : 0);
    const std::size_t digits = std::min(text.find_first_not_of("0123456789"), text.size());
    if (digits == 0)
      return false;
    text.remove_prefix(digits);
  }
  return text.empty();
}

// A zone of nodes only whose VTK file is well over a kilobyte.
std::string largeNodesZone() {
  std::string zone = "VARIABLES = \"X\", \"C\"\nZONE I=200\n";
  for (int i = 0; i < 200; ++i)
    zone += std::to_string(i) + " 1.0000000000e-03\n";
  return zone;
}

// A zone of 30 species whose variables line and node line are both longer
// than 511 bytes, and the file it converts to.
std::pair<std::string, std::string> wideZone() {
  std::string variables = "VARIABLES = \"X\"";
  std::string node = "1.5";
  std::string fields;
  for (int k = 1; k <= 30; ++k) {
    const std::string name = "CONCENTRATION_OF_SPECIES_" + std::to_string(k);
    const std::string value = std::to_string(k) + ".000000000000000E-05";
    variables += ", \"" + name + "\"";
    node += " " + value;
    fields += "SCALARS " + name + " float 1\nLOOKUP_TABLE default\n" + value + "\n";
  }
  return {variables + "\nZONE I=1\n" + node + "\n",
          kVtkHead + "POINTS 1 float\n1.5 0.0 0.0\n\nCELLS 1 2\n1 0\n\nCELL_TYPES 1\n1\n\nPOINT_DATA 1\n" + fields};
}

// A one-node zone with the variables X and C whose C values are `values`.
std::string nodesZone(const std::vector<std::string> &values) {
  std::string zone = "ZONE I=" + std::to_string(values.size()) + "\n";
  // Appended piece by piece: the tables hold zones of thousands of nodes,
  // built in every test process.
  for (std::size_t i = 0; i < values.size(); ++i)
    zone.append(std::to_string(i)).append(1, ' ').append(values[i]).append(1, '\n');
  return zone;
}

std::string nodesVtk(const std::vector<std::string> &values, const std::string &name = "C",
                     const std::string &type = "float") {
  std::string points, cells, types, field;
  for (std::size_t i = 0; i < values.size(); ++i) {
    const std::string number = std::to_string(i);
    points.append(number).append(" 0.0 0.0\n");
    cells.append("1 ").append(number).append(1, '\n');
    types.append("1\n");
    field.append(values[i]).append(1, '\n');
  }
  const std::string n = std::to_string(values.size());
  return kVtkHead + "POINTS " + n + " float\n" + points + "\nCELLS " + n + " " + std::to_string(2 * values.size()) +
         "\n" + cells + "\nCELL_TYPES " + n + "\n" + types + "\nPOINT_DATA " + n + "\nSCALARS " + name + " " +
         type + " 1\nLOOKUP_TABLE default\n" + field;
}

// A tetrahedron zone whose title key is `key` instead of T="TIME k".
std::string retitled(const std::string &zone, const std::string &key) {
  const std::size_t start = zone.find("T=\"TIME ");
  return zone.substr(0, start) + key + zone.substr(zone.find(',', start));
}

// A series file listing (name, time) in order.
std::string seriesJson(const std::vector<std::pair<std::string, std::string>> &files) {
  std::string text = "{\n  \"file-series-version\" : \"1.0\",\n  \"files\" : [";
  for (std::size_t k = 0; k < files.size(); ++k)
    text += std::string(k == 0 ? "\n" : ",\n") + "    { \"name\" : \"" + files[k].first + "\", \"time\" : " +
            files[k].second + " }";
  return text + "\n  ]\n}\n";
}

// A zone that holds no nodes, read past.
const std::string kEmptyZone = "ZONE T=\"surface\", N=0, E=0, ZONETYPE=FETRIANGLE\n";

// The values of a zone of 300 nodes, over 6 KB of text: a zone the worker
// threads write (the main thread writes small ones).
std::vector<std::string> large(int k) { return std::vector<std::string>(300, std::to_string(k) + ".000000000000001"); }
// Values of a zone large enough for the threads to read its data apart,
// finding only where it ends first: zones of one count read apart one after
// another are looked at only from where the one before ended on.
// Its zone text and the file it converts to are made once per value, which
// several cases share.
std::vector<std::string> readApart(const std::string &value) { return std::vector<std::string>(16384, value); }
const std::pair<std::string, std::string> &readApartZoneAndVtk(const std::string &value) {
  static std::map<std::string, std::pair<std::string, std::string>> made;
  auto [entry, isNew] = made.try_emplace(value);
  if (isNew)
    entry->second = {nodesZone(readApart(value)), nodesVtk(readApart(value))};
  return entry->second;
}
const std::string &readApartZone(const std::string &value) { return readApartZoneAndVtk(value).first; }
const std::string &readApartVtk(const std::string &value) { return readApartZoneAndVtk(value).second; }
std::string withoutLastLines(std::string text, int lines) {
  for (int line = 0; line < lines && !text.empty(); ++line)
    text.resize(text.rfind('\n', text.size() - 2) + 1);
  return text;
}
std::string withReturns(const std::string &text) {
  std::string crlf;
  for (char c : text) {
    if (c == '\n')
      crlf.push_back('\r');
    crlf.push_back(c);
  }
  return crlf;
}

const std::string kNaNWarning = ", WHICH VTK'S ASCII READER CANNOT READ (THE FIRST NAN OR INFINITY OF THE ZONE)\n";

// The cases of a braced list, moved rather than copied (a vector made from
// the list itself would copy every text).
template <std::size_t N> std::vector<EndToEndCase> movedFrom(EndToEndCase (&&cases)[N]) {
  return {std::make_move_iterator(cases), std::make_move_iterator(cases + N)};
}

// The driver and what the reader reads.
std::vector<EndToEndCase> driverAndReaderCases() {
  return movedFrom({
      // The driver: zone numbering, starting zone, output names, prompts.
      {"TetrahedronZone", kVars + tetZone(7), kDefaultArgs, "", kStart + "0 " + kFinish, 0,
       {{"out0.vtk", tetVtk(7)}}},
      {"ThreeZonesAllWritten", kThreeZones, {"in.dat", "out.vtk", "0"}, "", kStart + "0 1 2 " + kFinish, 0,
       {{"out0.vtk", tetVtk(0)}, {"out1.vtk", tetVtk(1)}, {"out2.vtk", tetVtk(2)}}},
      {"StartZoneSkipsEarlierZones", kThreeZones, {"in.dat", "out.vtk", "1"}, "", kStart + "0 1 2 " + kFinish, 0,
       {{"out1.vtk", tetVtk(1)}, {"out2.vtk", tetVtk(2)}}},
      {"StartZoneBeyondLastWritesNothing", kThreeZones, {"in.dat", "out.vtk", "3"}, "",
       kStart + "0 1 2 " + kFinish, 0, {}},
      {"NegativeStartZoneWritesAll", kTwoZones, {"in.dat", "out.vtk", "-4"}, "", kStart + "0 1 " + kFinish, 0,
       {{"out0.vtk", tetVtk(0)}, {"out1.vtk", tetVtk(1)}}},
      {"FourArgumentsIgnoreStartZone", kTwoZones, {"in.dat", "out.vtk", "1", "extra"}, "",
       kStart + "0 1 " + kFinish, 0, {{"out0.vtk", tetVtk(0)}, {"out1.vtk", tetVtk(1)}}},
      {"OutputNameWithoutDot", kVars + tetZone(0), {"in.dat", "out"}, "", kStart + "0 " + kFinish, 0,
       {{"out0.vtk", tetVtk(0)}}},
      // Only the last path component's extension is cut.
      {"OutputNameDotInFolderIsKept", kVars + tetZone(0), {"in.dat", "data.1/out"}, "", kStart + "0 " + kFinish,
       0, {{"data.1/out0.vtk", tetVtk(0)}}, {}, {"data.1"}},
      {"OutputNameDotSlash", kVars + tetZone(0), {"in.dat", "./out"}, "", kStart + "0 " + kFinish, 0,
       {{"out0.vtk", tetVtk(0)}}},
      {"OutputNameWithExtensionInDottedFolder", kVars + tetZone(0), {"in.dat", "run.v2/res.vtk"}, "",
       kStart + "0 " + kFinish, 0, {{"run.v2/res0.vtk", tetVtk(0)}}, {}, {"run.v2"}},
      {"OutputNameHiddenFileInFolder", kVars + tetZone(0), {"in.dat", "sub/.vtk"}, "", kStart + "0 " + kFinish, 0,
       {{"sub/0.vtk", tetVtk(0)}}, {}, {"sub"}},
      {"OutputNameWithTwoDots", kVars + tetZone(0), {"in.dat", "a.b.vtk"}, "", kStart + "0 " + kFinish, 0,
       {{"a.b0.vtk", tetVtk(0)}}},
      {"ExistingZoneFileOverwritten", kVars + tetZone(0), kDefaultArgs, "", kStart + "0 " + kFinish, 0,
       {{"out0.vtk", tetVtk(0)}}, {{"out0.vtk", "an older, longer file that must be replaced whole\n"}}},
      {"EmptyInputFile", "", kDefaultArgs, "", kStart + kFinish, 0, {}},
      {"InteractiveMode", kTwoZones, {}, "in.dat out.vtk 1\n", kAllPrompts + kStart + "0 1 " + kFinish, 0,
       {{"out1.vtk", tetVtk(1)}}},
      {"InteractiveModeWithoutStartZone", kVars + tetZone(0), {}, "in.dat\nout.vtk\n",
       kAllPrompts + kStart + "0 " + kFinish, 0, {{"out0.vtk", tetVtk(0)}}},
      {"SingleArgumentIsIgnored", kVars + tetZone(0), {"ignored.dat"}, "in.dat out.vtk 0\n",
       kAllPrompts + kStart + "0 " + kFinish, 0, {{"out0.vtk", tetVtk(0)}}},
      {"InteractiveClosedInput", kVars + tetZone(0), {}, "",
       kBanner + kPromptOutput + "\nERROR: OUTPUT NAME IS EMPTY.\n", 1, {}},
      {"InteractiveInputClosedAfterFirstAnswer", kVars + tetZone(0), {}, "in.dat",
       kBanner + kPromptOutput + "\nERROR: OUTPUT NAME IS EMPTY.\n", 1, {}},
      {"EmptyOutputNameArgument", kVars + tetZone(0), {"in.dat", ""}, "", "ERROR: OUTPUT NAME IS EMPTY.\n", 1, {}},

      // Reader rules that change what is written.
      {"WindowsLineEnds", kVars + tetZone(5, "\r\n"), kDefaultArgs, "", kStart + "0 " + kFinish, 0,
       {{"out0.vtk", tetVtk(5)}}},
      {"LowerCaseKeys",
       "variables = \"X\", \"Y\", \"Z\", \"C\"\nzone t=\"a\", n=4, e=1, f=fepoint, et=tetrahedron\n"
       "0.0 0.0 0.0 3.1\n1.0 0.0 0.0 3.2\n0.0 1.0 0.0 3.3\n0.0 0.0 1.0 3.4\n1 2 3 4\n",
       kDefaultArgs, "", kStart + "0 " + kFinish, 0, {{"out0.vtk", tetVtk(3)}}},
      {"ElementTypeMatchedAsSubstring",
       kVars + "ZONE N=4, E=1, ET=FETETRAHEDRON\n0.0 0.0 0.0 1.1\n1.0 0.0 0.0 1.2\n0.0 1.0 0.0 1.3\n"
               "0.0 0.0 1.0 1.4\n1 2 3 4\n",
       kDefaultArgs, "", kStart + "0 " + kFinish, 0, {{"out0.vtk", tetVtk(1)}}},
      {"ZoneWithoutElementTypeInheritsKind",
       kVars + tetZone(0) +
           "ZONE N=4, E=1\n0.0 0.0 0.0 1.1\n1.0 0.0 0.0 1.2\n0.0 1.0 0.0 1.3\n0.0 0.0 1.0 1.4\n1 2 3 4\n",
       kDefaultArgs, "", kStart + "0 1 " + kFinish, 0, {{"out0.vtk", tetVtk(0)}, {"out1.vtk", tetVtk(1)}}},
      {"SecondVariablesLineRenamesLaterZones",
       kVars + tetZone(0) + "VARIABLES = \"X\", \"Y\", \"Z\", \"D\"\n" + tetZone(1), kDefaultArgs, "",
       kStart + "0 1 " + kFinish, 0, {{"out0.vtk", tetVtk(0)}, {"out1.vtk", tetVtk(1, "D")}}},
      {"BlankLinesBetweenZonesAndAtEnd", "\n" + kVars + "\n" + tetZone(0) + "\n \t\r\n" + tetZone(1) + "\n",
       kDefaultArgs, "", kStart + "0 1 " + kFinish, 0, {{"out0.vtk", tetVtk(0)}, {"out1.vtk", tetVtk(1)}}},
      {"VariablesInTitleIsJustATitle", kVars + tetZone(0) + "TITLE = \"VARIABLES\"\n" + tetZone(1), kDefaultArgs, "",
       kStart + "0 1 " + kFinish, 0, {{"out0.vtk", tetVtk(0)}, {"out1.vtk", tetVtk(1)}}},
      // Tecplot files as other programs write them.
      {"VariablesContinuedOnFollowingLines", "VARIABLES = \"X\", \"Y\"\n \"Z\"\n\"C\"\n" + tetZone(3), kDefaultArgs, "",
       kStart + "0 " + kFinish, 0, {{"out0.vtk", tetVtk(3)}}},
      {"VariableNamesSeparatedByBlanksOrNothing", "VARIABLES = \"X\" \"Y\"\"Z\" C\n" + tetZone(4), kDefaultArgs, "",
       kStart + "0 " + kFinish, 0, {{"out0.vtk", tetVtk(4)}}},
      {"CommentedOutVariablesLineIsAComment", kVars + "# VARIABLES = \"A\", \"B\", \"C\", \"D\"\n" + tetZone(2),
       kDefaultArgs, "", kStart + "0 " + kFinish, 0, {{"out0.vtk", tetVtk(2)}}},
      {"ElementTypeOfTheZonesOwnKeys",
       "VARIABLES = \"X\", \"Y\"\nZONE N=3, E=1, ET=TRIANGLE\n0 0\n1 0\n0 1\n1 2 3\n"
       "ZONE NODES=4, ELEMENTS=1, ZONETYPE=FEQUADRILATERAL, DATAPACKING=POINT\n0 0\n1 0\n1 1\n0 1\n1 2 3 4\n",
       kDefaultArgs, "", kStart + "0 1 " + kFinish, 0,
       {{"out0.vtk", kTriangleVtk},
        {"out1.vtk", kVtkHead + "POINTS 4 float\n0 0 0.0\n1 0 0.0\n1 1 0.0\n0 1 0.0\n\n"
                                "CELLS 1 5\n4  0 1 2 3\n\nCELL_TYPES 1\n9\n\nPOINT_DATA 4\n"}}},
      // The simulator's wedges (bricks repeating their 1st and 5th node
      // numbers): positions 2, 4, 3, 6, 8, 7, each triangle's normal
      // pointing out of the cell as VTK's wedge has it.
      {"SimulatorWedgesWrittenOutward",
       "VARIABLES = \"X\", \"Y\", \"Z\"\nZONE N=8, E=2, F=FEPOINT, ET=BRICK\n0 0 0\n1 0 0\n0 1 0\n1 1 0\n0 0 1\n"
       "1 0 1\n0 1 1\n1 1 1\n1 1 2 3 5 5 6 7\n2 2 4 3 6 6 8 7\n",
       kDefaultArgs, "", kStart + "0 " + kFinish, 0,
       {{"out0.vtk", kVtkHead + "POINTS 8 float\n0 0 0\n1 0 0\n0 1 0\n1 1 0\n0 0 1\n1 0 1\n0 1 1\n1 1 1\n\n"
                                "CELLS 2 14\n6  0 2 1 4 6 5\n6  1 2 3 5 6 7\n\nCELL_TYPES 2\n13\n13\n\nPOINT_DATA 8\n"}}},
      {"ZoneHeaderOverLinesAmongOtherRecords",
       "TITLE = results of run 4\nFILETYPE = FULL\n" + kVars + "DATASETAUXDATA Code=\"x\"\n# a comment\n"
       "TEXT X=10, Y=90, T=\"label\"\nGEOMETRY T=LINE\n1\n2\n0 0\n1 1\n"
       "ZONE T=\"TIME 8\"\n, N=4, E=1\nDT=(SINGLE SINGLE SINGLE DOUBLE)\nSTRANDID=1, SOLUTIONTIME=8\n"
       "AUXDATA step=\"8\"\nzonetype = fetetrahedron\ndatapacking=point\n"
       "0.0 0.0 0.0 8.1\n\n1.0 0.0 0.0\t8.2\n0.0,1.0,0.0,8.3\n# wrapped\n0.0 0.0\n 1.0 8.4\n1 2\n3 4\n",
       kDefaultArgs, "", kStart + "0 " + kFinish, 0, {{"out0.vtk", tetVtk(8)}}},
      {"CoordinatesNamedWithUnitsAfterAByteOrderMark",
       "\xEF\xBB\xBFVARIABLES = \"x [m]\", \"Y (m)\", \"CoordinateZ\", \"C\"\nZONE I=1\n1 2 3 4\n", kDefaultArgs, "",
       kStart + "0 " + kFinish, 0,
       {{"out0.vtk", kVtkHead + "POINTS 1 float\n1 2 3\n\nCELLS 1 2\n1 0\n\nCELL_TYPES 1\n1\n\nPOINT_DATA 1\n"
                                "SCALARS x%20[m] float 1\nLOOKUP_TABLE default\n1\n"
                                "SCALARS Y%20(m) float 1\nLOOKUP_TABLE default\n2\n"
                                "SCALARS CoordinateZ float 1\nLOOKUP_TABLE default\n3\n"
                                "SCALARS C float 1\nLOOKUP_TABLE default\n4\n"}}},
      {"OrderedZoneOfQuadrilaterals", "VARIABLES = \"X\", \"Y\", \"P\"\nZONE I=3, J=2, DATAPACKING=BLOCK\n"
       "0 1 2 0 1 2\n0 0 0 1 1 1\n10 11 12 20 2*0.5D1\n",
       kDefaultArgs, "", kStart + "0 " + kFinish, 0,
       {{"out0.vtk", kVtkHead + "POINTS 6 float\n0 0 0.0\n1 0 0.0\n2 0 0.0\n0 1 0.0\n1 1 0.0\n2 1 0.0\n\n"
                                "CELLS 2 10\n4  0 1 4 3\n4  1 2 5 4\n\nCELL_TYPES 2\n9\n9\n\nPOINT_DATA 6\n"
                                "SCALARS P float 1\nLOOKUP_TABLE default\n10\n11\n12\n20\n0.5E1\n0.5E1\n"}}},
      // Zones that no ZONE keyword starts, or whose keyword stands on the
      // VARIABLES line, are the zones they are; no data is left unread.
      {"ZoneRecordOnTheVariablesLine",
       "VARIABLES = \"X\" \"C\" ZONE T=\"Zone 1\"\nI=2 J=1 K=1 ZONETYPE=Ordered\nDATAPACKING=POINT\n0 1.5\n1 2.5\n",
       kDefaultArgs, "", kStart + "0 " + kFinish, 0, {{"out0.vtk", nodesVtk({"1.5", "2.5"})}}},
      {"ZoneKeysWithoutTheZoneKeyword",
       "VARIABLES = \"X\" \"Y\"\nZONETYPE=FETRIANGLE, N=3, E=1\n0 0\n1 0\n0 1\n1 2 3\n", kDefaultArgs, "",
       kStart + "0 " + kFinish, 0, {{"out0.vtk", kTriangleVtk}}},
      {"DataWithoutAZoneRecord", "VARIABLES = \"X\" \"C\"\n0 1.5\n1 2.5\nZONE T=\"next\", I=1\n0 8\n", kDefaultArgs, "",
       kStart + "0 1 " + kFinish, 0, {{"out0.vtk", nodesVtk({"1.5", "2.5"})}, {"out1.vtk", nodesVtk({"8"})}}},
      {"DataWithoutVariableNamesRefused", "1 2\nVARIABLES = \"X\" \"C\"\n", kDefaultArgs, "",
       kStart + "\nERROR IN FILE: DATA WITHOUT A ZONE RECORD OR VARIABLE NAMES: \"1 2\"\n", 1, {}},
      // A value ends at a comma or the end of its line; a key that needs one
      // and has none (here: the file was cut after it) is refused.
      {"KeyWithoutItsValueRefused", kVars + tetZone(0) + "ZONE N=", kDefaultArgs, "",
       kStart + "0 \nERROR IN ZONE 1: N= HAS NO VALUE\n", 1, {{"out0.vtk", tetVtk(0)}}},
      {"EmptyKeyValueEndsAtTheComma",
       "VARIABLES = \"X\" \"Y\"\nZONE N=3, E=1, C=, DATAPACKING=BLOCK, ZONETYPE=FETRIANGLE\n0 1 0\n0 0 1\n1 2 3\n"
       "ZONE C= , N=3, E=1, ZONETYPE=FETRIANGLE\n0 0\n1 0\n0 1\n1 2 3\n",
       kDefaultArgs, "", kStart + "0 1 " + kFinish, 0, {{"out0.vtk", kTriangleVtk}, {"out1.vtk", kTriangleVtk}}},
      // A file without a line end after its last number may have been cut
      // inside it while being written: converted, with a warning.
      {"CutLastNumberConvertedWithAWarning", "VARIABLES = \"X\", \"C\"\nZONE I=2\n0 1\n1 3.25E+0", kDefaultArgs, "",
       kStart + "0 \nWARNING IN ZONE 0: THE FILE ENDS WITHOUT A LINE END RIGHT AFTER ITS LAST NUMBER \"3.25E+0\"; A FILE "
                "STILL BEING WRITTEN MAY HAVE ITS LAST VALUE CUT (--follow WAITS FOR THE REST)\nFINISH.\n",
       0, {{"out0.vtk", nodesVtk({"1", "3.25E+0"})}}},
      {"NaNAsFirstValueIsData", "VARIABLES = \"C\", \"X\"\nZONE I=2\nNaN 0\n-inf 1\n", kDefaultArgs, "",
       kStart + "0 \nWARNING IN ZONE 0, NODE 1: VARIABLE C HOLDS NaN" + kNaNWarning + "FINISH.\n", 0,
       {{"out0.vtk", nodesVtk({"NaN", "-inf"})}}},
      // Features that need data this converter does not keep: the zone is
      // refused by name, earlier zones stay.
      // Variables and connectivity taken from an earlier zone, which is read
      // again (zone 2 takes from zone 1, which takes from zone 0).
      {"VariablesAndConnectivitySharedWithEarlierZones",
       kVars + tetZone(0) + "ZONE N=4, E=1, ET=TETRAHEDRON, VARSHARELIST=([1-3]=1), CONNECTIVITYSHAREZONE=1\n"
               "1.1\n1.2\n1.3\n1.4\nZONE N=4, E=1, ZONETYPE=FETETRAHEDRON, DATAPACKING=BLOCK\n"
               "VARSHARELIST=([1,2],[3]) CONNECTIVITYSHAREZONE=2\n2.1 2.2 2.3 2.4\n",
       {"in.dat", "out.vtk", "1"}, "", kStart + "0 1 2 " + kFinish, 0,
       {{"out1.vtk", tetVtk(1)}, {"out2.vtk", tetVtk(2)}}},
  });
}

// Zone numbers, node numbers, cell kinds, and values as VTK reads them back.
std::vector<EndToEndCase> zoneAndValueCases() {
  const auto [wideInput, wideVtk] = wideZone();
  const std::string name300(300, 'N');
  return movedFrom({
      // Zones are named by their numbers in the file, an empty one counted.
      {"DataSharedWithAZoneAfterAnEmptyZone",
       kVars + tetZone(0) + kEmptyZone + tetZone(2) +
           "ZONE N=4, E=1, ET=TETRAHEDRON, VARSHARELIST=([1-3]=3), CONNECTIVITYSHAREZONE=3\n3.1\n3.2\n3.3\n3.4\n",
       kDefaultArgs, "", kStart + "0 2 3 " + kFinish, 0,
       {{"out0.vtk", tetVtk(0)}, {"out2.vtk", tetVtk(2)}, {"out3.vtk", tetVtk(3)}}},
      {"SharingWithALaterZoneRefused", kVars + tetZone(0) + "ZONE N=4, E=1, ET=TETRAHEDRON, VARSHARELIST=([1-3]=3)\n",
       kDefaultArgs, "",
       kStart + "0 \nERROR IN ZONE 1: VARSHARELIST NAMES ZONE 3 (COUNTED FROM 1), WHICH IS NO EARLIER ZONE\n", 1,
       {{"out0.vtk", tetVtk(0)}}},
      {"SharedDataFromAPipeRefused", "", {"in.fifo", "out.vtk"}, "",
       kStart + "0 \nERROR IN ZONE 1: TAKING DATA FROM ZONE 0 NEEDS A TECPLOT FILE THAT CAN BE READ AGAIN, NOT A PIPE\n",
       1, {{"out0.vtk", tetVtk(0)}}, {}, {},
       "mkfifo in.fifo; printf '" + kVars + tetZone(0) + "ZONE N=4, E=1, ET=TETRAHEDRON, CONNECTIVITYSHAREZONE=1\\n' > in.fifo &"},
      // --follow waits for a writer to append to a file: a pipe is refused.
      {"FollowingAPipeRefused", "", {"--follow", "in.fifo", "out.vtk"}, "",
       "ERROR: --follow READS A REGULAR FILE WHILE ITS WRITER APPENDS TO IT (PLAIN, GZIP OR ZSTD); in.fifo IS A "
       "PIPE.\n",
       1, {}, {}, {}, "mkfifo in.fifo; printf '" + kVars + tetZone(0) + "' > in.fifo &"},
      {"PassiveVariablesRefused", kVars + "ZONE N=4, E=1, ET=TETRAHEDRON, PASSIVEVARLIST=[4]\n", kDefaultArgs, "",
       kStart + "\nERROR IN ZONE 0: PASSIVE VARIABLES (PASSIVEVARLIST) ARE NOT SUPPORTED\n", 1, {}},
      {"CellCentredVariablesInPointLayoutRefused",
       kVars + "ZONE N=4, E=1, ZONETYPE=FETETRAHEDRON\nDATAPACKING=POINT, VARLOCATION=([4]=CELLCENTERED)\n",
       kDefaultArgs, "",
       kStart + "\nERROR IN ZONE 0: CELL-CENTRED VARIABLES (VARLOCATION) IN POINT LAYOUT ARE NOT SUPPORTED\n", 1, {}},
      {"CellCentredVariablesWrittenAsCellData",
       kVars + "ZONE N=4, E=2, ZONETYPE=FETETRAHEDRON\nDATAPACKING=BLOCK, VARLOCATION=([4]=CELLCENTERED)\n"
               "0.0 1.0 0.0 0.0\n0.0 0.0 1.0 0.0\n0.0 0.0 0.0 1.0\n5.5 nan\n1 2 3 4\n2 1 3 4\n",
       kDefaultArgs, "",
       kStart + "0 \nWARNING IN ZONE 0, CELL 2: VARIABLE C HOLDS nan" + kNaNWarning + "FINISH.\n", 0,
       {{"out0.vtk", kVtkHead + kTetPoints + "CELLS 2 10\n4  0 1 2 3\n4  1 0 2 3\n\nCELL_TYPES 2\n10\n10\n\n"
                                "POINT_DATA 4\nCELL_DATA 2\nSCALARS C float 1\nLOOKUP_TABLE default\n5.5\nnan\n"}}},
      {"RepeatCountPastTheZoneRefused", kVars + "ZONE I=2\n1 2 3 4 5*0\n", kDefaultArgs, "",
       kStart + "\nERROR IN ZONE 0: \"5*0\" AFTER 4 OF 8 VALUES IS NOT A VALUE OF THE ZONE\n", 1, {}},
      {"BlockValuesCutByEndOfFile", kVars + "ZONE N=4, E=1, ET=TETRAHEDRON, F=FEBLOCK\n0 1 0 0\n0 0 1\n",
       kDefaultArgs, "", kStart + "\nERROR IN ZONE 0: THE FILE ENDS AFTER 7 OF 16 BLOCK VALUES\n", 1, {}},

      // Node numbers must name nodes of the zone.
      {"NodeNumberZeroRefused",
       "VARIABLES = \"X\", \"Y\", \"Z\"\nZONE N=4, E=1, ET=TETRAHEDRON\n0.0 0.0 0.0\n1.0 0.0 0.0\n0.0 1.0 0.0\n"
       "0.0 0.0 1.0\n0 1 2 3\n",
       kDefaultArgs, "", kStart + "0 \nERROR IN ZONE 0, ELEMENT 1: NODE NUMBER 0 IS OUTSIDE 1..4\n", 1, {}},
      {"NodeNumberAboveNodeCountRefused", kVars + tetZone(0) + tetZone(1) + "ZONE N=4, E=2, ET=TETRAHEDRON\n" +
       "0 0 0 1\n1 0 0 2\n0 1 0 3\n0 0 1 4\n1 2 3 4\n-1 2 3 4\n",
       kDefaultArgs, "", kStart + "0 1 2 \nERROR IN ZONE 2, ELEMENT 2: NODE NUMBER -1 IS OUTSIDE 1..4\n", 1,
       {{"out0.vtk", tetVtk(0)}, {"out1.vtk", tetVtk(1)}}},
      // Data is read by count: numbers beyond what the counts and the element
      // type take mean that they do not describe the data.
      {"MoreNumbersThanTheZoneTakesRefused", kVars + tetZone(0) + "ZONE N=4, E=1, ET=TETRAHEDRON\n0 0 0 1\n1 0 0 2\n"
       "0 1 0 3\n0 0 1 4\n1 2 3 4 99\n",
       kDefaultArgs, "", kStart + "0 \nERROR IN ZONE 1: DATA BEYOND ITS 4 NODES AND 1 ELEMENTS: \"99\"\n", 1,
       {{"out0.vtk", tetVtk(0)}}},
      {"NodeNumberWithFractionIsNotANumber", kVars + "ZONE N=4, E=1, ET=TETRAHEDRON\n0 0 0 1\n1 0 0 2\n0 1 0 3\n"
       "0 0 1 4\n1 2 3 4.5\n",
       kDefaultArgs, "", kStart + "\nERROR IN ZONE 0, ELEMENT 1: \"4.5\" IS NOT A NODE NUMBER\n", 1, {}},
      {"BrickWithRepeatedFirstNodeIsWedge",
       "VARIABLES = \"X\", \"Y\", \"Z\"\nZONE N=6, E=1, ET=BRICK\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n1 0 1\n0 1 1\n"
       "1 1 2 3 4 4 5 6\n",
       kDefaultArgs, "", kStart + "0 " + kFinish, 0,
       {{"out0.vtk", kVtkHead + "POINTS 6 float\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n1 0 1\n0 1 1\n\n"
                                "CELLS 1 7\n6  0 2 1 3 5 4\n\nCELL_TYPES 1\n13\n\nPOINT_DATA 6\n"}}},
      {"QuadrilateralAsLines",
       "VARIABLES = \"X\", \"Y\"\nZONE N=3, E=2, ET=QUADRILATERAL\n0 0\n1 0\n2 0\n1 2 2 1\n2 3 3 2\n",
       kDefaultArgs, "", kStart + "0 " + kFinish, 0,
       {{"out0.vtk", kVtkHead + "POINTS 3 float\n0 0 0.0\n1 0 0.0\n2 0 0.0\n\n"
                                "CELLS 2 6\n2  0 1\n2  1 2\n\nCELL_TYPES 2\n3\n3\n\n"
                                "POINT_DATA 3\n"}}},
      {"QuadrilateralAsTriangles",
       "VARIABLES = \"X\", \"Y\"\nZONE N=3, E=1, ET=QUADRILATERAL\n0 0\n1 0\n0 1\n1 2 3 1\n", kDefaultArgs, "",
       kStart + "0 " + kFinish, 0,
       {{"out0.vtk", kTriangleVtk}}},
      // Each element gets its own cell kind.
      {"MixedQuadrilateralsEachGetTheirOwnKind",
       "VARIABLES = \"X\", \"Y\"\nZONE N=4, E=3, ET=QUADRILATERAL\n0 0\n1 0\n1 1\n0 1\n1 2 3 4\n1 2 2 1\n1 2 3 3\n",
       kDefaultArgs, "", kStart + "0 " + kFinish, 0,
       {{"out0.vtk", kVtkHead + "POINTS 4 float\n0 0 0.0\n1 0 0.0\n1 1 0.0\n0 1 0.0\n\n"
                                "CELLS 3 12\n4  0 1 2 3\n2  0 1\n3  0 1 2\n\nCELL_TYPES 3\n9\n3\n5\n\nPOINT_DATA 4\n"}}},
      {"MixedBricksEachGetTheirOwnKind",
       "VARIABLES = \"X\", \"Y\", \"Z\"\nZONE N=9, E=3, ET=BRICK\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n0 0 1\n1 0 1\n"
       "1 1 1\n0 1 1\n0.5 0.5 2\n1 2 3 4 5 6 7 8\n1 1 2 3 5 5 6 7\n5 6 7 8 9 9 9 9\n",
       kDefaultArgs, "", kStart + "0 " + kFinish, 0,
       {{"out0.vtk", kVtkHead + "POINTS 9 float\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n0 0 1\n1 0 1\n1 1 1\n0 1 1\n0.5 0.5 2\n\n"
                                "CELLS 3 22\n8  0 1 2 3 4 5 6 7\n6  0 2 1 4 6 5\n5  4 5 6 7 8\n\n"
                                "CELL_TYPES 3\n12\n13\n14\n\nPOINT_DATA 9\n"}}},
      {"TriangleZoneWithoutVariables", "ZONE N=3, E=1, ET=TRIANGLE\n1 2\n3 4\n5 6\n1 2 3\n", kDefaultArgs, "",
       kStart + "0 " + kFinish, 0,
       {{"out0.vtk", kVtkHead + "POINTS 3 float\n0.0 0.0 0.0\n0.0 0.0 0.0\n0.0 0.0 0.0\n\n"
                                "CELLS 1 4\n3  0 1 2\n\nCELL_TYPES 1\n5\n\nPOINT_DATA 3\n"}}},
      {"NodesOnlyZoneGetsVertexCells", "VARIABLES = \"X\", \"Y\", \"Z\", \"V\"\nZONE I=3, F=POINT\n0 0 0 a\n1 0 0 b\n2 0 0 c\n",
       kDefaultArgs, "", kStart + "0 " + kFinish, 0,
       {{"out0.vtk", kVtkHead + "POINTS 3 float\n0 0 0\n1 0 0\n2 0 0\n\n"
                                "CELLS 3 6\n1 0\n1 1\n1 2\n\nCELL_TYPES 3\n1\n1\n1\n\n"
                                "POINT_DATA 3\nSCALARS V float 1\nLOOKUP_TABLE default\na\nb\nc\n"}}},
      {"LowerCaseCoordinatesAreAlsoScalarsAndVelocityWithoutZ",
       "VARIABLES = \"x\", \"y\", \"z\", \"VX\", \"VY\"\nZONE I=1\n1 2 3 4 5\n", kDefaultArgs, "",
       kStart + "0 " + kFinish, 0,
       {{"out0.vtk", kVtkHead + "POINTS 1 float\n1 2 3\n\nCELLS 1 2\n1 0\n\nCELL_TYPES 1\n1\n\nPOINT_DATA 1\n"
                                "SCALARS x float 1\nLOOKUP_TABLE default\n1\n"
                                "SCALARS y float 1\nLOOKUP_TABLE default\n2\n"
                                "SCALARS z float 1\nLOOKUP_TABLE default\n3\n"
                                "SCALARS VX float 1\nLOOKUP_TABLE default\n4\n"
                                "SCALARS VY float 1\nLOOKUP_TABLE default\n5\n"
                                "VECTORS velocity float\n4 5 0.0 \n"}}},
      {"NameWithBlanksAndLongVelocityName",
       "VARIABLES = \"X\", \"C 1\", \"VELOCITY_Z1\"\nZONE I=1\n7 8 9\n", kDefaultArgs, "", kStart + "0 " + kFinish,
       0,
       {{"out0.vtk", kVtkHead + "POINTS 1 float\n7 0.0 0.0\n\nCELLS 1 2\n1 0\n\nCELL_TYPES 1\n1\n\nPOINT_DATA 1\n"
                                "SCALARS C%201 float 1\nLOOKUP_TABLE default\n8\n"
                                "SCALARS VELOCITY_Z1 float 1\nLOOKUP_TABLE default\n9\n"
                                "VECTORS velocity float\n0.0 0.0 9 \n"}}},
      // Lines of any length, with any of the three line ends.
      {"LongVariablesAndNodeLinesKeepEverything", wideInput, kDefaultArgs, "", kStart + "0 " + kFinish, 0,
       {{"out0.vtk", wideVtk}}},
      {"LoneCarriageReturnLineEnds", kVars + tetZone(5, "\r"), kDefaultArgs, "", kStart + "0 " + kFinish, 0,
       {{"out0.vtk", tetVtk(5)}}},
      // Numbers and names as VTK's reader reads them back.
      {"FortranNumbersWrittenInTheCForm",
       "VARIABLES = \"X\", \"C\"\n" + nodesZone({"1.0D+03", "0.1234567-100", "-1.5+300", "2.5d0", "1.0E+03", "4"}),
       kDefaultArgs, "", kStart + "0 " + kFinish, 0,
       {{"out0.vtk", nodesVtk({"1.0E+03", "0.1234567E-100", "-1.5E+300", "2.5e0", "1.0E+03", "4"}, "C", "double")}}},
      {"NaNAndInfinityCopiedWithOneWarningPerZone",
       "VARIABLES = \"X\", \"C\"\n" + nodesZone({"1", "NaN", "-inf"}) + nodesZone({"Infinity", "nan"}),
       kDefaultArgs, "",
       kStart + "0 \nWARNING IN ZONE 0, NODE 2: VARIABLE C HOLDS NaN" + kNaNWarning +
           "1 \nWARNING IN ZONE 1, NODE 1: VARIABLE C HOLDS Infinity" + kNaNWarning + "FINISH.\n",
       0, {{"out0.vtk", nodesVtk({"1", "NaN", "-inf"})}, {"out1.vtk", nodesVtk({"Infinity", "nan"})}}},
      // VTK's reader stops at a value a float cannot hold: such arrays are
      // declared double, each on its own (values past a double's range are
      // infinities, warned of), whether a value comes in a plain row or
      // not (a Fortran form, a repeat count).
      {"ValuesPastFloatRangeDeclaredDouble",
       "VARIABLES = \"X\", \"Y\", \"Z\", \"VX\", \"VY\", \"VZ\", \"P\", \"Q\", \"R\", \"S\"\n"
       "ZONE I=3\n1 -1.5E+300 0 1 2 3 3.5e38 3.4028235e38 1e-50 1.0D+300\n"
       "2 0 0 4 5 6e+38 1 3.4028235e38 2 0.5\n3 0 0 4 5 6 1 2 2*-3.40282357e38\n"
       "ZONE I=2\n1 1 1 1 1 1 1e400 -1.5E+300 1 1\n2 2 2 2 2 2 2 2 2 2\n",
       kDefaultArgs, "",
       kStart + "0 1 \nWARNING IN ZONE 1, NODE 1: VARIABLE P HOLDS 1e400" + kNaNWarning + "FINISH.\n", 0,
       {{"out0.vtk", kVtkHead + "POINTS 3 double\n1 -1.5E+300 0\n2 0 0\n3 0 0\n\n"
                                "CELLS 3 6\n1 0\n1 1\n1 2\n\nCELL_TYPES 3\n1\n1\n1\n\nPOINT_DATA 3\n"
                                "SCALARS VX float 1\nLOOKUP_TABLE default\n1\n4\n4\n"
                                "SCALARS VY float 1\nLOOKUP_TABLE default\n2\n5\n5\n"
                                "SCALARS VZ double 1\nLOOKUP_TABLE default\n3\n6e+38\n6\n"
                                "SCALARS P double 1\nLOOKUP_TABLE default\n3.5e38\n1\n1\n"
                                "SCALARS Q float 1\nLOOKUP_TABLE default\n3.4028235e38\n3.4028235e38\n2\n"
                                "SCALARS R double 1\nLOOKUP_TABLE default\n1e-50\n2\n-3.40282357e38\n"
                                "SCALARS S double 1\nLOOKUP_TABLE default\n1.0E+300\n0.5\n-3.40282357e38\n"
                                "VECTORS velocity double\n1 2 3 \n4 5 6e+38 \n4 5 6 \n"},
        {"out1.vtk", kVtkHead + "POINTS 2 float\n1 1 1\n2 2 2\n\n"
                                "CELLS 2 4\n1 0\n1 1\n\nCELL_TYPES 2\n1\n1\n\nPOINT_DATA 2\n"
                                "SCALARS VX float 1\nLOOKUP_TABLE default\n1\n2\n"
                                "SCALARS VY float 1\nLOOKUP_TABLE default\n1\n2\n"
                                "SCALARS VZ float 1\nLOOKUP_TABLE default\n1\n2\n"
                                "SCALARS P float 1\nLOOKUP_TABLE default\n1e400\n2\n"
                                "SCALARS Q double 1\nLOOKUP_TABLE default\n-1.5E+300\n2\n"
                                "SCALARS R float 1\nLOOKUP_TABLE default\n1\n2\n"
                                "SCALARS S float 1\nLOOKUP_TABLE default\n1\n2\n"
                                "VECTORS velocity float\n1 1 1 \n2 2 2 \n"}}},
      {"NamesEscapedAsVtkWritesThem",
       "VARIABLES = \"X\", \"Conc mg/l\", \"50%\", \"\", \"p\xc3\xa9H\", \"\x80 \xe9\", \"\x96\xe9\"\nZONE I=1\n1 2 3 4 5 6 7\n",
       kDefaultArgs, "",
       kStart + "0 " + kFinish, 0,
       {{"out0.vtk", kVtkHead + "POINTS 1 float\n1 0.0 0.0\n\nCELLS 1 2\n1 0\n\nCELL_TYPES 1\n1\n\nPOINT_DATA 1\n"
                                "SCALARS Conc%20mg/l float 1\nLOOKUP_TABLE default\n2\n"
                                "SCALARS 50%25 float 1\nLOOKUP_TABLE default\n3\n"
                                "SCALARS %00 float 1\nLOOKUP_TABLE default\n4\n"
                                "SCALARS p\xc3\xa9H float 1\nLOOKUP_TABLE default\n5\n"
                                // Not UTF-8: Windows-1252, as Windows programs write names.
                                "SCALARS %E2%82%AC%20%C3%A9 float 1\nLOOKUP_TABLE default\n6\n"
                                "SCALARS \xe2\x80\x93\xc3\xa9 float 1\nLOOKUP_TABLE default\n7\n"}}},
      {"LongNameShortenedWithOneWarning",
       "VARIABLES = \"X\", \"" + name300 + "\"\n" + nodesZone({"7"}) + nodesZone({"8"}), kDefaultArgs, "",
       kStart + "0 \nWARNING: NAME OF VARIABLE 2 SHORTENED TO THE 255 CHARACTERS VTK'S READER TAKES: " +
           name300.substr(0, 255) + "\n1 " + kFinish,
       0,
       {{"out0.vtk", nodesVtk({"7"}, name300.substr(0, 255))},
        {"out1.vtk", nodesVtk({"8"}, name300.substr(0, 255))}}},
      {"TabsAndCommasSeparateValues", "VARIABLES = \"X\", \"Y\", \"Z\"\nZONE I=1\n1\t2,\t3\n", kDefaultArgs, "",
       kStart + "0 " + kFinish, 0,
       {{"out0.vtk", kVtkHead + "POINTS 1 float\n1 2 3\n\nCELLS 1 2\n1 0\n\nCELL_TYPES 1\n1\n\nPOINT_DATA 1\n"}}},
      {"DuplicateCoordinateTakesLast", "VARIABLES = \"X\", \"X\", \"Y\", \"Z\"\nZONE I=1\n1 2 3 4\n", kDefaultArgs,
       "", kStart + "0 " + kFinish, 0,
       {{"out0.vtk", kVtkHead + "POINTS 1 float\n2 3 4\n\nCELLS 1 2\n1 0\n\nCELL_TYPES 1\n1\n\nPOINT_DATA 1\n"}}},
      {"BlankSeparatedZoneKeys",
       kVars + "ZONE N=4 E=1 ET=TETRAHEDRON\n0.0 0.0 0.0 6.1\n1.0 0.0 0.0 6.2\n0.0 1.0 0.0 6.3\n0.0 0.0 1.0 6.4\n1 2 3 4\n",
       kDefaultArgs, "", kStart + "0 " + kFinish, 0, {{"out0.vtk", tetVtk(6)}}},
      {"EndOfFileInsideZoneIsAnError", kVars + tetZone(0) + "ZONE N=4, E=1, ET=TETRAHEDRON\n0 0 0 1\n",
       kDefaultArgs, "", kStart + "0 \nERROR IN ZONE 1: THE FILE ENDS AFTER 1 OF 4 NODE LINES\n", 1,
       {{"out0.vtk", tetVtk(0)}}},
      {"EndOfFileAmongElementLinesIsAnError",
       kVars + tetZone(0) + "ZONE N=4, E=2, ET=TETRAHEDRON\n0 0 0 1\n1 0 0 2\n0 1 0 3\n0 0 1 4\n1 2 3 4\n",
       {"in.dat", "out.vtk", "1"}, "", kStart + "0 \nERROR IN ZONE 1: THE FILE ENDS AFTER 1 OF 2 ELEMENT LINES\n", 1,
       {}},
      {"HugeNodeCountWithFewLinesIsAnError", kVars + "ZONE N=2000000000, E=0\n0 0 0 1\n1 1 1 2\n", kDefaultArgs, "",
       kStart + "\nERROR IN ZONE 0: THE FILE ENDS AFTER 2 OF 2000000000 NODE LINES\n", 1, {}},
      {"ZeroNodeCountAtEndOfFile", kVars + "ZONE N=0\n", kDefaultArgs, "", kStart + kFinish, 0, {}},
  });
}

// Zones on threads, format errors, and the files left.
std::vector<EndToEndCase> threadAndFileCases() {
  const std::string kTwoVariables = "VARIABLES = \"X\", \"C\"\n";
  const std::string largeZonesAroundAnEmptyOne =
      kTwoVariables + nodesZone(large(0)) + kEmptyZone + nodesZone(large(2)) + nodesZone(large(3));
  return movedFrom({
      // An empty zone is read past (no number, no file); the zones after it
      // keep their numbers.
      {"EmptyZoneBetweenZones",
       kVars + tetZone(0) + "ZONE T=\"surface\", N=0, E=0, ZONETYPE=FETRIANGLE, DATAPACKING=POINT\n" + tetZone(2),
       {"--series", "in.dat", "out.vtk"}, "", kStart + "0 2 " + kFinish, 0,
       {{"out0.vtk", tetVtk(0)}, {"out2.vtk", tetVtk(2)},
        {"out.vtk.series", seriesJson({{"out0.vtk", "0"}, {"out2.vtk", "2"}})}}},
      // Zones large enough for the worker threads: the starting zone and the
      // file names go by the numbers in the file, also after an empty zone.
      {"EmptyZoneBeforeTheStartingZone",
       largeZonesAroundAnEmptyOne,
       {"in.dat", "out.vtk", "2"}, "", kStart + "0 2 3 " + kFinish, 0,
       {{"out2.vtk", nodesVtk(large(2))}, {"out3.vtk", nodesVtk(large(3))}}},
      // A zone that fails on threads after an empty zone is met again on one
      // thread, from before the empty zone: the same message, the same files.
      {"ZoneCutShortAfterAnEmptyZone", kVars + tetZone(0) + kEmptyZone + "ZONE N=4, E=1, ET=TETRAHEDRON\n0 0 0 1\n",
       kDefaultArgs, "", kStart + "0 \nERROR IN ZONE 2: THE FILE ENDS AFTER 1 OF 4 NODE LINES\n", 1,
       {{"out0.vtk", tetVtk(0)}}},
      {"ZoneFileNameIsAFolderAfterAnEmptyZone",
       largeZonesAroundAnEmptyOne,
       kDefaultArgs, "", kStart + "0 2 \nERROR: writeVTKFile() out2.vtk: Is a directory\n", 255,
       {{"out0.vtk", nodesVtk(large(0))}}, {}, {"out2.vtk"}},

      // Format errors and refusals: message, status 1, no file for the zone at fault.
      {"LineWithoutEqualsBetweenZones", kVars + tetZone(0) + "garbage\n" + tetZone(1), kDefaultArgs, "",
       kStart + "0 \nERROR IN FILE\n", 1, {{"out0.vtk", tetVtk(0)}}},
      {"LineWithoutEqualsAtTop", "garbage\n" + kVars + tetZone(0), kDefaultArgs, "", kStart + "\nERROR IN FILE\n", 1,
       {}},
      {"UnsupportedElementType", kVars + "zone n=2, e=1, et=hexagon\n0 0 0 1\n1 0 0 2\n1 2\n", kDefaultArgs, "",
       kStart + "\nERROR: DON'T SUPPORT THIS ELEMENT TYPE- HEXAGON\n", 1, {}},
      {"UnsupportedElementTypeBeforeStartZone",
       kVars + tetZone(0) + "ZONE N=2, E=1, ET=POLYHEDRON\n0 0 0 1\n1 0 0 2\n1 2\n", {"in.dat", "out.vtk", "5"}, "",
       kStart + "0 \nERROR IN ZONE 1: POLYGON AND POLYHEDRON ZONES (POLYHEDRON) ARE NOT SUPPORTED\n", 1, {}},
      // Without an element type to inherit: the format's default, triangles.
      // A finite-element zone naming no element type: the count of node
      // numbers on its first element line tells (the legacy header "I=nodes,
      // J=elements, F=FEPOINT" here).
      {"ElementTypeFromTheFirstElementLine",
       "VARIABLES = \"X\", \"Y\"\nZONE T=\"wing\", I=4, J=1, F=FEPOINT\n0 0\n1 0\n1 1\n0 1\n1 2 3 4\n", kDefaultArgs,
       "", kStart + "0 " + kFinish, 0,
       {{"out0.vtk", kVtkHead + "POINTS 4 float\n0 0 0.0\n1 0 0.0\n1 1 0.0\n0 1 0.0\n\n"
                                "CELLS 1 5\n4  0 1 2 3\n\nCELL_TYPES 1\n9\n\nPOINT_DATA 4\n"}}},
      {"ElementTypeThatTheFirstElementLineCannotTellRefused",
       "VARIABLES = \"X\", \"Y\"\nZONE N=4, E=1, F=FEPOINT\n0 0\n1 0\n1 1\n0 1\n1 2 3 4 1\n", kDefaultArgs, "",
       kStart + "\nERROR IN ZONE 0: THE ZONE NAMES NO ELEMENT TYPE (ET=), AND ITS FIRST ELEMENT LINE HOLDS 5 NODE NUMBERS, "
                "NOT 2, 3, 4 OR 8: \"1 2 3 4 1\"\n",
       1, {}},
      {"ElementsWithoutTypeAreTriangles",
       "VARIABLES = \"X\", \"Y\"\nZONE N=3, E=1\n0 0\n1 0\n0 1\n1 2 3\n", kDefaultArgs, "", kStart + "0 " + kFinish, 0,
       {{"out0.vtk", kTriangleVtk}}},
      {"FileNotFound", "", {"missing.dat", "out.vtk"}, "", "ERROR: File not found.missing.dat\n", 1, {}},
      // The output folder is checked before the first zone is read.
      {"ZoneFileCannotBeCreated", kVars + tetZone(0), {"in.dat", "nofolder/out.vtk"}, "",
       "ERROR: CANNOT WRITE ZONE FILES IN FOLDER nofolder: No such file or directory\n", 255, {}},
      {"OutputFolderIsAFile", kVars + tetZone(0), {"in.dat", "in.dat/out.vtk"}, "",
       "ERROR: CANNOT WRITE ZONE FILES IN FOLDER in.dat: Not a directory\n", 255, {}},
      {"InputIsAFolder", "", {"folder", "out.vtk"}, "", "ERROR: CANNOT READ THE TECPLOT FILE folder: Is a directory\n",
       1, {}, {}, {"folder"}},
      {"InputCannotBeOpened", "", {"loop.dat", "out.vtk"}, "",
       "ERROR: CANNOT READ THE TECPLOT FILE loop.dat: Too many levels of symbolic links\n", 1, {}, {}, {},
       "ln -s loop.dat loop.dat;"},
      // The file size limit makes writes fail part way, as a full disk does;
      // zonvert itself ignores the signal the limit would end it with.
      {"ZoneFileCutShortIsRemoved", kVars + tetZone(0) + largeNodesZone(), kDefaultArgs, "",
       kStart + "0 1 \nERROR: writeVTKFile() out1.vtk: File too large\n", 255, {{"out0.vtk", tetVtk(0)}}, {}, {},
       "ulimit -f 1;"},
      {"ZoneFileCutShortKeepsTheOldFile", kVars + tetZone(0) + largeNodesZone(), kDefaultArgs, "",
       kStart + "0 1 \nERROR: writeVTKFile() out1.vtk: File too large\n", 255,
       {{"out0.vtk", tetVtk(0)}, {"out1.vtk", "old\n"}}, {{"out1.vtk", "old\n"}}, {}, "ulimit -f 1;"},
      // Whole files under the zone file names, whatever stands there.
      {"ZoneFileNameIsAFolder", kVars + tetZone(0), kDefaultArgs, "",
       kStart + "0 \nERROR: writeVTKFile() out0.vtk: Is a directory\n", 255, {}, {}, {"out0.vtk"}},
      {"ZoneFileNameIsAFifo", kVars + tetZone(0), kDefaultArgs, "",
       kStart + "0 \nERROR: writeVTKFile() out0.vtk: Not a regular file\n", 255, {}, {}, {}, "mkfifo out0.vtk;"},
      {"ZoneFileSymlinkKeepsPointingAtItsTarget", kVars + tetZone(0), kDefaultArgs, "", kStart + "0 " + kFinish, 0,
       {{"out0.vtk", tetVtk(0)}, {"sub/target.vtk", tetVtk(0)}}, {{"sub/target.vtk", "old\n"}}, {"sub"},
       "ln -s sub/target.vtk out0.vtk;"},
      // Never over the input, whatever name reaches it.
      {"ZoneFileNamedLikeTheInputRefused", "", {"out0.vtk", "out.vtk"}, "",
       kStart + "0 \nERROR: ZONE FILE out0.vtk WOULD OVERWRITE THE TECPLOT FILE BEING READ.\n", 1,
       {{"out0.vtk", kVars + tetZone(0)}}, {{"out0.vtk", kVars + tetZone(0)}}},
      {"ZoneFileLinkedToTheInputRefused", kTwoZones, kDefaultArgs, "",
       kStart + "0 1 \nERROR: ZONE FILE out1.vtk WOULD OVERWRITE THE TECPLOT FILE BEING READ.\n", 1,
       {{"out0.vtk", tetVtk(0)}, {"out1.vtk", kTwoZones}}, {}, {}, "ln -s in.dat out1.vtk;"},
      {"ShortNodeLineRefused",
       kVars + tetZone(0) + "ZONE N=4, E=1, ET=TETRAHEDRON\n0 0 0 1\n1 0 0\n0 1 0 3\n0 0 1 4\n1 2 3 4\n",
       kDefaultArgs, "", kStart + "0 \nERROR IN ZONE 1: THE FILE ENDS AFTER 0 OF 1 ELEMENT LINES\n", 1,
       {{"out0.vtk", tetVtk(0)}}},
  });
}

// Counts, names, options, picked zones and variables, and the inventory.
std::vector<EndToEndCase> optionCases() {
  const std::string longName(256, 'a');
  return movedFrom({
      // Values are read by count, so a short node line shifts every value
      // after it, also in a zone that is not written.
      {"ShortNodeLineInSkippedZoneIsRefused",
       kVars + "ZONE N=4, E=1, ET=TETRAHEDRON\n0 0 0 1\n1 0 0\n0 1 0 3\n0 0 1 4\n1 2 3 4\n" + tetZone(1),
       {"in.dat", "out.vtk", "1"}, "", kStart + "\nERROR IN ZONE 0, ELEMENT 1: \"ZONE\" IS NOT A NODE NUMBER\n", 1, {}},
      {"ShortElementLineRefused",
       "VARIABLES = \"X\", \"Y\", \"Z\"\nZONE N=8, E=2, ET=BRICK\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n0 0 1\n1 0 1\n"
       "1 1 1\n0 1 1\n1 2 3 4 5 6 7 8\n1 2 3 4 5 6 7\n",
       kDefaultArgs, "", kStart + "\nERROR IN ZONE 0: THE FILE ENDS AFTER 1 OF 2 ELEMENT LINES\n", 1, {}},
      {"ElementTokenNotANumber", kVars + "ZONE N=4, E=1, ET=TETRAHEDRON\n0 0 0 1\n1 0 0 2\n0 1 0 3\n0 0 1 4\n1 2 x 4\n",
       kDefaultArgs, "", kStart + "\nERROR IN ZONE 0, ELEMENT 1: \"x\" IS NOT A NODE NUMBER\n", 1, {}},
      {"DeclaredElementsRunIntoNextZoneLine",
       kVars + "ZONE N=4, E=2, ET=TETRAHEDRON\n0 0 0 1\n1 0 0 2\n0 1 0 3\n0 0 1 4\n1 2 3 4\n" + tetZone(1),
       kDefaultArgs, "", kStart + "\nERROR IN ZONE 0, ELEMENT 2: \"ZONE\" IS NOT A NODE NUMBER\n", 1, {}},
      {"QuadrilateralListCutByEndOfFile",
       "VARIABLES = \"X\", \"Y\"\nZONE N=3, E=1, ET=QUADRILATERAL\n0 0\n1 0\n0 1\n1 2 3\n", kDefaultArgs, "",
       kStart + "\nERROR IN ZONE 0: THE FILE ENDS AFTER 0 OF 1 ELEMENT LINES\n", 1, {}},
      {"BrickListCutByEndOfFile", "VARIABLES = \"X\"\nZONE N=1, E=1, ET=BRICK\n0\n1\n", kDefaultArgs, "",
       kStart + "\nERROR IN ZONE 0: THE FILE ENDS AFTER 0 OF 1 ELEMENT LINES\n", 1, {}},
      {"NodeLinesAfterZeroNodeCount", kVars + tetZone(0) + "ZONE N=0, E=0\n0 0 0 1\n", kDefaultArgs, "",
       kStart + "0 \nERROR IN ZONE 1: NODE LINES FOLLOW A ZONE LINE WITHOUT A POSITIVE NODE COUNT (N=0)\n", 1,
       {{"out0.vtk", tetVtk(0)}}},
      // An ordered zone that gives no count: one point per data line.
      {"OrderedZoneWithoutCountsTakesItsDataLines",
       kVars + "ZONE T=\"no counts\"\n0 0 0 1\n0 0 0 2\n" + tetZone(3), kDefaultArgs, "", kStart + "0 1 " + kFinish,
       0, {{"out0.vtk", kVtkHead + "POINTS 2 float\n0 0 0\n0 0 0\n\nCELLS 2 4\n1 0\n1 1\n\nCELL_TYPES 2\n1\n1\n\n"
                                         "POINT_DATA 2\nSCALARS C float 1\nLOOKUP_TABLE default\n1\n2\n"}, {"out1.vtk", tetVtk(3)}}},
      {"OrderedZoneWithoutCountsNotOnePointPerLineRefused", kVars + "ZONE T=\"no counts\"\n0 0 0 1\n0 0 0 2 0 0 0 3\n",
       kDefaultArgs, "",
       kStart + "\nERROR IN ZONE 0: THE ZONE GIVES NO NODE COUNT (I=), AND ITS DATA IS NOT ONE POINT OF 4 VALUES PER LINE: "
                "LINE 2 OF IT HOLDS \"0 0 0 2 0 0 0 3\"\n",
       1, {}},
      {"NegativeElementCount", kVars + "ZONE N=4, E=-1, ET=TETRAHEDRON\n0 0 0 1\n", kDefaultArgs, "",
       kStart + "\nERROR IN ZONE 0: NEGATIVE ELEMENT COUNT E=-1\n", 1, {}},
      {"NodeCountOutOfRange", kVars + "ZONE N=99999999999, E=1, ET=TETRAHEDRON\n0 0 0 1\n", kDefaultArgs, "",
       kStart + "\nERROR IN ZONE 0: N= VALUE OUT OF RANGE\n", 1, {}},
      // A node line larger than the memory limit allows (fed through a FIFO,
      // so the scratch folder holds no large file).
      {"OutOfMemoryIsAnErrorNotAnAbort", "", {"in.fifo", "out.vtk"}, "", kStart + "\nERROR: OUT OF MEMORY.\n", 1, {},
       {}, {},
       "mkfifo in.fifo; { printf 'ZONE N=1\\n'; head -c 48000000 /dev/zero | tr '\\0' 7; } > in.fifo &"
       " ulimit -v 40000;"},
      {"InputPathTooLong", kVars + tetZone(0), {longName, "out.vtk"}, "",
       "ERROR: INPUT FILE PATH IS LONGER THAN 255 CHARACTERS.\n", 1, {}},
      {"OutputNameTooLong", kVars + tetZone(0), {"in.dat", longName}, "",
       "ERROR: OUTPUT NAME IS LONGER THAN 255 CHARACTERS.\n", 1, {}},
      // Names too long for the folder, and names the series file cannot
      // list, are found before the first zone.
      {"OutputNameTooLongForItsFolder", kVars + tetZone(0), {"in.dat", std::string(251, 'n') + ".vtk"}, "",
       "ERROR: OUTPUT NAME TOO LONG: " + std::string(251, 'n') + "0.vtk HAS 256 BYTES, FOLDER . TAKES AT MOST 255.\n", 1,
       {}},
      {"SeriesNameTooLongForItsFolder", kVars + tetZone(0), {"--series", "in.dat", std::string(246, 's')}, "",
       "ERROR: OUTPUT NAME TOO LONG: " + std::string(246, 's') + ".vtk.series HAS 257 BYTES, FOLDER . TAKES AT MOST 255.\n",
       1, {}},
      {"SeriesOfNamesThatAreNotUtf8Refused", kVars + tetZone(0), {"--series", "in.dat", "r\xe9sultat.vtk"}, "",
       "ERROR: THE SERIES FILE (JSON, IN UTF-8) CANNOT NAME ZONE FILES WHOSE NAMES ARE NOT UTF-8: r\xe9sultat0.vtk\n", 1,
       {}},
      {"InputPathOf255CharactersAccepted", "", {std::string(255, 'b'), "out.vtk"}, "",
       "ERROR: File not found." + std::string(255, 'b') + "\n", 1, {}},
      {"InteractiveNameTooLong", kVars + tetZone(0), {}, longName + " out.vtk 0\n",
       kBanner + "\nERROR: INPUT FILE PATH IS LONGER THAN 255 CHARACTERS.\n", 1, {}},
      {"InteractiveOutputNameTooLong", kVars + tetZone(0), {}, "in.dat " + longName + " 0\n",
       kBanner + kPromptOutput + "\nERROR: OUTPUT NAME IS LONGER THAN 255 CHARACTERS.\n", 1, {}},

      // Options: the series file, XML files, paths after "--".
      {"SeriesListsEveryZoneFileWithItsTime",
       kVars + tetZone(0) + retitled(tetZone(1), "T=\"t = 2.5E-1 d\"") + retitled(tetZone(2), "SOLUTIONTIME=1.0D+03") +
           retitled(tetZone(3), "T=\"Step 9\""),
       {"--series", "in.dat", "out.vtk", "1"}, "", kStart + "0 1 2 3 " + kFinish, 0,
       {{"out1.vtk", tetVtk(1)}, {"out2.vtk", tetVtk(2)}, {"out3.vtk", tetVtk(3)},
        {"out.vtk.series", seriesJson({{"out1.vtk", "0.25"}, {"out2.vtk", "1000"}, {"out3.vtk", "3"}})}}},
      {"SeriesOfAFailedRunListsTheZonesWritten", kTwoZones + "ZONE N=4, E=1, ET=TETRAHEDRON\n0 0 0 1\n",
       {"--series", "in.dat", "run.v2/out"}, "",
       kStart + "0 1 \nERROR IN ZONE 2: THE FILE ENDS AFTER 1 OF 4 NODE LINES\n", 1,
       {{"run.v2/out0.vtk", tetVtk(0)}, {"run.v2/out1.vtk", tetVtk(1)},
        {"run.v2/out.vtk.series", seriesJson({{"out0.vtk", "0"}, {"out1.vtk", "1"}})}},
       {}, {"run.v2"}},
      {"SeriesWarnsOfZonesSharingATime", kVars + tetZone(4) + retitled(tetZone(5), "T=\"4 d\""), {"--series", "in.dat", "out"},
       "",
       kStart + "0 1 \nWARNING: 1 ZONE FILE(S) IN out.vtk.series SHARE THEIR TIME WITH AN EARLIER ONE (ZONE 1 HAS THE "
                "TIME 4 OF ZONE 0); PARAVIEW SHOWS ONE FILE PER TIME\nFINISH.\n",
       0, {{"out0.vtk", tetVtk(4)}, {"out1.vtk", tetVtk(5)}, {"out.vtk.series", seriesJson({{"out0.vtk", "4"}, {"out1.vtk", "4"}})}}},
      {"SeriesFileNameIsAFolder", kVars + tetZone(0), {"--series", "in.dat", "out.vtk"}, "",
       kStart + "0 \nERROR: CANNOT WRITE THE SERIES FILE out.vtk.series: Is a directory\n", 255,
       {{"out0.vtk", tetVtk(0)}}, {}, {"out.vtk.series"}},
      {"SeriesFileNamedLikeTheInputRefused", "", {"--series", "out.vtk.series", "out.vtk"}, "",
       kStart + "0 \nERROR: SERIES FILE out.vtk.series WOULD OVERWRITE THE TECPLOT FILE BEING READ.\n", 1,
       {{"out0.vtk", tetVtk(0)}, {"out.vtk.series", kVars + tetZone(0)}}, {{"out.vtk.series", kVars + tetZone(0)}}},
      {"VtuRefusesAValueThatIsNoNumber",
       "VARIABLES = \"X\", \"Y\", \"Z\", \"V\"\nZONE I=3, F=POINT\n0 0 0 1.5\n1 0 0 2\n2 0 0 abc\n", {"--vtu", "in.dat", "out"},
       "", kStart + "0 \nERROR IN ZONE 0, NODE 3: VARIABLE V HOLDS \"abc\", WHICH IS NO NUMBER\n", 1, {}},
      {"DoubleDashEndsTheOptions", "", {"--", "-in.dat", "-4"}, "", kStart + "0 " + kFinish, 0,
       {{"-in.dat", kVars + tetZone(3)}, {"-40.vtk", tetVtk(3)}}, {{"-in.dat", kVars + tetZone(3)}}},

      // Picking zones: the others are read past (their numbers printed), a
      // list with a last zone ends the reading there; both the list and the
      // starting zone apply.
      {"ZonesPickedByList", kFiveZones, {"--series", "--zones", "0,3:", "in.dat", "out.vtk"}, "",
       kStart + "0 1 2 3 4 " + kFinish, 0,
       {{"out0.vtk", tetVtk(0)}, {"out3.vtk", tetVtk(3)}, {"out4.vtk", tetVtk(4)},
        {"out.vtk.series", seriesJson({{"out0.vtk", "0"}, {"out3.vtk", "3"}, {"out4.vtk", "4"}})}}},
      {"ZonesEveryOtherFromTheStartingZone", kFiveZones, {"--zones=0::2", "in.dat", "out.vtk", "1"}, "",
       kStart + "0 1 2 3 4 " + kFinish, 0, {{"out2.vtk", tetVtk(2)}, {"out4.vtk", tetVtk(4)}}},
      {"ZonesListEndsTheReadingAfterItsLastZone", kFiveZones + "ZONE N=4, E=1, ET=TETRAHEDRON\n0 0 0 1\n",
       {"--zones", "1:4:2", "in.dat", "out.vtk"}, "", kStart + "0 1 2 3 " + kFinish, 0,
       {{"out1.vtk", tetVtk(1)}, {"out3.vtk", tetVtk(3)}}},
      {"ZonesBeyondTheFileAreTold", kThreeZones, {"--zones", "1,7", "in.dat", "out.vtk"}, "",
       kStart + "0 1 2 \nWARNING: THE FILE ENDS AFTER ZONE 2; --zones NAMES ZONES UP TO 7\nFINISH.\n", 0,
       {{"out1.vtk", tetVtk(1)}}},
      // Zone 2 takes its data from zone 1, which takes its own from zone 0:
      // neither is converted, both are read again.
      {"ZoneSharingDataWithZonesReadPast",
       kVars + tetZone(0) + "ZONE N=4, E=1, ET=TETRAHEDRON, VARSHARELIST=([1-3]=1), CONNECTIVITYSHAREZONE=1\n"
               "1.1\n1.2\n1.3\n1.4\nZONE N=4, E=1, ZONETYPE=FETETRAHEDRON, DATAPACKING=BLOCK\n"
               "VARSHARELIST=([1,2],[3]) CONNECTIVITYSHAREZONE=2\n2.1 2.2 2.3 2.4\n",
       {"--zones", "2", "in.dat", "out.vtk"}, "", kStart + "0 1 2 " + kFinish, 0, {{"out2.vtk", tetVtk(2)}}},
      // Picking variables: the scalar fields named, exactly as the file
      // names them; the points and the velocity vector always.
      {"VariablesPickScalarFields",
       "VARIABLES = \"x\", \"y\", \"z\", \"VX\", \"VY\", \"Na, total\", \"pH\", \"ph\"\nZONE I=1\n1 2 3 4 5 6 7 8\n",
       {"--variables", "ph,\"Na, total\"", "in.dat", "out.vtk"}, "", kStart + "0 " + kFinish, 0,
       {{"out0.vtk", kVtkHead + "POINTS 1 float\n1 2 3\n\nCELLS 1 2\n1 0\n\nCELL_TYPES 1\n1\n\nPOINT_DATA 1\n"
                                "SCALARS Na,%20total float 1\nLOOKUP_TABLE default\n6\n"
                                "SCALARS ph float 1\nLOOKUP_TABLE default\n8\n"
                                "VECTORS velocity float\n4 5 0.0 \n"}}},
      {"VariablesUnknownNameRefusedWithTheFilesNames", kThreeZones, {"--variables", "C,c", "in.dat", "out.vtk", "1"},
       "",
       kStart + "0 1 \nERROR IN ZONE 1: --variables NAMES \"c\", WHICH IS NO VARIABLE OF THE FILE; ITS VARIABLES ARE "
                "\"X\", \"Y\", \"Z\", \"C\"\n",
       1, {}},
      // The inventory: no file written, the zones of the list.
      {"ListShowsEveryZoneAndTheVariables",
       "VARIABLES = \"X\", \"Y\", \"Z\", \"C\"\n" + retitled(tetZone(0), "T=\"t = 2.5E-1 d\"") + kEmptyZone +
           "ZONE T=\"grid\", I=3, J=2, SOLUTIONTIME=1.0D+03\n0 0 0 1\n1 0 0 1\n2 0 0 1\n0 1 0 1\n1 1 0 1\n2 1 0 1\n" +
           "VARIABLES = \"X\", \"D\"\nZONE I=2\n0 1\n1 2\n",
       {"--list", "in.dat"}, "",
       "VARIABLES: \"X\", \"Y\", \"Z\", \"C\"\n"
       "ZONE 0: TITLE \"t = 2.5E-1 d\", TIME 0.25, FETETRAHEDRON, 4 NODES, 1 ELEMENTS\n"
       "ZONE 2: TITLE \"grid\", TIME 1000, ORDERED, 6 NODES, 2 ELEMENTS\n"
       "VARIABLES FROM ZONE 3: \"X\", \"D\"\n"
       "ZONE 3: TITLE \"\", TIME 3, ORDERED, 2 NODES, 0 ELEMENTS\n",
       0, {}},
      {"ListOfTheZonesPicked", kFiveZones, {"--list", "--zones", "1,3:", "in.dat"}, "",
       "VARIABLES: \"X\", \"Y\", \"Z\", \"C\"\n"
       "ZONE 1: TITLE \"TIME 1\", TIME 1, FETETRAHEDRON, 4 NODES, 1 ELEMENTS\n"
       "ZONE 3: TITLE \"TIME 3\", TIME 3, FETETRAHEDRON, 4 NODES, 1 ELEMENTS\n"
       "ZONE 4: TITLE \"TIME 4\", TIME 4, FETETRAHEDRON, 4 NODES, 1 ELEMENTS\n",
       0, {}},
      {"ListAsJson", kTwoZones, {"--list", "--json", "--zones", "1", "in.dat"}, "",
       "{\n  \"file\": \"in.dat\",\n  \"variables\": [\"X\", \"Y\", \"Z\", \"C\"],\n  \"zones\": [\n"
       "    {\"zone\": 1, \"title\": \"TIME 1\", \"time\": 1, \"type\": \"FETETRAHEDRON\", \"nodes\": 4, \"elements\": 1}\n"
       "  ]\n}\n",
       0, {}},
      {"ListEndsAtAFaultOfTheFile", kTwoZones + "ZONE N=4, E=1, ET=TETRAHEDRON\n0 0 0 1\n", {"--list", "in.dat"}, "",
       "VARIABLES: \"X\", \"Y\", \"Z\", \"C\"\n"
       "ZONE 0: TITLE \"TIME 0\", TIME 0, FETETRAHEDRON, 4 NODES, 1 ELEMENTS\n"
       "ZONE 1: TITLE \"TIME 1\", TIME 1, FETETRAHEDRON, 4 NODES, 1 ELEMENTS\n"
       "ERROR IN ZONE 2: THE FILE ENDS AFTER 1 OF 4 NODE LINES\n",
       1, {}},
  });
}

// Zones read apart on threads: zones of one count but of other sizes,
// with a comment, a blank line, a TEXT record and line ends of
// carriage returns between them; where a zone's data does not end
// where the thread found its end, the message is that of one thread.
// Their texts take megabytes, and every test process (one per test under
// CTest) builds the case table: the table holds them without their texts
// (`texts` false), and each one's test makes it whole.
std::vector<EndToEndCase> readApartCases(bool texts) {
  const std::string kTwoVariables = "VARIABLES = \"X\", \"C\"\n";
  const auto zone = [texts](const std::string &value) { return texts ? readApartZone(value) : std::string(); };
  const auto vtk = [texts](const std::string &value) { return texts ? readApartVtk(value) : std::string(); };
  std::vector<EndToEndCase> cases = movedFrom({
      {"ZonesReadApartOfOtherSizes",
       kTwoVariables + zone("1.000000000000001") + "# a comment\n\n" + zone("2") +
           "TEXT X=10, Y=10, T=\"note\"\n" + withReturns(zone("3.5")),
       kDefaultArgs, "", kStart + "0 1 2 " + kFinish, 0,
       {{"out0.vtk", vtk("1.000000000000001")},
        {"out1.vtk", vtk("2")},
        {"out2.vtk", vtk("3.5")}}},
      {"DataBeyondAZoneReadApart", kTwoVariables + zone("1.5") + "7 7\n" + zone("2.5"),
       kDefaultArgs, "", kStart + "\nERROR IN ZONE 0: DATA BEYOND ITS 16384 NODES AND 0 ELEMENTS: \"7\"\n", 1, {}},
      {"ZoneReadApartCutShortByTheNextZone",
       kTwoVariables + withoutLastLines(zone("1.5"), 384) + zone("2.5"), kDefaultArgs,
       "", kStart + "\nERROR IN ZONE 0: \"ZONE\" AFTER 32000 OF 32768 VALUES IS NOT A VALUE OF THE ZONE\n", 1, {}},
      {"ZoneReadApartEndsWithoutALineEnd",
       kTwoVariables + zone("1.5") + withoutLastLines(zone("2.5"), 1) + "16383 2.5",
       kDefaultArgs, "",
       kStart + "0 1 \nWARNING IN ZONE 1: THE FILE ENDS WITHOUT A LINE END RIGHT AFTER ITS LAST NUMBER \"2.5\"; A FILE "
                "STILL BEING WRITTEN MAY HAVE ITS LAST VALUE CUT (--follow WAITS FOR THE REST)\nFINISH.\n",
       0, {{"out0.vtk", vtk("1.5")}, {"out1.vtk", vtk("2.5")}}},
  });
  for (EndToEndCase &c : cases)
    c.madeByItsTest = !texts;
  return cases;
}

// The table of cases, made in four parts: one function of hundreds of cases
// took the compiler minutes under the sanitizers.
std::vector<EndToEndCase> cases() {
  std::vector<EndToEndCase> all;
  for (auto part : {driverAndReaderCases, zoneAndValueCases, threadAndFileCases, optionCases})
    for (EndToEndCase &c : part())
      all.push_back(std::move(c));
  for (EndToEndCase &c : readApartCases(false))
    all.push_back(std::move(c));
  return all;
}

// Every case runs on one thread and with four and 64 worker threads: the
// files, the console and the status must be the same, byte for byte. Its
// input runs compressed too, as gzip and as zstd (in two streams, split in
// the middle of the text), on one thread and on four: same files, console
// and status again. A run names its case in the table, built once: a
// thousand copies of the table's texts would cost each test process (one per
// test under CTest) most of a second under AddressSanitizer.
using EndToEndRun = std::tuple<const EndToEndCase *, int, Encoding>;

const std::vector<EndToEndCase> &caseTable() {
  static const std::vector<EndToEndCase> table = cases();
  return table;
}

void PrintTo(const EndToEndCase *c, std::ostream *out) { *out << c->name; }

// The case of the table whole, with the texts its test makes.
const EndToEndCase &wholeCase(const EndToEndCase &c) {
  if (!c.madeByItsTest)
    return c;
  static const std::vector<EndToEndCase> whole = readApartCases(true);
  const auto found = std::find_if(whole.begin(), whole.end(), [&](const EndToEndCase &w) { return w.name == c.name; });
  if (found == whole.end())
    throw std::logic_error("no case " + c.name);
  return *found;
}

class ZonvertEndToEnd : public ::testing::TestWithParam<EndToEndRun> {};

// Where the case reads in.dat, which then holds its input.
bool readsInDat(const EndToEndCase &c) {
  return !c.input.empty() || c.arguments.empty() || c.arguments[0] == "in.dat";
}

std::vector<EndToEndRun> endToEndRuns() {
  std::vector<EndToEndRun> runs;
  for (const EndToEndCase &c : caseTable()) {
    for (int threads : {1, 4, 64})
      runs.emplace_back(&c, threads, Encoding::Plain);
    if (readsInDat(c))
      for (Encoding encoding : {Encoding::Gzip, Encoding::Zstd})
        for (int threads : {1, 4})
          runs.emplace_back(&c, threads, encoding);
  }
  return runs;
}

TEST_P(ZonvertEndToEnd, OutputStatusAndFilesAreExact) {
  const auto &[run, threads, encoding] = GetParam();
  const EndToEndCase &c = wholeCase(*run);
#if defined(__SANITIZE_ADDRESS__)
  // AddressSanitizer reserves terabytes of address space at start.
  if (c.shellSetup.find("ulimit -v") != std::string::npos)
    GTEST_SKIP() << "an address space limit stops AddressSanitizer itself";
#endif
  RunRequest request{c.arguments, c.stdinText, c.existingFiles, c.folders, c.shellSetup};
  request.arguments.insert(request.arguments.begin(), {"--threads", std::to_string(threads)});
  std::map<std::string, std::string> expectedFiles = c.expectedFiles;
  if (readsInDat(c)) {
    request.files["in.dat"] = compressed(c.input, encoding, c.input.size() / 2);
    // A link to the input, left as it was.
    for (auto &[name, content] : expectedFiles)
      if (content == c.input)
        content = request.files["in.dat"];
  }
  RunResult result = runZonvert(request);
  result.files.erase("in.dat");

  EXPECT_EQ(result.stdoutText, c.expectedStdout);
  EXPECT_EQ(result.exitStatus, c.expectedStatus);
  EXPECT_EQ(result.files, expectedFiles);
}

INSTANTIATE_TEST_SUITE_P(Cases, ZonvertEndToEnd, ::testing::ValuesIn(endToEndRuns()), [](const auto &info) {
  const Encoding encoding = std::get<2>(info.param);
  const std::string input = encoding == Encoding::Plain ? "" : std::string("_") + nameOf(encoding);
  return std::get<0>(info.param)->name + input + "_Threads" + std::to_string(std::get<1>(info.param));
});

// The command line: help, version, and what is refused with the usage text.
TEST(ZonvertCommandLine, HelpVersionAndRefusals) {
  const RunResult help = runZonvert({{"--help"}, "", {}, {}, ""});
  EXPECT_EQ(help.exitStatus, 0);
  EXPECT_TRUE(help.stdoutText.starts_with("USAGE: zonvert [OPTIONS] <TECPLOT FILE PATH> <VTK FILE PATH>"));
  for (const char *part : {"--vtu", "--compress zlib|lz4|none", "--series", "--threads N", "--follow", "--idle SECONDS", "--zones LIST",
                           "--variables LIST", "--list", "--json", "--quiet", "--version", "EXIT STATUS", "255", "gzip",
                           "zstd", "MEMORY"})
    EXPECT_NE(help.stdoutText.find(part), std::string::npos) << part;
  const RunResult version = runZonvert({{"--version"}, "", {}, {}, ""});
  EXPECT_EQ(version.exitStatus, 0);
  EXPECT_TRUE(isFramedDigitGroups(version.stdoutText, "zonvert ", 3, "\n")) << version.stdoutText;

  const std::vector<std::pair<std::vector<std::string>, std::string>> refused = {
      {{"--frobnicate", "in.dat", "out.vtk"}, "ERROR: UNKNOWN OPTION --frobnicate"},
      {{"--vtu=yes", "in.dat", "out.vtk"}, "ERROR: UNKNOWN OPTION --vtu=yes"},
      {{"-x", "in.dat", "out.vtk"}, "ERROR: UNKNOWN OPTION -x"},
      {{"--threads", "0", "in.dat", "out.vtk"}, "ERROR: BAD NUMBER OF THREADS: 0 (1 TO 64)"},
      {{"--threads=65", "in.dat", "out.vtk"}, "ERROR: BAD NUMBER OF THREADS: 65 (1 TO 64)"},
      {{"--threads", "two", "in.dat", "out.vtk"}, "ERROR: OPTION --threads NEEDS A NUMBER OF THREADS (1 TO 64), NOT two"},
      {{"--threads", "in.dat", "out.vtk"}, "ERROR: OPTION --threads NEEDS A NUMBER OF THREADS (1 TO 64), NOT in.dat"},
      {{"--threads"}, "ERROR: OPTION --threads NEEDS A NUMBER OF THREADS."},
      {{"in.dat", "out.vtk", "--vtu"}, "ERROR: OPTIONS GO BEFORE THE FILE PATHS: --vtu"},
      // An option after the input path is no output name.
      {{"in.dat", "--vtu", "out"}, "ERROR: OPTIONS GO BEFORE THE FILE PATHS: --vtu"},
      {{"in.dat", "--threads", "2"}, "ERROR: OPTIONS GO BEFORE THE FILE PATHS: --threads"},
      {{"in.dat", "--series"}, "ERROR: OPTIONS GO BEFORE THE FILE PATHS: --series"},
      // A starting zone that is no whole number.
      {{"in.dat", "out.vtk", "abc"}, "ERROR: THE STARTING ZONE IS NO WHOLE NUMBER: abc"},
      {{"in.dat", "out.vtk", "-v"}, "ERROR: THE STARTING ZONE IS NO WHOLE NUMBER: -v"},
      {{"in.dat", "out.vtk", "--"}, "ERROR: THE STARTING ZONE IS NO WHOLE NUMBER: --"},
      {{"in.dat", "out.vtk", "2x"}, "ERROR: THE STARTING ZONE IS NO WHOLE NUMBER: 2x"},
      {{"--idle", "60", "in.dat", "out.vtk"}, "ERROR: OPTION --idle GOES WITH --follow"},
      {{"--follow", "--idle", "-1", "in.dat", "out.vtk"},
       "ERROR: OPTION --idle NEEDS A WHOLE NUMBER OF SECONDS (0 FOR NO LIMIT), NOT -1"},
      {{"--follow", "--idle=1h", "in.dat", "out.vtk"},
       "ERROR: OPTION --idle NEEDS A WHOLE NUMBER OF SECONDS (0 FOR NO LIMIT), NOT 1h"},
      {{"--follow", "--idle"}, "ERROR: OPTION --idle NEEDS A NUMBER OF SECONDS."},
      {{"--follow=yes", "in.dat", "out.vtk"}, "ERROR: UNKNOWN OPTION --follow=yes"},
      {{"--compress", "lz4", "in.dat", "out.vtk"}, "ERROR: OPTION --compress GOES WITH --vtu"},
      {{"--vtu", "--compress=gzip", "in.dat", "out.vtk"}, "ERROR: OPTION --compress NEEDS zlib, lz4 OR none, NOT gzip"},
      {{"--vtu", "--compress"}, "ERROR: OPTION --compress NEEDS zlib, lz4 OR none."},
      {{"in.dat", "--compress", "none"}, "ERROR: OPTIONS GO BEFORE THE FILE PATHS: --compress"},
      // Zone and variable lists, and the inventory (the lists' own refusals
      // are tested with them).
      {{"--zones", "", "in.dat", "out.vtk"},
       "ERROR: BAD ZONE LIST FOR --zones: \"\": THE LIST IS EMPTY; GIVE ZONE NUMBERS (FROM 0) AND RANGES FIRST:END OR "
       "FIRST:END:STEP (END NOT INCLUDED), SEPARATED BY COMMAS, SUCH AS 0,5,10:20,100: OR 0::10"},
      {{"--zones=1,,2", "in.dat", "out.vtk"},
       "ERROR: BAD ZONE LIST FOR --zones: \"1,,2\": AN EMPTY ITEM; GIVE ZONE NUMBERS (FROM 0) AND RANGES FIRST:END OR "
       "FIRST:END:STEP (END NOT INCLUDED), SEPARATED BY COMMAS, SUCH AS 0,5,10:20,100: OR 0::10"},
      {{"--zones"}, "ERROR: OPTION --zones NEEDS A LIST OF ZONES."},
      {{"--variables", "C,", "in.dat", "out.vtk"},
       "ERROR: BAD VARIABLE LIST FOR --variables: \"C,\": AN EMPTY NAME; GIVE NAMES SEPARATED BY COMMAS, A NAME THAT "
       "HOLDS A COMMA IN DOUBLE QUOTES"},
      {{"--variables"}, "ERROR: OPTION --variables NEEDS A LIST OF VARIABLE NAMES."},
      {{"--json", "in.dat", "out.vtk"}, "ERROR: OPTION --json GOES WITH --list"},
      {{"--list", "in.dat", "out.vtk"}, "ERROR: OPTION --list TAKES ONE PATH, THE TECPLOT FILE'S"},
      {{"--list"}, "ERROR: OPTION --list TAKES ONE PATH, THE TECPLOT FILE'S"},
      {{"--list", "in.dat", "--json"}, "ERROR: OPTIONS GO BEFORE THE FILE PATHS: --json"},
      {{"--list", "--follow", "in.dat"}, "ERROR: OPTION --list LISTS A FILE AS IT IS, NOT WITH --follow"},
      {{"--list", "--variables", "C", "in.dat"}, "ERROR: OPTION --list WRITES NO FIELDS: --variables DOES NOT GO WITH IT"},
      {{"in.dat", "--zones", "1"}, "ERROR: OPTIONS GO BEFORE THE FILE PATHS: --zones"},
  };
  // On one thread and on four, as the other cases run.
  for (const char *threads : {"1", "4"})
    for (const auto &[arguments, message] : refused) {
      std::vector<std::string> withThreads = {"--threads", threads};
      withThreads.insert(withThreads.end(), arguments.begin(), arguments.end());
      const RunResult run = runZonvert({withThreads, "", {{"in.dat", kVars + tetZone(0)}}, {}, ""});
      EXPECT_EQ(run.exitStatus, 1) << message;
      EXPECT_EQ(run.stdoutText, message + "\n\n" + help.stdoutText);
      EXPECT_EQ(run.files.size(), 1u) << message; // in.dat alone
    }
}

// A compressed stream cut short or corrupt is an error naming the zone being
// read and how much text came out of the stream, never a success: the zones
// before stay. Zones 0 and 1 are in one stream, zone 2 in a second.
TEST(ZonvertCompressedInput, CutOrCorruptStreamsAreErrorsNamingTheZone) {
  const std::string first = kVars + tetZone(0) + tetZone(1);
  const std::string second = tetZone(2);
  struct Broken {
    std::string name;
    Encoding encoding;
    std::string (*bytes)(const std::string &firstStream, const std::string &secondStream);
    std::string console; // after "READING ZONE: "
  };
  const std::vector<Broken> broken = {
      {"gzip member cut in its header", Encoding::Gzip, [](const auto &a, const auto &b) { return a + b.substr(0, 10); },
       "0 \nERROR IN ZONE 1: THE GZIP STREAM OF THE TECPLOT FILE IS CUT SHORT AFTER 281 BYTES OF TEXT\n"},
      {"gzip member cut in its trailer", Encoding::Gzip,
       [](const auto &a, const auto &b) { return a + b.substr(0, b.size() - 1); },
       "0 1 \nERROR IN ZONE 2: THE GZIP STREAM OF THE TECPLOT FILE IS CUT SHORT AFTER 406 BYTES OF TEXT\n"},
      {"gzip member whose check sum is wrong", Encoding::Gzip,
       [](const auto &a, const auto &b) {
         std::string bytes = a + b;
         bytes[bytes.size() - 8] ^= 1;
         return bytes;
       },
       "0 1 \nERROR IN ZONE 2: THE GZIP STREAM OF THE TECPLOT FILE IS CORRUPT AFTER 406 BYTES OF TEXT (incorrect "
       "data check)\n"},
      {"bytes after the last gzip member", Encoding::Gzip, [](const auto &a, const auto &b) { return a + b + "xyz"; },
       "0 1 \nERROR IN ZONE 2: THE GZIP STREAM OF THE TECPLOT FILE IS CORRUPT AFTER 406 BYTES OF TEXT (incorrect "
       "header check)\n"},
      {"zstd frame cut in its header", Encoding::Zstd, [](const auto &a, const auto &b) { return a + b.substr(0, 3); },
       "0 \nERROR IN ZONE 1: THE ZSTD STREAM OF THE TECPLOT FILE IS CUT SHORT AFTER 281 BYTES OF TEXT\n"},
      {"zstd frame of a wrong magic number", Encoding::Zstd,
       [](const auto &a, const auto &b) { return a + "\x28\xb5\x2f\xfe" + b.substr(4); },
       "0 \nERROR IN ZONE 1: THE ZSTD STREAM OF THE TECPLOT FILE IS CORRUPT AFTER 281 BYTES OF TEXT (Unknown frame "
       "descriptor)\n"},
  };
  ASSERT_EQ(first.size(), 281u);
  for (const Broken &b : broken)
    for (const char *threads : {"1", "4"}) {
      const std::string input =
          b.bytes(compressedStream(first, b.encoding), compressedStream(second, b.encoding));
      RunResult run = runZonvert({{"--threads", threads, "in.dat", "out.vtk"}, "", {{"in.dat", input}}, {}, ""});
      run.files.erase("in.dat");
      EXPECT_EQ(run.exitStatus, 1) << b.name;
      EXPECT_EQ(run.stdoutText, kStart + b.console) << b.name;
      std::map<std::string, std::string> expected = {{"out0.vtk", tetVtk(0)}};
      if (b.console.starts_with("0 1 "))
        expected["out1.vtk"] = tetVtk(1);
      EXPECT_EQ(run.files, expected) << b.name;
    }
}

// Appends `values` values to `compact`, plain (some in a Fortran form) and,
// with `runs`, in repeat counts of 2 to 40 and of thousands (nine NaN from
// `nanAt`), and each value on its own line to `written`.
void addValues(std::string &compact, std::string &written, std::size_t values, bool runs, std::uint64_t &state,
               std::size_t nanAt = SIZE_MAX) {
  auto below = [&state](std::uint64_t bound) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::size_t>((state >> 33) % bound);
  };
  const char *const forms[] = {"0.25", "1.5D2", "-3.0e-5", "2.5-3", "7"};
  for (std::size_t value = 0, onLine = 0; value < values; ++onLine) {
    std::string token = below(2) == 0 ? forms[below(5)] : std::to_string(below(1000)) + ".5";
    std::size_t count = value == nanAt ? 9 : runs && below(4) == 0 ? 2 + below(below(20) == 0 ? 9000 : 39) : 1;
    token = value == nanAt ? "nan" : token;
    count = std::min({count, values - value, value < nanAt ? nanAt - value : count});
    compact += (count > 1 ? std::to_string(count) + "*" + token : token) + (onLine % 10 == 9 ? "\n" : " ");
    for (value += count; count > 0; --count)
      written += token + "\n";
  }
  compact += "\n";
}

// Repeat counts among plain values, over variables (block layout) or nodes
// (point layout), shared by later zones in both layouts: the bytes and
// console of the file with them written out, legacy and XML, 1 to 64 threads.
TEST(ZonvertRepeatCounts, WriteWhatTheirValuesWrite) {
  std::uint64_t state = 7;
  std::string input = "VARIABLES = \"X\", \"Y\", \"C\", \"D\"\n";
  std::string expanded = input;
  const std::vector<std::tuple<std::string, std::size_t, bool>> zones = {
      {"ZONE T=\"blocks\", I=20000, DATAPACKING=BLOCK\n", 80000, true},
      {"ZONE T=\"shares blocks\", I=20000, DATAPACKING=BLOCK, VARSHARELIST=([1,2,4]=1)\n", 20000, true},
      {"ZONE T=\"points\", I=5000, DATAPACKING=POINT\n", 20000, true},
      {"ZONE T=\"shares points\", I=5000, DATAPACKING=POINT, VARSHARELIST=([1-3]=3)\n", 5000, false},
      {"ZONE T=\"shares all\", I=5000, DATAPACKING=BLOCK, VARSHARELIST=([1-4]=3)\n", 0, false}};
  for (const auto &[header, values, runs] : zones) {
    input += header;
    expanded += header;
    addValues(input, expanded, values, runs, state, values == 80000 ? 75000 : SIZE_MAX);
  }
  ASSERT_GT(expanded.size(), 2 * input.size());
  for (const char *format : {"", "--vtu"})
    for (const char *threads : {"1", "4", "64"}) {
      std::vector<std::string> arguments = {"--threads", threads, "in.dat", "out"};
      if (*format != '\0')
        arguments.insert(arguments.begin(), format);
      RunResult runs = runZonvert({arguments, "", {{"in.dat", input}}, {}, ""});
      RunResult values = runZonvert({arguments, "", {{"in.dat", expanded}}, {}, ""});
      runs.files["in.dat"] = values.files["in.dat"] = "";
      const std::string label = std::string(format) + " --threads " + threads;
      EXPECT_EQ(values.exitStatus, 0) << label << values.stdoutText;
      EXPECT_EQ(values.stdoutText.find("ZONE 1, NODE 15001: VARIABLE D HOLDS nan") != std::string::npos,
                *format == '\0')
          << label;
      EXPECT_EQ(values.files.size(), 6u) << label;
      EXPECT_EQ(runs.stdoutText, values.stdoutText) << label;
      EXPECT_EQ(runs.exitStatus, values.exitStatus) << label;
      EXPECT_TRUE(runs.files == values.files) << label;
    }
}

// Whenever a run ends with status 0, every zone from the starting zone on
// that holds nodes has its file, holding the nodes and cells its header
// announces as VTK's own readers count them (zone_invariant.py): over every
// input of the table above and of the fuzz corpus, as legacy files on one
// thread and as XML files on four, from zone 0 and from zone 1.
TEST(ZonvertInvariant, EverySuccessfulRunWritesEveryZoneItAnnounces) {
  std::vector<std::string> inputs;
  for (const EndToEndCase &c : caseTable())
    if (!wholeCase(c).input.empty())
      inputs.push_back(wholeCase(c).input);
  for (const auto &entry : std::filesystem::directory_iterator(ZONVERT_FUZZ_CORPUS))
    inputs.push_back(readFile(entry.path().string()));
  const std::filesystem::path kept = std::filesystem::temp_directory_path() / ("zonvert-invariant-" +
                                                                               std::to_string(getpid()));
  int runs = 0;
  for (const std::string &input : inputs)
    for (const std::vector<std::string> &options : {std::vector<std::string>{"--threads", "1"},
                                                    std::vector<std::string>{"--threads", "4", "--vtu"}})
      for (const char *startZone : {"0", "1"}) {
        std::vector<std::string> arguments = options;
        arguments.insert(arguments.end(), {"in.dat", "out", startZone});
        RunResult run = runZonvert({arguments, "", {{"in.dat", input}}, {}, ""});
        if (run.exitStatus != 0)
          continue;
        const std::filesystem::path folder = kept / std::to_string(runs++);
        std::filesystem::create_directories(folder);
        run.files["start"] = startZone;
        for (const auto &[name, content] : run.files)
          writeFile((folder / name).string(), content);
      }
  EXPECT_EQ(std::system(("/usr/bin/python3 " ZONVERT_ZONE_INVARIANT " " + kept.string()).c_str()), 0);
  std::filesystem::remove_all(kept);
}

// Zone k of the crash-safety input: (k + 1) x 15000 nodes, about 0.4 MB each.
std::string growingNodesZone(int k) {
  const int nodes = (k + 1) * 15000;
  std::string zone = "ZONE T=\"TIME " + std::to_string(k) + "\", I=" + std::to_string(nodes) + "\n";
  for (int i = 0; i < nodes; ++i)
    zone += std::to_string(i) + " 0.5 -1.25 " + std::to_string(k) + ".000001\n";
  return zone;
}

// A conversion killed at any moment, or stopped by a file size limit, leaves
// under each zone file name either the file of a clean run or the file that
// was there before; never a cut one. Whenever the signal lands, this holds.
class ZonvertCrashSafety : public ::testing::TestWithParam<int> {};

TEST_P(ZonvertCrashSafety, KilledOrLimitedRunsLeaveOnlyWholeZoneFiles) {
  // Several zones may be in flight on several threads: each one's temporary
  // must go too.
  const std::vector<std::string> arguments = {"--threads", std::to_string(GetParam()), "in.dat", "out.vtk"};
  constexpr int kZones = 6;
  std::string input = kVars;
  std::map<std::string, std::string> oldFiles;
  for (int k = 0; k < kZones; ++k) {
    input += growingNodesZone(k);
    oldFiles["out" + std::to_string(k) + ".vtk"] = "old zone " + std::to_string(k) + "\n";
  }
  RunResult clean = runZonvert({arguments, "", {{"in.dat", input}}, {}, ""});
  ASSERT_EQ(clean.exitStatus, 0);
  clean.files.erase("in.dat");
  ASSERT_EQ(clean.files.size(), static_cast<std::size_t>(kZones));

  auto expectWholeFiles = [&](const RunResult &run, bool temporariesAllowed, const std::string &label) {
    for (const auto &[name, content] : run.files) {
      if (name == "in.dat")
        continue;
      if (!isFramedDigitGroups(name, "out", 1, ".vtk")) {
        EXPECT_TRUE(temporariesAllowed && name.ends_with(".tmp")) << label << ": left " << name;
        continue;
      }
      const bool asClean = clean.files.contains(name) && content == clean.files.at(name);
      const bool asBefore = oldFiles.contains(name) && content == oldFiles.at(name);
      EXPECT_TRUE(asClean || asBefore) << label << ": " << name << " is cut or foreign (" << content.size()
                                       << " bytes)";
    }
  };

  // Moments: right at the start, then as each zone's number is printed
  // (that zone is about to be written). Besides SIGKILL and SIGTERM, at each
  // moment another signal that ends a process: Ctrl-C, a closed terminal, a
  // CPU time limit, a timer, a user or real-time signal of a batch system.
  const std::vector<int> others = {SIGINT, SIGHUP, SIGXCPU, SIGUSR1, SIGALRM, SIGUSR2, SIGRTMIN};
  std::string mark = "READING ZONE: ";
  for (int moment = 0; moment <= kZones; ++moment) {
    for (const int signalNumber : {SIGKILL, SIGTERM, others[static_cast<std::size_t>(moment) % others.size()]}) {
      RunRequest request{arguments, "", {{"in.dat", input}}, {}, ""};
      if ((moment + signalNumber) % 2 == 0)
        request.files.insert(oldFiles.begin(), oldFiles.end());
      const std::string label = "signal " + std::to_string(signalNumber) + " after \"" + mark + "\"";
      const RunResult run = runZonvertAndSignal(request, mark, signalNumber);
      EXPECT_TRUE(run.exitStatus == -signalNumber || run.exitStatus == 0) << label << ": " << run.exitStatus;
      // Only SIGKILL, which cannot be caught, may leave a temporary.
      expectWholeFiles(run, signalNumber == SIGKILL, label);
    }
    if (moment < kZones)
      mark += std::to_string(moment) + " ";
  }

  RunRequest limited{arguments, "", {{"in.dat", input}}, {}, "ulimit -f 1500;"};
  limited.files.insert(oldFiles.begin(), oldFiles.end());
  const RunResult run = runZonvert(limited);
  EXPECT_EQ(run.exitStatus, 255);
  EXPECT_NE(run.stdoutText.find(": File too large\n"), std::string::npos) << run.stdoutText;
  expectWholeFiles(run, false, "file size limit");
}

INSTANTIATE_TEST_SUITE_P(Threads, ZonvertCrashSafety, ::testing::Values(1, 4, 64));

} // namespace
} // namespace zonvert::test
