// The records of a Tecplot file around its zones: TITLE, FILETYPE and
// VARIABLES, and the TEXT, GEOMETRY, DATASETAUXDATA and CUSTOMLABELS records
// that change nothing in the written files.
#pragma once

#include "read/TecplotInput.h"
#include "read/TecplotTokens.h"
#include "zone/ZoneRecord.h"

namespace zonvert {

// Reads the records before the next zone, taking the variable names of a
// VARIABLES record into the zone record. True with the ZONE keyword taken
// (`zoneStart` tells where it stood); false at the end of the file. Throws
// ConversionFailure ("ERROR IN FILE") for a line that is no record.
bool readRecordsBeforeZone(TokenCursor &cursor, ZoneRecord &zone, TecplotInput::Position &zoneStart);

} // namespace zonvert
