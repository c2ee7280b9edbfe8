#include "VtkWriter.h"

#include "AtomicFile.h"
#include "ZoneFiles.h"
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

void writeLegacyVtk(OutputBuffer &out, const ZoneRecord &zone, const VariableRoles &roles,
                    std::vector<std::string> &warnings) {
  const std::vector<std::string> names = scalarNames(zone, roles.scalars, warnings);
  const std::vector<std::string> cellNames = scalarNames(zone, roles.cellScalars, warnings);
  out.append("# vtk DataFile Version 2.0\nUnstructured Grid Dunmarle\nASCII\n\nDATASET UNSTRUCTURED_GRID\n");
  writePoints(out, zone, roles);
  if (zone.elementCount > 0)
    writeElementCells(out, zone);
  else
    writeVertexCells(out, zone);
  writePointData(out, zone, roles, names);
  writeCellData(out, zone, roles, cellNames);
  warnOfNonFiniteValues(zone, roles, warnings);
}

bool writeVTKFile(const std::string &path, const ZoneRecord &zone, WriteReport *report) {
  AtomicFile file;
  WriteReport written;
  // A file cut short by a full disk or a size limit must not pass for a
  // converted zone: the temporary goes, and the name keeps its old file.
  const bool ok = writeZoneFile(file, path, zone, ZoneFormat::LegacyVtk, written) && file.commit(written.failureReason);
  if (!ok)
    written.warnings.clear();
  if (report)
    *report = std::move(written);
  return ok;
}

} // namespace zonvert
