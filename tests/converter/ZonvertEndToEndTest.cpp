// Runs the real zonvert program on small Tecplot files and compares standard
// output, exit status and every file it leaves, byte for byte.
#include "ZonvertRunner.h"

#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
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

const std::string kTwoZones = "TITLE = \"two\"\n" + kVars + tetZone(0) + tetZone(1);
const std::string kThreeZones = kVars + tetZone(0) + tetZone(1) + tetZone(2);

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
};

void PrintTo(const EndToEndCase &c, std::ostream *out) { *out << c.name; }

const std::vector<std::string> kDefaultArgs = {"in.dat", "out.vtk"};

// A zone of nodes only whose VTK file is well over a kilobyte.
std::string largeNodesZone() {
  std::string zone = "VARIABLES = \"X\", \"C\"\nZONE I=200\n";
  for (int i = 0; i < 200; ++i)
    zone += std::to_string(i) + " 1.0000000000e-03\n";
  return zone;
}

std::vector<EndToEndCase> cases() {
  const std::string longName(256, 'a');
  return {
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
      {"StartZoneNotANumberIsZero", kTwoZones, {"in.dat", "out.vtk", "abc"}, "", kStart + "0 1 " + kFinish, 0,
       {{"out0.vtk", tetVtk(0)}, {"out1.vtk", tetVtk(1)}}},
      {"FourArgumentsIgnoreStartZone", kTwoZones, {"in.dat", "out.vtk", "1", "extra"}, "",
       kStart + "0 1 " + kFinish, 0, {{"out0.vtk", tetVtk(0)}, {"out1.vtk", tetVtk(1)}}},
      {"OutputNameWithoutDot", kVars + tetZone(0), {"in.dat", "out"}, "", kStart + "0 " + kFinish, 0,
       {{"out0.vtk", tetVtk(0)}}},
      {"OutputNameCutAtLastDotInFolder", kVars + tetZone(0), {"in.dat", "data.1/out"}, "", kStart + "0 " + kFinish,
       0, {{"data0.vtk", tetVtk(0)}}, {}, {"data.1"}},
      {"OutputNameDotSlash", kVars + tetZone(0), {"in.dat", "./out"}, "", kStart + "0 " + kFinish, 0,
       {{"0.vtk", tetVtk(0)}}},
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
      {"InteractiveClosedInput", kVars + tetZone(0), {}, "", kAllPrompts + "ERROR: File not found.\n", 1, {}},

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
      {"VariablesOnlyInTitleValueEmptiesNames", kVars + tetZone(0) + "TITLE = \"VARIABLES\"\n" + tetZone(1),
       kDefaultArgs, "", kStart + "0 1 " + kFinish, 0,
       {{"out0.vtk", tetVtk(0)},
        {"out1.vtk", kVtkHead + "POINTS 4 float\n0.0 0.0 0.0\n0.0 0.0 0.0\n0.0 0.0 0.0\n0.0 0.0 0.0\n\n" +
                         kTetCells + "POINT_DATA 4\n"}}},
      {"NodeNumberZeroBecomesMinusOne",
       "VARIABLES = \"X\", \"Y\", \"Z\"\nZONE N=4, E=1, ET=TETRAHEDRON\n0.0 0.0 0.0\n1.0 0.0 0.0\n0.0 1.0 0.0\n"
       "0.0 0.0 1.0\n0 1 2 3 99\n",
       kDefaultArgs, "", kStart + "0 " + kFinish, 0,
       {{"out0.vtk",
         kVtkHead + kTetPoints + "CELLS 1 5\n4  -1 0 1 2\n\nCELL_TYPES 1\n10\n\nPOINT_DATA 4\n"}}},
      {"BrickWithRepeatedFirstNodeIsWedge",
       "VARIABLES = \"X\", \"Y\", \"Z\"\nZONE N=6, E=1, ET=BRICK\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n1 0 1\n0 1 1\n"
       "1 1 2 3 4 4 5 6\n",
       kDefaultArgs, "", kStart + "0 " + kFinish, 0,
       {{"out0.vtk", kVtkHead + "POINTS 6 float\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n1 0 1\n0 1 1\n\n"
                                "CELLS 1 7\n6  0 1 2 3 4 5\n\nCELL_TYPES 1\n13\n\nPOINT_DATA 6\n"}}},
      {"QuadrilateralAsLines",
       "VARIABLES = \"X\", \"Y\"\nZONE N=3, E=2, ET=QUADRILATERAL\n0 0\n1 0\n2 0\n1 2 2 1\n2 3 3 2\n",
       kDefaultArgs, "", kStart + "0 " + kFinish, 0,
       {{"out0.vtk", kVtkHead + "POINTS 3 float\n0 0 0.0\n1 0 0.0\n2 0 0.0\n\n"
                                "CELLS 2 6\n2  0 1\n2  1 2\n\nCELL_TYPES 2\n3\n3\n\n"
                                "POINT_DATA 3\n"}}},
      {"QuadrilateralAsTriangles",
       "VARIABLES = \"X\", \"Y\"\nZONE N=3, E=1, ET=QUADRILATERAL\n0 0\n1 0\n0 1\n1 2 3 1\n", kDefaultArgs, "",
       kStart + "0 " + kFinish, 0,
       {{"out0.vtk", kVtkHead + "POINTS 3 float\n0 0 0.0\n1 0 0.0\n0 1 0.0\n\n"
                                "CELLS 1 4\n3  0 1 2\n\nCELL_TYPES 1\n5\n\nPOINT_DATA 3\n"}}},
      {"MixedQuadrilateralsTakeFirstElementKind",
       "VARIABLES = \"X\", \"Y\"\nZONE N=4, E=2, ET=QUADRILATERAL\n0 0\n1 0\n1 1\n0 1\n1 2 3 4\n1 2 2 1\n",
       kDefaultArgs, "", kStart + "0 " + kFinish, 0,
       {{"out0.vtk", kVtkHead + "POINTS 4 float\n0 0 0.0\n1 0 0.0\n1 1 0.0\n0 1 0.0\n\n"
                                "CELLS 2 10\n4  0 1 2 3\n4  0 1 1 0\n\nCELL_TYPES 2\n9\n9\n\nPOINT_DATA 4\n"}}},
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
                                "SCALARS C 1 float 1\nLOOKUP_TABLE default\n8\n"
                                "SCALARS VELOCITY_Z1 float 1\nLOOKUP_TABLE default\n9\n"
                                "VECTORS velocity float\n0.0 0.0 9 \n"}}},
      {"TabsAreNotSeparators", "VARIABLES = \"X\", \"Y\", \"Z\"\nZONE I=1\n1\t2 3 4\n", kDefaultArgs, "",
       kStart + "0 " + kFinish, 0,
       {{"out0.vtk", kVtkHead + "POINTS 1 float\n1\t2 3 4\n\nCELLS 1 2\n1 0\n\nCELL_TYPES 1\n1\n\nPOINT_DATA 1\n"}}},
      {"DuplicateCoordinateTakesLast", "VARIABLES = \"X\", \"X\", \"Y\", \"Z\"\nZONE I=1\n1 2 3 4\n", kDefaultArgs,
       "", kStart + "0 " + kFinish, 0,
       {{"out0.vtk", kVtkHead + "POINTS 1 float\n2 3 4\n\nCELLS 1 2\n1 0\n\nCELL_TYPES 1\n1\n\nPOINT_DATA 1\n"}}},
      {"BlankSeparatedZoneKeysGiveOneKey", kVars + "ZONE N=4 E=1 ET=TETRAHEDRON\n0 0 0 1\n1 0 0 2\n0 1 0 3\n0 0 1 4\n1 2 3 4\n",
       kDefaultArgs, "", kStart + "0 ERROR IN FILE\n", 1,
       {{"out0.vtk", kVtkHead + "POINTS 4 float\n0 0 0\n1 0 0\n0 1 0\n0 0 1\n\n"
                                "CELLS 4 8\n1 0\n1 1\n1 2\n1 3\n\nCELL_TYPES 4\n1\n1\n1\n1\n\n"
                                "POINT_DATA 4\nSCALARS C float 1\nLOOKUP_TABLE default\n1\n2\n3\n4\n"}}},
      {"EndOfFileInsideZoneIsNotWritten", kVars + tetZone(0) + "ZONE N=4, E=1, ET=TETRAHEDRON\n0 0 0 1\n",
       kDefaultArgs, "", kStart + "0 " + kFinish, 0, {{"out0.vtk", tetVtk(0)}}},
      {"HugeNodeCountWithFewLinesEndsAtEndOfFile", kVars + "ZONE N=2000000000, E=0\n0 0 0 1\n1 1 1 2\n",
       kDefaultArgs, "", kStart + kFinish, 0, {}},
      {"ZeroNodeCountAtEndOfFile", kVars + "ZONE N=0\n", kDefaultArgs, "", kStart + kFinish, 0, {}},

      // Format errors and refusals: message, status 1, no file for the zone at fault.
      {"LineWithoutEqualsBetweenZones", kVars + tetZone(0) + "garbage\n" + tetZone(1), kDefaultArgs, "",
       kStart + "0 ERROR IN FILE\n", 1, {{"out0.vtk", tetVtk(0)}}},
      {"LineWithoutEqualsAtTop", "garbage\n" + kVars + tetZone(0), kDefaultArgs, "", kStart + "ERROR IN FILE\n", 1,
       {}},
      {"UnsupportedElementType", kVars + "zone n=2, e=1, et=felineseg\n0 0 0 1\n1 0 0 2\n1 2\n", kDefaultArgs, "",
       kStart + "ERROR: DON'T SUPPORT THIS ELEMENT TYPE- FELINESEG\n", 1, {}},
      {"UnsupportedElementTypeBeforeStartZone",
       kVars + tetZone(0) + "ZONE N=2, E=1, ET=POLYHEDRON\n0 0 0 1\n1 0 0 2\n1 2\n", {"in.dat", "out.vtk", "5"}, "",
       kStart + "0 ERROR: DON'T SUPPORT THIS ELEMENT TYPE- POLYHEDRON\n", 1, {}},
      {"ElementsWithoutKindLeaveNoFile",
       kVars + "ZONE N=4, E=1\n0 0 0 1\n1 0 0 2\n0 1 0 3\n0 0 1 4\n1 2 3 4\n", kDefaultArgs, "",
       kStart + "0 not implemented yet... \n", 1, {}},
      {"FileNotFound", "", {"missing.dat", "out.vtk"}, "", "ERROR: File not found.missing.dat\n", 1, {}},
      {"ZoneFileCannotBeCreated", kVars + tetZone(0), {"in.dat", "nofolder/out.vtk"}, "",
       kStart + "0 \nERROR: writeVTKFile() \n", 255, {}},
      {"InputIsAFolder", "", {"folder", "out.vtk"}, "", kStart + "ERROR: CANNOT READ THE TECPLOT FILE.\n", 1, {},
       {}, {"folder"}},
      // The file size limit makes writes fail part way, as a full disk does.
      {"ZoneFileCutShortIsRemoved", kVars + tetZone(0) + largeNodesZone(), kDefaultArgs, "",
       kStart + "0 1 \nERROR: writeVTKFile() \n", 255, {{"out0.vtk", tetVtk(0)}}, {}, {}, "trap '' XFSZ; ulimit -f 1;"},
      {"ShortNodeLineRefused",
       kVars + tetZone(0) + "ZONE N=4, E=1, ET=TETRAHEDRON\n0 0 0 1\n1 0 0\n0 1 0 3\n0 0 1 4\n1 2 3 4\n",
       kDefaultArgs, "", kStart + "0 1 ERROR IN ZONE 1, NODE 2: 3 VALUES, 4 NEEDED\n", 1,
       {{"out0.vtk", tetVtk(0)}}},
      {"ShortNodeLineInSkippedZoneIsHarmless",
       kVars + "ZONE N=4, E=1, ET=TETRAHEDRON\n0 0 0 1\n1 0 0\n0 1 0 3\n0 0 1 4\n1 2 3 4\n" + tetZone(1),
       {"in.dat", "out.vtk", "1"}, "", kStart + "0 1 " + kFinish, 0, {{"out1.vtk", tetVtk(1)}}},
      {"ShortElementLineRefused",
       "VARIABLES = \"X\", \"Y\", \"Z\"\nZONE N=8, E=2, ET=BRICK\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n0 0 1\n1 0 1\n"
       "1 1 1\n0 1 1\n1 2 3 4 5 6 7 8\n1 2 3 4 5 6 7\n",
       kDefaultArgs, "", kStart + "0 ERROR IN ZONE 0, ELEMENT 2: 7 NODE NUMBERS, 8 NEEDED\n", 1, {}},
      {"ElementTokenNotANumber", kVars + "ZONE N=4, E=1, ET=TETRAHEDRON\n0 0 0 1\n1 0 0 2\n0 1 0 3\n0 0 1 4\n1 2 x 4\n",
       kDefaultArgs, "", kStart + "ERROR IN ZONE 0, ELEMENT 1: \"x\" IS NOT A NODE NUMBER\n", 1, {}},
      {"DeclaredElementsRunIntoNextZoneLine",
       kVars + "ZONE N=4, E=2, ET=TETRAHEDRON\n0 0 0 1\n1 0 0 2\n0 1 0 3\n0 0 1 4\n1 2 3 4\n" + tetZone(1),
       kDefaultArgs, "", kStart + "ERROR IN ZONE 0, ELEMENT 2: \"ZONE\" IS NOT A NODE NUMBER\n", 1, {}},
      {"FirstQuadrilateralTooShortForKind",
       "VARIABLES = \"X\", \"Y\"\nZONE N=3, E=1, ET=QUADRILATERAL\n0 0\n1 0\n0 1\n1 2 3\n", kDefaultArgs, "",
       kStart + "ERROR IN ZONE 0, ELEMENT 1: 3 NODE NUMBERS, 4 NEEDED TO TELL THE ELEMENT KIND\n", 1, {}},
      {"FirstBrickTooShortForKind", "VARIABLES = \"X\"\nZONE N=1, E=1, ET=BRICK\n0\n1\n", kDefaultArgs, "",
       kStart + "ERROR IN ZONE 0, ELEMENT 1: 1 NODE NUMBERS, 2 NEEDED TO TELL THE ELEMENT KIND\n", 1, {}},
      {"NodeLinesAfterZeroNodeCount", kVars + tetZone(0) + "ZONE N=0, E=0\n0 0 0 1\n", kDefaultArgs, "",
       kStart + "0 ERROR IN ZONE 1: NODE LINES FOLLOW A ZONE LINE WITHOUT A POSITIVE NODE COUNT (N=0)\n", 1,
       {{"out0.vtk", tetVtk(0)}}},
      {"ZoneWithUnrecognisedCountKeys",
       kVars + "ZONE NODES=4, ELEMENTS=1, ZONETYPE=FETETRAHEDRON, DATAPACKING=POINT\n0 0 0 1\n", kDefaultArgs, "",
       kStart + "ERROR IN ZONE 0: NODE LINES FOLLOW A ZONE LINE WITHOUT A POSITIVE NODE COUNT (N=0)\n", 1, {}},
      {"NegativeElementCount", kVars + "ZONE N=4, E=-1, ET=TETRAHEDRON\n0 0 0 1\n", kDefaultArgs, "",
       kStart + "ERROR IN ZONE 0: NEGATIVE ELEMENT COUNT E=-1\n", 1, {}},
      {"NodeCountOutOfRange", kVars + "ZONE N=99999999999, E=1, ET=TETRAHEDRON\n0 0 0 1\n", kDefaultArgs, "",
       kStart + "ERROR IN ZONE 0: N= VALUE OUT OF RANGE\n", 1, {}},
      {"InputPathTooLong", kVars + tetZone(0), {longName, "out.vtk"}, "",
       "ERROR: INPUT FILE PATH IS LONGER THAN 255 CHARACTERS.\n", 1, {}},
      {"OutputNameTooLong", kVars + tetZone(0), {"in.dat", longName}, "",
       "ERROR: OUTPUT NAME IS LONGER THAN 255 CHARACTERS.\n", 1, {}},
      {"InputPathOf255CharactersAccepted", "", {std::string(255, 'b'), "out.vtk"}, "",
       "ERROR: File not found." + std::string(255, 'b') + "\n", 1, {}},
      {"InteractiveNameTooLong", kVars + tetZone(0), {}, longName + " out.vtk 0\n",
       kBanner + "ERROR: INPUT FILE PATH IS LONGER THAN 255 CHARACTERS.\n", 1, {}},
      {"InteractiveOutputNameTooLong", kVars + tetZone(0), {}, "in.dat " + longName + " 0\n",
       kBanner + kPromptOutput + "ERROR: OUTPUT NAME IS LONGER THAN 255 CHARACTERS.\n", 1, {}},
  };
}

class ZonvertEndToEnd : public ::testing::TestWithParam<EndToEndCase> {};

TEST_P(ZonvertEndToEnd, OutputStatusAndFilesAreExact) {
  const EndToEndCase &c = GetParam();
  RunRequest request{c.arguments, c.stdinText, c.existingFiles, c.folders, c.shellSetup};
  if (!c.input.empty() || c.arguments.empty() || c.arguments[0] == "in.dat")
    request.files["in.dat"] = c.input;
  RunResult result = runZonvert(request);
  result.files.erase("in.dat");

  EXPECT_EQ(result.stdoutText, c.expectedStdout);
  EXPECT_EQ(result.exitStatus, c.expectedStatus);
  EXPECT_EQ(result.files, c.expectedFiles);
}

INSTANTIATE_TEST_SUITE_P(Cases, ZonvertEndToEnd, ::testing::ValuesIn(cases()),
                         [](const auto &info) { return info.param.name; });

} // namespace
} // namespace zonvert::test
