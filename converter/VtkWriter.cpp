#include "VtkWriter.h"

#include "AtomicFile.h"
#include "ConversionFailure.h"
#include "LegacyNames.h"
#include "OutputBuffer.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

namespace zonvert {

namespace {

// Which variable plays which part in the file. Names are compared exactly
// and case-sensitively; where several variables match, the last one wins.
struct VariableRoles {
  int x = -1, y = -1, z = -1;
  int vx = -1, vy = -1, vz = -1;
  bool hasVelocity = false;
  std::vector<int> scalars;     // every nodal variable not named exactly X, Y or Z
  std::vector<int> cellScalars; // every cell-centred variable
  std::size_t valuesNeeded = 0; // a node line must hold this many values
};

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

// How a cell of each kind is written: its count of indices (with its
// blank) and its VTK cell type, by CellKind.
struct CellFormat {
  std::string_view prefix;
  std::string_view typeLine;
};

constexpr CellFormat kCellFormats[] = {
    {"", ""},        // None: never stored
    {"2 ", "3\n"},  // Line
    {"3 ", "5\n"},  // Triangle
    {"4 ", "9\n"},  // Quad
    {"4 ", "10\n"}, // Tetra
    {"8 ", "12\n"}, // Hexahedron
    {"6 ", "13\n"}, // Wedge
    {"5 ", "14\n"}, // Pyramid
    {"1 ", "1\n"},  // Vertex
};

const CellFormat &formatOf(CellKind kind) { return kCellFormats[static_cast<std::size_t>(kind)]; }

// Every node number of every element must name a node of the zone; a cell
// pointing elsewhere crashes the filters of visualisation tools.
void checkNodeNumbers(const ZoneRecord &zone) {
  const auto nodeCount = static_cast<std::uint32_t>(zone.nodeCount);
  bool outside = false;
  // One pass without branches over all numbers; the element at fault is
  // looked for only when there is one.
  for (std::int32_t number : zone.elementNodes.allNodes())
    outside |= static_cast<std::uint32_t>(number) - 1u >= nodeCount;
  if (!outside)
    return;
  for (std::size_t element = 0; element < zone.elementNodes.size(); ++element) {
    const std::int32_t *nodes = zone.elementNodes.nodes(element);
    for (std::size_t k = 0; k < zone.elementNodes.nodeCount(element); ++k)
      if (nodes[k] < 1 || nodes[k] > zone.nodeCount)
        throw formattedFailure("ERROR IN ZONE %d, ELEMENT %zu: NODE NUMBER %d IS OUTSIDE 1..%d\n", zone.zoneNumber,
                               element + 1, nodes[k], zone.nodeCount);
  }
}

// Refuses, before any file is created, a zone that cannot be written whole:
// values or cells missing, or node numbers outside the zone.
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

// The names of the scalar fields as the file holds them, with a warning for
// each name shortened to fit VTK's reader.
std::vector<std::string> scalarNames(const ZoneRecord &zone, const std::vector<int> &scalars,
                                     std::vector<std::string> &warnings) {
  std::vector<std::string> names;
  for (int variable : scalars) {
    LegacyName name = legacyName(zone.variableNames[variable]);
    if (name.shortened)
      warnings.push_back(formattedText("WARNING: NAME OF VARIABLE %d SHORTENED TO THE %zu CHARACTERS VTK'S READER "
                                       "TAKES: %s\n",
                                       variable + 1, kMaxLegacyNameBytes, name.text.c_str()));
    names.push_back(std::move(name.text));
  }
  return names;
}

// VTK's ASCII reader stops at a NaN or an infinity and misreads the rest of
// the file; the first such value the file holds (by node, then by variable;
// else by cell) is named so that the user can look.
void warnOfNonFiniteValues(const ZoneRecord &zone, const VariableRoles &roles, std::vector<std::string> &warnings) {
  auto firstIn = [&](const std::vector<int> &variables, std::size_t &first, int &firstVariable) {
    first = NodeValueTable::kNoNode;
    for (int variable : variables) {
      const std::size_t item = variable < 0 ? NodeValueTable::kNoNode
                                            : zone.nodeValues.firstNonFiniteNode(static_cast<std::size_t>(variable));
      if (item < first || (item == first && item != NodeValueTable::kNoNode && variable < firstVariable)) {
        first = item;
        firstVariable = variable;
      }
    }
  };
  std::vector<int> nodal = {roles.x, roles.y, roles.z, roles.vx, roles.vy, roles.vz};
  nodal.insert(nodal.end(), roles.scalars.begin(), roles.scalars.end());
  std::size_t first = NodeValueTable::kNoNode;
  int firstVariable = -1;
  const char *where = "NODE";
  firstIn(nodal, first, firstVariable);
  if (first == NodeValueTable::kNoNode) {
    where = "CELL";
    firstIn(roles.cellScalars, first, firstVariable);
  }
  if (first == NodeValueTable::kNoNode)
    return;
  const std::string value(zone.nodeValues.value(first, static_cast<std::size_t>(firstVariable)));
  warnings.push_back(formattedText("WARNING IN ZONE %d, %s %zu: VARIABLE %s HOLDS %s, WHICH VTK'S ASCII READER "
                                   "CANNOT READ (THE FIRST NAN OR INFINITY OF THE ZONE)\n",
                                   zone.zoneNumber, where, first + 1, zone.variableNames[firstVariable].c_str(),
                                   value.c_str()));
}

void appendValueOrZero(OutputBuffer &out, const ZoneRecord &zone, std::size_t node, int variable) {
  if (variable < 0)
    out.append("0.0");
  else
    out.append(zone.nodeValues.value(node, static_cast<std::size_t>(variable)));
}

void writePoints(OutputBuffer &out, const ZoneRecord &zone, const VariableRoles &roles) {
  out.append("POINTS ");
  out.appendInt(zone.nodeCount);
  out.append(" float\n");
  for (std::size_t node = 0; node < zone.nodeValues.nodeCount(); ++node) {
    appendValueOrZero(out, zone, node, roles.x);
    out.append(' ');
    appendValueOrZero(out, zone, node, roles.y);
    out.append(' ');
    appendValueOrZero(out, zone, node, roles.z);
    out.append('\n');
  }
  out.append('\n');
}

void writeElementCells(OutputBuffer &out, const ZoneRecord &zone) {
  const ElementTable &cells = zone.elementNodes;
  out.append("CELLS ");
  out.appendInt(zone.elementCount);
  out.append(' ');
  out.appendInt(static_cast<std::int64_t>(cells.allNodes().size() + cells.size()));
  out.append('\n');
  for (std::size_t element = 0; element < cells.size(); ++element) {
    const std::int32_t *nodes = cells.nodes(element);
    out.append(formatOf(cells.kind(element)).prefix);
    for (std::size_t k = 0, count = cells.nodeCount(element); k < count; ++k) {
      out.append(' ');
      out.appendInt(std::int64_t{nodes[k]} - 1);
    }
    out.append('\n');
  }
  out.append("\nCELL_TYPES ");
  out.appendInt(zone.elementCount);
  out.append('\n');
  for (std::size_t element = 0; element < cells.size(); ++element)
    out.append(formatOf(cells.kind(element)).typeLine);
  out.append('\n');
}

// A zone without elements: every node becomes a vertex cell.
void writeVertexCells(OutputBuffer &out, const ZoneRecord &zone) {
  out.append("CELLS ");
  out.appendInt(zone.nodeCount);
  out.append(' ');
  out.appendInt(std::int64_t{zone.nodeCount} * 2);
  out.append('\n');
  const auto nodes = static_cast<std::size_t>(zone.nodeCount);
  for (std::size_t node = 0; node < nodes; ++node) {
    out.append("1 ");
    out.appendInt(static_cast<std::int64_t>(node));
    out.append('\n');
  }
  out.append("\nCELL_TYPES ");
  out.appendInt(zone.nodeCount);
  out.append('\n');
  for (std::size_t node = 0; node < nodes; ++node)
    out.append(formatOf(CellKind::Vertex).typeLine);
  out.append('\n');
}

// The cell-centred variables, one value per cell, after the point data.
void writeCellData(OutputBuffer &out, const ZoneRecord &zone, const VariableRoles &roles,
                   const std::vector<std::string> &names) {
  if (roles.cellScalars.empty())
    return;
  out.append("CELL_DATA ");
  out.appendInt(zone.elementCount);
  out.append('\n');
  for (std::size_t field = 0; field < roles.cellScalars.size(); ++field) {
    out.append("SCALARS ");
    out.append(names[field]);
    out.append(" float 1\nLOOKUP_TABLE default\n");
    for (std::size_t cell = 0; cell < static_cast<std::size_t>(zone.elementCount); ++cell) {
      out.append(zone.nodeValues.value(cell, static_cast<std::size_t>(roles.cellScalars[field])));
      out.append('\n');
    }
  }
}

void writePointData(OutputBuffer &out, const ZoneRecord &zone, const VariableRoles &roles,
                    const std::vector<std::string> &names) {
  out.append("POINT_DATA ");
  out.appendInt(zone.nodeCount);
  out.append('\n');
  const std::size_t nodes = zone.nodeValues.nodeCount();
  for (std::size_t field = 0; field < roles.scalars.size(); ++field) {
    const int variable = roles.scalars[field];
    out.append("SCALARS ");
    out.append(names[field]);
    out.append(" float 1\nLOOKUP_TABLE default\n");
    for (std::size_t node = 0; node < nodes; ++node) {
      out.append(zone.nodeValues.value(node, static_cast<std::size_t>(variable)));
      out.append('\n');
    }
  }
  if (!roles.hasVelocity)
    return;
  out.append("VECTORS velocity float\n");
  for (std::size_t node = 0; node < nodes; ++node) {
    for (int component : {roles.vx, roles.vy, roles.vz}) {
      appendValueOrZero(out, zone, node, component);
      out.append(' ');
    }
    out.append('\n');
  }
}

} // namespace

bool writeVTKFile(const std::string &path, const ZoneRecord &zone, WriteReport *report) {
  const VariableRoles roles = findRoles(zone);
  checkWritable(zone, roles);
  std::vector<std::string> warnings;
  const std::vector<std::string> names = scalarNames(zone, roles.scalars, warnings);
  const std::vector<std::string> cellNames = scalarNames(zone, roles.cellScalars, warnings);

  std::string reason;
  AtomicFile file;
  if (!file.create(path, reason)) {
    if (report)
      report->failureReason = reason;
    return false;
  }
  OutputBuffer out(file.descriptor());
  out.append("# vtk DataFile Version 2.0\nUnstructured Grid Dunmarle\nASCII\n\nDATASET UNSTRUCTURED_GRID\n");
  writePoints(out, zone, roles);
  if (zone.elementCount > 0)
    writeElementCells(out, zone);
  else
    writeVertexCells(out, zone);
  writePointData(out, zone, roles, names);
  writeCellData(out, zone, roles, cellNames);
  out.flush();
  if (!out.ok())
    reason = std::strerror(out.error());
  // A file cut short by a full disk or a size limit must not pass for a
  // converted zone: the temporary goes, and the name keeps its old file.
  if (!out.ok() || !file.commit(reason)) {
    if (report)
      report->failureReason = reason;
    return false;
  }
  warnOfNonFiniteValues(zone, roles, warnings);
  if (report)
    report->warnings = std::move(warnings);
  return true;
}

} // namespace zonvert
