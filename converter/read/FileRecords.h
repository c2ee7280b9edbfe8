// The records of a Tecplot file around its zones: TITLE, FILETYPE and
// VARIABLES, and the TEXT, GEOMETRY, DATASETAUXDATA and CUSTOMLABELS records
// that change nothing in the written files.
#pragma once

#include "read/TecplotInput.h"
#include "read/TecplotTokens.h"

#include <string>
#include <vector>

namespace zonvert {

// Where the next zone starts, as the records before it end.
enum class ZoneStart {
  None,    // the end of the file
  Keyword, // a ZONE record: its keyword taken, its keys next
  Keys,    // a line of zone keys without the ZONE keyword ("N=3, E=1, ..."),
           // which starts a zone where data follows its keys
  Data,    // data that no ZONE record introduces: a zone of its own
};

// Reads the records before the next zone; the names of a VARIABLES record
// replace `variableNames`. Tells where the zone starts (`zoneStart`: where
// its first item stands), or None at the end of the file. Data is taken
// for a zone only with variable names in force (they tell how many values
// make a point). Throws ConversionFailure ("ERROR IN FILE") for a line that
// is no record, and for data without variable names.
ZoneStart readRecordsBeforeZone(TokenCursor &cursor, std::vector<std::string> &variableNames,
                                TecplotInput::Position &zoneStart);

} // namespace zonvert
