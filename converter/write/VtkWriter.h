// Writes one zone as a legacy VTK 2.0 ASCII unstructured-grid file.
#pragma once

#include "write/VariableRoles.h"
#include "zone/ZoneRecord.h"

#include <string>
#include <vector>

namespace zonvert {

// Writes the zone, whose roles were found and checked (checkWritable), to the
// empty file open as `descriptor`. Returns 0, or the errno value of a failed
// write. Warnings about what VTK's reader will not take whole are added:
// names shortened to `nameWarnings` (the same for every zone under one
// VARIABLES record), NaN and infinite values to `warnings`. Each element is
// written as the cell of its own kind; cell-centred variables as cell data
// after the point data.
int writeVTKFile(int descriptor, const ZoneRecord &zone, const VariableRoles &roles,
                 std::vector<std::string> &nameWarnings, std::vector<std::string> &warnings);

} // namespace zonvert
