#include "write/VtkWriter.h"

#include "base/ByteCopy.h"
#include "base/ConversionFailure.h"
#include "write/DecimalTexts.h"
#include "write/LegacyNames.h"
#include "write/OutputBuffer.h"
#include "zone/CellKinds.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zonvert {

namespace {

// How a cell of each kind is written: its count of indices with its blank,
// and its VTK cell type with the line feed, made from the table of cell
// kinds. Each is copied as one word and cut to its length.
struct CellFormat {
  char prefix[2];
  char typeLine[4];
  std::size_t typeLength;
};

// One digit of corners, at most two of the type.
static_assert(std::ranges::all_of(kCellKinds, [](const CellKindFacts &facts) {
  return facts.corners <= 9 && facts.vtkType <= 99;
}));

constexpr CellFormat cellFormatOf(const CellKindFacts &facts) {
  CellFormat format{{static_cast<char>('0' + facts.corners), ' '}, {}, 0};
  if (facts.vtkType >= 10)
    format.typeLine[format.typeLength++] = static_cast<char>('0' + facts.vtkType / 10);
  format.typeLine[format.typeLength++] = static_cast<char>('0' + facts.vtkType % 10);
  format.typeLine[format.typeLength++] = '\n';
  return format;
}

constexpr auto kCellFormats = [] {
  std::array<CellFormat, std::size(kCellKinds)> formats{};
  for (std::size_t kind = 0; kind < formats.size(); ++kind)
    formats[kind] = cellFormatOf(kCellKinds[kind]);
  return formats;
}();

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

// The longest line put together in the buffer; longer ones (values of
// kilobytes) go piece by piece.
constexpr std::size_t kMostLineBytes = 4096;

// "0.0", for a coordinate or component without a variable, with bytes to
// spare like a column's values.
constexpr char kZero[16] = "0.0";

// Per node, a line of the texts of three variables (-1 stands for "0.0"),
// separated by blanks; after the last one a blank too when `blankAtEnd`
// (the vector lines), then the line feed.
void writeTripleLines(OutputBuffer &out, const NodeValueTable &values, const std::array<int, 3> &variables,
                      bool blankAtEnd) {
  std::array<std::optional<ValueColumn::Cursor>, 3> cursors;
  for (std::size_t k = 0; k < 3; ++k)
    if (variables[k] >= 0)
      cursors[k].emplace(values.column(static_cast<std::size_t>(variables[k])));
  for (std::size_t node = 0; node < values.nodeCount(); ++node) {
    std::array<std::string_view, 3> texts;
    std::size_t bytes = 4;
    for (std::size_t k = 0; k < 3; ++k) {
      texts[k] = cursors[k] ? cursors[k]->next() : std::string_view(kZero, 3);
      bytes += texts[k].size();
    }
    if (bytes > kMostLineBytes) [[unlikely]] {
      for (std::size_t k = 0; k < 3; ++k) {
        out.append(texts[k]);
        out.append(k < 2 || blankAtEnd ? ' ' : '\n');
      }
      if (blankAtEnd)
        out.append('\n');
      continue;
    }
    char *at = out.room(bytes + 16);
    for (const std::string_view text : texts) {
      // A column's values have sixteen bytes to spare past their start, and
      // so has the room: short ones go in one unaligned copy.
      if (text.size() <= 16)
        std::memcpy(at, text.data(), 16);
      else
        copyBytes(at, text.data(), text.size());
      at += text.size();
      *at++ = ' ';
    }
    if (!blankAtEnd)
      --at;
    *at++ = '\n';
    out.wrote(at);
  }
}

// `line` (a value and its line feed) `count` times, gathered into texts of
// up to 16 KiB.
void writeRepeatedLine(OutputBuffer &out, std::string_view line, std::size_t count) {
  const std::size_t perText = std::max<std::size_t>(1, std::min(count, (std::size_t{1} << 14) / line.size()));
  std::string text;
  text.reserve(perText * line.size());
  for (std::size_t k = 0; k < perText; ++k)
    text += line;
  for (; count >= perText; count -= perText)
    out.append(text);
  out.append(std::string_view(text).substr(0, count * line.size()));
}

// A variable's values, one per line: its column as it stands, a run's line
// as many times as the run counts.
void writeValueLines(OutputBuffer &out, const ValueColumn &column) {
  const std::vector<ValueColumn::Run> &runs = column.runs();
  std::size_t run = 0;
  for (std::size_t piece = 0; piece < column.pieceCount(); ++piece) {
    const std::string_view text = column.piece(piece);
    std::size_t from = 0;
    for (; run < runs.size() && runs[run].block == piece; ++run) {
      const std::size_t start = runs[run].offset;
      const std::size_t end = text.find('\n', start) + 1;
      out.appendLarge(text.substr(from, start - from));
      writeRepeatedLine(out, text.substr(start, end - start), runs[run].count);
      from = end;
    }
    out.appendLarge(text.substr(from));
  }
}

// The type an array is declared with: float, as VTK's own writer declares
// such values, unless a value of one of `variables` (-1: none) is past a
// float's range, which VTK's reader would stop at (see FloatRange).
std::string_view typeOf(const NodeValueTable &values, std::initializer_list<int> variables) {
  for (int variable : variables)
    if (variable >= 0 && values.needsDouble(static_cast<std::size_t>(variable)))
      return "double";
  return "float";
}

void writePoints(OutputBuffer &out, const ZoneRecord &zone, const VariableRoles &roles) {
  out.append("POINTS ");
  out.appendInt(zone.nodeCount);
  out.append(' ');
  out.append(typeOf(zone.nodeValues, {roles.x, roles.y, roles.z}));
  out.append('\n');
  writeTripleLines(out, zone.nodeValues, {roles.x, roles.y, roles.z}, false);
  out.append('\n');
}

void writeElementCells(OutputBuffer &out, const ZoneRecord &zone) {
  const ElementTable &cells = zone.elementNodes;
  out.append("CELLS ");
  out.appendInt(zone.elementCount);
  out.append(' ');
  out.appendInt(static_cast<std::int64_t>(cells.cornerCount() + cells.size()));
  out.append('\n');
  CellCorners room;
  for (std::size_t element = 0; element < cells.size(); ++element) {
    const std::int32_t *nodes = cells.nodes(element, room);
    const std::size_t count = cells.nodeCount(element);
    char *at = out.room(sizeof CellFormat::prefix + count * DecimalTexts::kMostBytes + 1);
    std::memcpy(at, formatOf(cells.kind(element)).prefix, sizeof CellFormat::prefix);
    at += sizeof CellFormat::prefix;
    // Node numbers are in 1..N (checked), so each index is in 0..N-1.
    for (std::size_t k = 0; k < count; ++k)
      at = DecimalTexts::writeSpaced(at, static_cast<std::uint64_t>(nodes[k] - 1));
    *at++ = '\n';
    out.wrote(at);
  }
  out.append("\nCELL_TYPES ");
  out.appendInt(zone.elementCount);
  out.append('\n');
  for (std::size_t element = 0; element < cells.size(); ++element) {
    const CellFormat &format = formatOf(cells.kind(element));
    char *at = out.room(sizeof format.typeLine);
    std::memcpy(at, format.typeLine, sizeof format.typeLine);
    out.wrote(at + format.typeLength);
  }
  out.append('\n');
}

// A zone without elements: every node becomes a vertex cell.
void writeVertexCells(OutputBuffer &out, const ZoneRecord &zone) {
  const CellFormat &vertex = formatOf(CellKind::Vertex);
  out.append("CELLS ");
  out.appendInt(zone.nodeCount);
  out.append(' ');
  out.appendInt(std::int64_t{zone.nodeCount} * (1 + factsOf(CellKind::Vertex).corners));
  out.append('\n');
  const auto nodes = static_cast<std::size_t>(zone.nodeCount);
  for (std::size_t node = 0; node < nodes; ++node) {
    char *at = out.room(DecimalTexts::kMostBytes + 2);
    *at = vertex.prefix[0];
    at = DecimalTexts::writeSpaced(at + 1, node);
    *at++ = '\n';
    out.wrote(at);
  }
  out.append("\nCELL_TYPES ");
  out.appendInt(zone.nodeCount);
  out.append('\n');
  const std::string_view typeLine(vertex.typeLine, vertex.typeLength);
  for (std::size_t node = 0; node < nodes; ++node)
    out.append(typeLine);
  out.append('\n');
}

// One SCALARS section per variable of `variables`, named by `names`, its
// values one per line as the file held them.
void writeScalarSections(OutputBuffer &out, const ZoneRecord &zone, const std::vector<int> &variables,
                         const std::vector<std::string> &names) {
  for (std::size_t field = 0; field < variables.size(); ++field) {
    out.append("SCALARS ");
    out.append(names[field]);
    out.append(' ');
    out.append(typeOf(zone.nodeValues, {variables[field]}));
    out.append(" 1\nLOOKUP_TABLE default\n");
    writeValueLines(out, zone.nodeValues.column(static_cast<std::size_t>(variables[field])));
  }
}

// The cell-centred variables, one value per cell, after the point data.
void writeCellData(OutputBuffer &out, const ZoneRecord &zone, const VariableRoles &roles,
                   const std::vector<std::string> &names) {
  if (roles.cellScalars.empty())
    return;
  out.append("CELL_DATA ");
  out.appendInt(zone.elementCount);
  out.append('\n');
  writeScalarSections(out, zone, roles.cellScalars, names);
}

void writePointData(OutputBuffer &out, const ZoneRecord &zone, const VariableRoles &roles,
                    const std::vector<std::string> &names) {
  out.append("POINT_DATA ");
  out.appendInt(zone.nodeCount);
  out.append('\n');
  writeScalarSections(out, zone, roles.scalars, names);
  if (!roles.hasVelocity)
    return;
  out.append("VECTORS velocity ");
  out.append(typeOf(zone.nodeValues, {roles.vx, roles.vy, roles.vz}));
  out.append('\n');
  writeTripleLines(out, zone.nodeValues, {roles.vx, roles.vy, roles.vz}, true);
}

} // namespace

int writeVTKFile(int descriptor, const ZoneRecord &zone, const VariableRoles &roles,
                 std::vector<std::string> &nameWarnings, std::vector<std::string> &warnings) {
  OutputBuffer out(descriptor);
  const std::vector<std::string> names = scalarNames(zone, roles.scalars, nameWarnings);
  const std::vector<std::string> cellNames = scalarNames(zone, roles.cellScalars, nameWarnings);
  out.append("# vtk DataFile Version 2.0\nUnstructured Grid Dunmarle\nASCII\n\nDATASET UNSTRUCTURED_GRID\n");
  writePoints(out, zone, roles);
  if (zone.elementCount > 0)
    writeElementCells(out, zone);
  else
    writeVertexCells(out, zone);
  writePointData(out, zone, roles, names);
  writeCellData(out, zone, roles, cellNames);
  warnOfNonFiniteValues(zone, roles, warnings);
  out.flush();
  return out.error();
}

} // namespace zonvert
