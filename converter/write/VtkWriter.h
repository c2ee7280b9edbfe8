// Writes one zone as a legacy VTK 2.0 ASCII unstructured-grid file.
#pragma once

#include "write/OutputBuffer.h"
#include "write/VariableRoles.h"
#include "zone/ZoneRecord.h"

#include <string>
#include <vector>

namespace zonvert {

// What writing a zone file tells besides success.
struct WriteReport {
  // Why the file could not be written: the system's words.
  std::string failureReason;
  // Complete lines (with their line feed) about a file that was written but
  // that readers may not take whole: NaN or infinite values, shortened names.
  std::vector<std::string> warnings;
};

// The legacy file of a zone whose roles were found and checked
// (checkWritable), into `out`; warnings about what VTK's reader will not take
// whole are added to `warnings`. Each element is written as the cell of its
// own kind; cell-centred variables as cell data after the point data.
void writeLegacyVtk(OutputBuffer &out, const ZoneRecord &zone, const VariableRoles &roles,
                    std::vector<std::string> &warnings);

// Writes the zone to `path`, replacing a file of that name whole (see
// AtomicFile). Returns false when the file cannot be created or written; no
// partial file is left then, and a file that had the name stays as it was.
// Throws ConversionFailure, before any file is created, when the zone cannot
// be written whole: values or cells missing from the record, or node numbers
// outside the zone.
bool writeVTKFile(const std::string &path, const ZoneRecord &zone, WriteReport *report = nullptr);

} // namespace zonvert
