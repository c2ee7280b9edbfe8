#include "write/ZoneFiles.h"

#include "write/OutputBuffer.h"
#include "write/VariableRoles.h"
#include "write/VtuWriter.h"

#include <cstring>

namespace zonvert {

std::string zoneFileName(const std::string &baseName, int zoneIndex, ZoneFormat format) {
  return baseName + std::to_string(zoneIndex) + (format == ZoneFormat::Vtu ? ".vtu" : ".vtk");
}

bool writeZoneFile(AtomicFile &file, const std::string &path, const ZoneRecord &zone, ZoneFormat format,
                   WriteReport &report) {
  const VariableRoles roles = findRoles(zone);
  checkWritable(zone, roles);
  if (!file.create(path, report.failureReason))
    return false;
  int error = 0;
  if (format == ZoneFormat::Vtu) {
    error = writeVtu(file.descriptor(), zone, roles);
  } else {
    OutputBuffer out(file.descriptor());
    writeLegacyVtk(out, zone, roles, report.warnings);
    out.flush();
    error = out.error();
  }
  if (error == 0)
    return true;
  report.failureReason = std::strerror(error);
  file.discard();
  return false;
}

} // namespace zonvert
