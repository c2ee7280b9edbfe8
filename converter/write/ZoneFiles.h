// The zone files of a run: their names, and each written whole into a
// temporary that is renamed to its name only when the zones before it are
// done (see AtomicFile).
#pragma once

#include "files/AtomicFile.h"
#include "run/CommandLine.h"
#include "write/VtkWriter.h"
#include "zone/ZoneRecord.h"

#include <string>

namespace zonvert {

// The file name of zone `zoneIndex`: base name, the index in plain decimal,
// ".vtk" (or ".vtu").
std::string zoneFileName(const std::string &baseName, int zoneIndex, ZoneFormat format = ZoneFormat::LegacyVtk);

// Writes the zone in `format` into `file`, a new temporary for `path`,
// without renaming it. Returns false, with the reason in the report, when
// the temporary cannot be created or written; the temporary is then gone.
// Throws ConversionFailure, before any file is created, when the zone cannot
// be written whole (values or cells missing, node numbers outside the zone),
// and for a value that is no number in an XML file.
bool writeZoneFile(AtomicFile &file, const std::string &path, const ZoneRecord &zone, ZoneFormat format,
                   WriteReport &report);

} // namespace zonvert
