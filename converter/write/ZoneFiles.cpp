#include "write/ZoneFiles.h"

#include "write/VariableRoles.h"
#include "write/VtkWriter.h"

#include <cstring>

namespace zonvert {

std::string zoneFileName(const std::string &baseName, int zoneIndex, ZoneFormat format) {
  return baseName + std::to_string(zoneIndex) + std::string(extensionOf(format));
}

VtuWriterMemory &ZoneWriterMemory::vtu() {
  if (!vtu_)
    vtu_ = std::make_unique<VtuWriterMemory>(compression_);
  return *vtu_;
}

bool writeZoneFile(AtomicFile &file, const std::string &path, const ZoneRecord &zone, ZoneFormat format,
                   WriteReport &report, ZoneWriterMemory &memory, const std::vector<std::string> *fields) {
  VariableRoles roles = findRoles(zone);
  checkWritable(zone, roles);
  if (fields)
    keepNamedScalars(roles, zone, *fields);
  report.warnings = zone.warnings;
  if (!file.create(path, report.failureReason))
    return false;
  const int error = format == ZoneFormat::Vtu ? writeVtu(file.descriptor(), zone, roles, memory.vtu())
                                              : writeVTKFile(file.descriptor(), zone, roles, report.nameWarnings, report.warnings);
  if (error != 0) {
    report.failureReason = std::strerror(error);
    file.discard();
    return false;
  }
  // A finished temporary waiting for its turn holds no descriptor.
  return file.close(report.failureReason);
}

} // namespace zonvert
