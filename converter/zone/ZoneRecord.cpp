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

} // namespace zonvert
