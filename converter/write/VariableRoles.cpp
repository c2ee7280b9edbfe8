#include "write/VariableRoles.h"

#include "base/ConversionFailure.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>

namespace zonvert {

namespace {

void noteUse(VariableRoles &roles, int index) {
  roles.valuesNeeded = std::max(roles.valuesNeeded, static_cast<std::size_t>(index) + 1);
}

// Other writers name coordinates with their unit or in full: "X [m]",
// "x (m)", "CoordinateX".
bool namesCoordinate(std::string_view name, char axis) {
  const char lower = static_cast<char>(axis - 'A' + 'a');
  if (name == std::string("Coordinate") + axis)
    return true;
  return name.size() >= 2 && (name[0] == axis || name[0] == lower) &&
         (name[1] == ' ' || name[1] == '[' || name[1] == '(');
}

} // namespace

VariableRoles findRoles(const ZoneRecord &zone) {
  const std::vector<std::string> &names = zone.variableNames;
  VariableRoles roles;
  for (int i = 0; i < static_cast<int>(names.size()); ++i) {
    const std::string_view name = names[i];
    // A value per cell is neither a coordinate nor a velocity of the nodes.
    if (zone.nodeValues.isCellCentred(static_cast<std::size_t>(i))) {
      roles.cellScalars.push_back(i);
      noteUse(roles, i);
      continue;
    }
    if (name == "X" || name == "x")
      roles.x = i;
    if (name == "Y" || name == "y")
      roles.y = i;
    if (name == "Z" || name == "z")
      roles.z = i;
    if (name == "VX" || name == "VELOCITY_X1")
      roles.vx = i;
    if (name == "VY" || name == "VELOCITY_Y1")
      roles.vy = i;
    if (name == "VZ" || name == "VELOCITY_Z1")
      roles.vz = i;
    if (name != "X" && name != "Y" && name != "Z") {
      roles.scalars.push_back(i);
      noteUse(roles, i);
    }
  }
  // Without a variable named X (or x), one named as other writers name that
  // coordinate gives it; it stays a scalar field too.
  for (auto [axis, role] : {std::pair{'X', &roles.x}, std::pair{'Y', &roles.y}, std::pair{'Z', &roles.z}})
    for (int i = 0; i < static_cast<int>(names.size()) && *role < 0; ++i)
      if (!zone.nodeValues.isCellCentred(static_cast<std::size_t>(i)) && namesCoordinate(names[i], axis))
        *role = i;
  roles.hasVelocity = roles.vx >= 0 || roles.vy >= 0 || roles.vz >= 0;
  for (int used : {roles.x, roles.y, roles.z})
    if (used >= 0)
      noteUse(roles, used);
  return roles;
}

void keepNamedScalars(VariableRoles &roles, const ZoneRecord &zone, const std::vector<std::string> &names) {
  const std::vector<std::string> &variables = zone.variableNames;
  for (const std::string &name : names)
    if (std::find(variables.begin(), variables.end(), name) == variables.end()) {
      std::string known;
      for (const std::string &variable : variables)
        known += (known.empty() ? "\"" : ", \"") + variable + "\"";
      throw formattedFailure("ERROR IN ZONE %d: --variables NAMES \"%s\", WHICH IS NO VARIABLE OF THE FILE; ITS "
                             "VARIABLES ARE %s\n",
                             zone.zoneNumber, name.c_str(), known.empty() ? "NONE" : known.c_str());
    }
  const auto unnamed = [&](int variable) {
    return std::find(names.begin(), names.end(), variables[static_cast<std::size_t>(variable)]) == names.end();
  };
  std::erase_if(roles.scalars, unnamed);
  std::erase_if(roles.cellScalars, unnamed);
}

namespace {

// Every node number of every element must name a node of the zone; a cell
// pointing elsewhere crashes the filters of visualisation tools.
void checkNodeNumbers(const ZoneRecord &zone) {
  const ElementTable &cells = zone.elementNodes;
  // The element at fault is looked for only when there is one.
  if (cells.size() == 0 || (cells.smallestNumber() >= 1 && cells.largestNumber() <= zone.nodeCount))
    return;
  CellCorners room;
  for (std::size_t element = 0; element < cells.size(); ++element) {
    const std::int32_t *nodes = cells.nodes(element, room);
    for (std::size_t k = 0; k < cells.nodeCount(element); ++k)
      if (nodes[k] < 1 || nodes[k] > zone.nodeCount)
        throw formattedFailure("ERROR IN ZONE %d, ELEMENT %zu: NODE NUMBER %d IS OUTSIDE 1..%d\n", zone.zoneNumber,
                               element + 1, nodes[k], zone.nodeCount);
  }
}

} // namespace

void checkWritable(const ZoneRecord &zone, const VariableRoles &roles) {
  const NodeValueTable &values = zone.nodeValues;
  const auto nodes = static_cast<std::size_t>(std::max(zone.nodeCount, 0));
  if (values.nodeCount() != nodes || values.valuesHeld() != values.valuesWanted() ||
      values.variableCount() < roles.valuesNeeded)
    throw formattedFailure("ERROR IN ZONE %d: %zu VALUES FOR %zu NODES, %zu NEEDED FOR EACH\n", zone.zoneNumber,
                           values.valuesHeld(), nodes, roles.valuesNeeded);
  if (zone.elementCount > 0 && zone.elementNodes.size() != static_cast<std::size_t>(zone.elementCount))
    throw formattedFailure("ERROR IN ZONE %d: %zu OF %d ELEMENTS HELD\n", zone.zoneNumber, zone.elementNodes.size(),
                           zone.elementCount);
  checkNodeNumbers(zone);
}

} // namespace zonvert
