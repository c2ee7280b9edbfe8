// --list: what a Tecplot file holds, without converting it and without
// writing any file. One line per zone (its number in the file, title, time
// as the series file takes it, zone type, nodes and elements), and the
// variables once (again where a VARIABLES record changes them):
//
//   VARIABLES: "X", "Y", "Z", "C"
//   ZONE 0: TITLE "TIME 0", TIME 0, FETETRAHEDRON, 4 NODES, 1 ELEMENTS
//
// With --json, one JSON object at the end, when the whole file has been
// read:
//
//   {"file": "in.dat", "variables": ["X", "Y", "Z", "C"], "zones": [
//     {"zone": 0, "title": "TIME 0", "time": 0, "type": "FETETRAHEDRON",
//      "nodes": 4, "elements": 1}, ...]}
//
// where a zone whose variables are not the file's first ones lists its own
// ("variables"). Texts are in UTF-8 (see Utf8Text.h). Zones that hold no
// nodes are not listed (no file is written for them either).
#pragma once

#include "run/ZoneSelection.h"

#include <cstdio>
#include <string>

namespace zonvert {

// Lists the zones `selection` selects of the open Tecplot file (plain, gzip
// or zstd) on standard output, reading past the others and ending after the
// last one selected. Throws ConversionFailure where the file cannot be read
// on (with --json, nothing is written then). A progress display shows on
// standard error as in a conversion, unless `quiet`.
void listZones(std::FILE *file, const std::string &inputPath, const ZoneSelection &selection, bool json,
              bool quiet = false);

} // namespace zonvert
