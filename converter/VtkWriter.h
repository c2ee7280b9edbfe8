// Writes one zone as a legacy VTK 2.0 ASCII unstructured-grid file.
#pragma once

#include "ZoneRecord.h"

#include <string>

namespace zonvert {

// Writes the zone to `path` (created or overwritten). Returns false when the
// file cannot be created or written; no partial file is left then. Throws
// ConversionFailure, before the file is created, when the zone cannot be
// written whole: elements without a cell kind, or node or element lines
// shorter than what the file needs.
bool writeVTKFile(const std::string &path, const ZoneRecord &zone);

} // namespace zonvert
