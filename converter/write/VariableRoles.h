// Which variable of a zone plays which part in a VTK file, and the checks
// that a zone can be written whole. Shared by the legacy and the XML writer,
// so that both write the same points, cells and arrays.
#pragma once

#include "zone/ZoneRecord.h"

#include <cstddef>
#include <string>
#include <vector>

namespace zonvert {

// Names are compared exactly and case-sensitively; where several variables
// match, the last one wins. -1: no such variable.
struct VariableRoles {
  int x = -1, y = -1, z = -1;
  int vx = -1, vy = -1, vz = -1;
  bool hasVelocity = false;
  std::vector<int> scalars;     // every nodal variable not named exactly X, Y or Z
  std::vector<int> cellScalars; // every cell-centred variable
  std::size_t valuesNeeded = 0; // a node line must hold this many values
};

VariableRoles findRoles(const ZoneRecord &zone);

// Keeps of the scalar fields (nodal and cell-centred) only the variables
// named in `names`, compared exactly; the points and the velocity vector
// stay. Throws ConversionFailure, naming the zone's variables, for a name
// that is none of them.
void keepNamedScalars(VariableRoles &roles, const ZoneRecord &zone, const std::vector<std::string> &names);

// Refuses (throws ConversionFailure), before any file is created, a zone
// that cannot be written whole: values or cells missing, or node numbers
// outside the zone.
void checkWritable(const ZoneRecord &zone, const VariableRoles &roles);

} // namespace zonvert
