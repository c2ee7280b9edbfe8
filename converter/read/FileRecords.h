// The records of a Tecplot file around its zones: TITLE, FILETYPE and
// VARIABLES, and the TEXT, GEOMETRY, DATASETAUXDATA and CUSTOMLABELS records
// that change nothing in the written files.
#pragma once

#include "read/TecplotInput.h"
#include "read/TecplotTokens.h"

#include <string>
#include <vector>

namespace zonvert {

// Reads the records before the next zone; the names of a VARIABLES record
// replace `variableNames`. True with the ZONE keyword taken (`zoneStart`
// tells where it stood); false at the end of the file. Throws
// ConversionFailure ("ERROR IN FILE") for a line that is no record.
bool readRecordsBeforeZone(TokenCursor &cursor, std::vector<std::string> &variableNames,
                           TecplotInput::Position &zoneStart);

} // namespace zonvert
