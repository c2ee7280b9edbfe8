// The zone files of a run: their names, and each zone written whole into a
// temporary that the caller renames to its name once the zones before it
// are done (see AtomicFile), by the writer of its format.
#pragma once

#include "files/AtomicFile.h"
#include "write/VtuWriter.h"
#include "write/ZoneFormat.h"
#include "zone/ZoneRecord.h"

#include <memory>
#include <string>
#include <vector>

namespace zonvert {

// The file name of zone `zoneIndex`: base name, the index in plain decimal,
// ".vtk" (or ".vtu").
std::string zoneFileName(const std::string &baseName, int zoneIndex, ZoneFormat format);

// What a thread that writes zone files keeps from one zone to the next, so
// that a file of many small zones does not make it anew for each: the XML
// writer's compressor (200 KiB) and the last cells it wrote (see
// VtuWriterMemory), made when first needed.
class ZoneWriterMemory {
public:
  // XML files' arrays are compressed so.
  explicit ZoneWriterMemory(VtuCompression compression) : compression_(compression) {}
  VtuWriterMemory &vtu();

private:
  VtuCompression compression_;
  std::unique_ptr<VtuWriterMemory> vtu_;
};

// What writing a zone file tells besides success.
struct WriteReport {
  // Why the file could not be written: the system's words.
  std::string failureReason;
  // Complete lines (with their line feed) about a file that was written but
  // that readers may not take whole: names shortened (told once per run),
  // and the zone's own warnings from reading it, NaN or infinite values
  // (told for each zone).
  std::vector<std::string> nameWarnings;
  std::vector<std::string> warnings;
};

// Writes the zone in `format` into `file`, a new temporary for `path`, and
// closes it, without renaming it; of its scalar fields only those named in
// `fields`, where it is given (see keepNamedScalars). Returns false, with the reason in the report, when
// the temporary cannot be created or written; the temporary is then gone.
// Throws ConversionFailure, before any file is created, when the zone cannot
// be written whole (values or cells missing, node numbers outside the zone)
// or a field named is none of its variables, and for a value that is no
// number in an XML file.
bool writeZoneFile(AtomicFile &file, const std::string &path, const ZoneRecord &zone, ZoneFormat format,
                   WriteReport &report, ZoneWriterMemory &memory, const std::vector<std::string> *fields = nullptr);

} // namespace zonvert
