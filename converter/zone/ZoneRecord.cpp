#include "zone/ZoneRecord.h"

namespace zonvert {

void clearZone(ZoneRecord &zone) {
  zone.title.clear();
  zone.solutionTime.clear();
  zone.nodeCount = 0;
  zone.elementCount = 0;
  zone.zoneType.clear();
  zone.variableNames.clear();
  zone.nodeValues.clear();
  zone.elementNodes.clear();
  zone.zoneNumber = 0;
  zone.warnings.clear();
}

void copyZoneHeader(const ZoneRecord &from, ZoneRecord &to) {
  to.title = from.title;
  to.solutionTime = from.solutionTime;
  to.nodeCount = from.nodeCount;
  to.elementCount = from.elementCount;
  to.zoneType = from.zoneType;
  to.variableNames = from.variableNames;
  to.zoneNumber = from.zoneNumber;
  to.warnings = from.warnings;
}

} // namespace zonvert
