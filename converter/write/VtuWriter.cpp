#include "write/VtuWriter.h"

#include "base/ConversionFailure.h"
#include "base/NumberForms.h"
#include "write/CompressedBlocks.h"
#include "write/OutputBuffer.h"
#include "write/XmlText.h"
#include "zone/CellKinds.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zonvert {

namespace {

// Room for an array's offset in the header: the offsets are known only
// once the arrays before it are compressed, so each gets room for any
// 64-bit number and its closing quote, and the blanks left over stand
// between the attribute and the end of the element, where XML allows them.
constexpr std::size_t kOffsetRoom = 21;

// The XML part of the file, before the appended data.
class Header {
public:
  void line(const std::string &text) { text_ += text + "\n"; }
  // A DataArray element whose offset is filled in later.
  void array(const std::string &attributes) {
    text_ += "        <DataArray " + attributes + " format=\"appended\" offset=\"";
    slots_.push_back(text_.size());
    text_ += std::string(kOffsetRoom, ' ') + "/>\n";
  }
  void setOffset(std::size_t array, std::uint64_t offset) {
    const std::string digits = std::to_string(offset) + "\"";
    text_.replace(slots_[array], digits.size(), digits);
  }
  const std::string &text() const { return text_; }

private:
  std::string text_;
  std::vector<std::size_t> slots_;
};

// The name of a variable's array. VTK's XML reader refuses a file holding
// an array named by the empty name (it reads no points at all), so a
// variable without a name is named as Tecplot names variables that have
// none: V and its number, counted from 1 ("V4"), unless another variable
// has that name.
std::string arrayName(const ZoneRecord &zone, int variable) {
  const std::vector<std::string> &names = zone.variableNames;
  const std::string &name = names[static_cast<std::size_t>(variable)];
  if (!name.empty())
    return xmlAttributeText(name);
  // Appended, not added to a literal: GCC 12 at -O3 warns wrongly there.
  std::string numbered = "V";
  numbered += std::to_string(variable + 1);
  const bool taken = std::find(names.begin(), names.end(), numbered) != names.end();
  return taken ? numbered + " (unnamed)" : numbered;
}

std::string nameAttribute(const ZoneRecord &zone, int variable) {
  return "Name=\"" + arrayName(zone, variable) + "\"";
}

[[noreturn]] void refuseValueThatIsNoNumber(const ZoneRecord &zone, const VariableRoles &roles) {
  std::vector<int> nodal = {roles.x, roles.y, roles.z, roles.vx, roles.vy, roles.vz};
  nodal.insert(nodal.end(), roles.scalars.begin(), roles.scalars.end());
  std::erase(nodal, -1);
  std::sort(nodal.begin(), nodal.end());
  double ignored = 0;
  auto refuse = [&](const char *where, std::size_t item, int variable) {
    const std::string_view text = zone.nodeValues.value(item, static_cast<std::size_t>(variable));
    const int shown = static_cast<int>(std::min<std::size_t>(text.size(), 80));
    throw formattedFailure("ERROR IN ZONE %d, %s %zu: VARIABLE %s HOLDS \"%.*s\", WHICH IS NO NUMBER\n",
                           zone.zoneNumber, where, item + 1, zone.variableNames[variable].c_str(), shown, text.data());
  };
  for (std::size_t node = 0; node < zone.nodeValues.nodeCount(); ++node)
    for (int variable : nodal)
      if (!parseNumber(zone.nodeValues.value(node, static_cast<std::size_t>(variable)), ignored))
        refuse("NODE", node, variable);
  for (std::size_t cell = 0; cell < static_cast<std::size_t>(std::max(zone.elementCount, 0)); ++cell)
    for (int variable : roles.cellScalars)
      if (!parseNumber(zone.nodeValues.value(cell, static_cast<std::size_t>(variable)), ignored))
        refuse("CELL", cell, variable);
  throw formattedFailure("ERROR IN ZONE %d: A VALUE IS NO NUMBER\n", zone.zoneNumber);
}

// The values of one variable in turn, as 64-bit floats; of none (-1), zeros.
// The text of a value that stands just as the one before it in its column
// (a coordinate of a structured grid, a concentration of 0 over a region)
// is not read again: sixteen bytes compared instead of a number parsed.
class ColumnNumbers {
public:
  ColumnNumbers(const NodeValueTable &values, int variable) {
    if (variable >= 0)
      cursor_.emplace(values.column(static_cast<std::size_t>(variable)));
  }

  // Writes the next `count` values to to[0], to[stride], ...; false when
  // the text of one is no number.
  bool fill(double *to, std::size_t count, std::size_t stride) {
    if (!cursor_) {
      for (std::size_t k = 0; k < count; ++k)
        to[k * stride] = 0.0;
      return true;
    }
    // The cursor and the last value in locals, which the stores of the
    // values cannot touch: they stay in registers through the loop.
    ValueColumn::Cursor cursor = *cursor_;
    std::string_view lastText = lastText_;
    double last = last_;
    bool numbers = true;
    for (std::size_t k = 0; k < count; ++k) {
      const std::string_view text = cursor.next();
      // The column was read long before and has left the caches: asking
      // for its text a kilobyte ahead gains about 2 % of a run.
      __builtin_prefetch(text.data() + 1024);
      if (!sameText(text, lastText)) {
        if (!parsePaddedNumber(text, last)) [[unlikely]] {
          numbers = false;
          break;
        }
        lastText = text;
      }
      to[k * stride] = last;
    }
    cursor_.emplace(cursor);
    lastText_ = lastText;
    last_ = last;
    return numbers;
  }

private:
  // Both texts are column values, with sixteen bytes readable from their
  // starts.
  static bool sameText(std::string_view text, std::string_view before) {
    if (text.size() != before.size() || text.empty() || text.size() > 16)
      return false;
#if defined(__SSE2__)
    const __m128i now = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text.data()));
    const __m128i then = _mm_loadu_si128(reinterpret_cast<const __m128i *>(before.data()));
    const auto equal = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(now, then)));
    return (equal | ~((1u << text.size()) - 1)) == 0xFFFFFFFFu;
#else
    return text == before;
#endif
  }

  std::optional<ValueColumn::Cursor> cursor_;
  std::string_view lastText_;
  double last_ = 0.0;
};

// Writes the arrays in the order the header lists them, each at the offset
// it is given there.
class ArrayWriter {
public:
  ArrayWriter(int descriptor, OutputBuffer &out, Header &header, std::uint64_t dataStart, const ZoneRecord &zone,
              const VariableRoles &roles, BlockCompressor &compressor)
      : descriptor_(descriptor), out_(out), header_(header), dataStart_(dataStart), zone_(zone), roles_(roles),
        compressor_(compressor) {}

  int error() const { return error_; }

  // One 64-bit float per item (node or cell) from each variable in turn; -1
  // stands for 0.0.
  // The values are read a chunk at a time into `chunk_`, then copied into
  // the block being compressed.
  void values(std::size_t items, std::initializer_list<int> variables) {
    std::vector<ColumnNumbers> columns;
    for (int variable : variables)
      columns.emplace_back(zone_.nodeValues, variable);
    CompressedArray array = start(items * variables.size() * sizeof(double));
    const std::size_t width = columns.size();
    for (std::size_t done = 0; done < items;) {
      const std::size_t count = std::min(items - done, kChunkValues / width);
      for (std::size_t k = 0; k < width; ++k)
        if (!columns[k].fill(chunk_.data() + k, count, width)) [[unlikely]]
          refuseValueThatIsNoNumber(zone_, roles_);
      array.appendBytes({reinterpret_cast<const unsigned char *>(chunk_.data()), count * width * sizeof(double)});
      done += count;
    }
    finish(array);
  }
  // With `repeated`, the blocks the array repeats from there are copied
  // rather than compressed (see RepeatedBlocks).
  template <typename Produce>
  void integers(std::size_t count, std::size_t width, Produce &&produce, RepeatedBlocks *repeated = nullptr) {
    CompressedArray array = start(count * width, repeated);
    produce(array);
    finish(array);
  }

private:
  // 4 KiB: room on the stack of any thread.
  static constexpr std::size_t kChunkValues = 512;

  CompressedArray start(std::uint64_t rawBytes, RepeatedBlocks *repeated = nullptr) {
    header_.setOffset(arrays_++, out_.position() - dataStart_);
    return CompressedArray(out_, descriptor_, compressor_, rawBytes, repeated);
  }
  void finish(CompressedArray &array) {
    const int error = array.finish();
    if (error_ == 0)
      error_ = error;
  }

  int descriptor_;
  OutputBuffer &out_;
  Header &header_;
  std::uint64_t dataStart_;
  const ZoneRecord &zone_;
  const VariableRoles &roles_;
  BlockCompressor &compressor_;
  std::size_t arrays_ = 0;
  int error_ = 0;
  std::array<double, kChunkValues> chunk_;
};

Header headerOf(const ZoneRecord &zone, const VariableRoles &roles, std::size_t cellCount,
                VtuCompression compression) {
  Header header;
  std::string start = "<VTKFile type=\"UnstructuredGrid\" version=\"1.0\" byte_order=\"LittleEndian\" "
                      "header_type=\"UInt64\"";
  if (const std::string_view compressor = factsOf(compression).vtkCompressor; !compressor.empty())
    start.append(" compressor=\"").append(compressor).append("\"");
  header.line(start + ">");
  header.line("  <UnstructuredGrid>");
  header.line("    <Piece NumberOfPoints=\"" + std::to_string(zone.nodeCount) + "\" NumberOfCells=\"" +
              std::to_string(cellCount) + "\">");
  // The legacy file's first scalar field and its vectors are the ones a
  // reader shows first; here they are named so.
  std::string pointData = "      <PointData";
  if (!roles.scalars.empty())
    pointData += " Scalars=\"" + arrayName(zone, roles.scalars.front()) + "\"";
  if (roles.hasVelocity)
    pointData += " Vectors=\"velocity\"";
  header.line(pointData + ">");
  for (int variable : roles.scalars)
    header.array("type=\"Float64\" " + nameAttribute(zone, variable));
  if (roles.hasVelocity)
    header.array("type=\"Float64\" Name=\"velocity\" NumberOfComponents=\"3\"");
  header.line("      </PointData>");
  header.line("      <CellData>");
  for (int variable : roles.cellScalars)
    header.array("type=\"Float64\" " + nameAttribute(zone, variable));
  header.line("      </CellData>");
  header.line("      <Points>");
  header.array("type=\"Float64\" Name=\"Points\" NumberOfComponents=\"3\"");
  header.line("      </Points>");
  header.line("      <Cells>");
  // Node indices below 2^31 (a zone's node count is a 32-bit number) as
  // 32-bit integers, which VTK's reader widens as it reads them: half the
  // bytes to compress of the largest array.
  header.array("type=\"Int32\" Name=\"connectivity\"");
  header.array("type=\"Int64\" Name=\"offsets\"");
  header.array("type=\"UInt8\" Name=\"types\"");
  header.line("      </Cells>");
  header.line("    </Piece>");
  header.line("  </UnstructuredGrid>");
  header.line("  <AppendedData encoding=\"raw\">");
  return header;
}

void writeCells(ArrayWriter &arrays, const ZoneRecord &zone, std::size_t cellCount,
                std::array<RepeatedBlocks, 3> &repeated) {
  const ElementTable &cells = zone.elementNodes;
  if (zone.elementCount <= 0) {
    // A zone without elements: every node a vertex cell.
    arrays.integers(cellCount, 4, [&](CompressedArray &out) {
      for (std::size_t node = 0; node < cellCount; ++node)
        out.append(static_cast<std::int32_t>(node));
    });
    arrays.integers(cellCount, 8, [&](CompressedArray &out) {
      for (std::size_t node = 0; node < cellCount; ++node)
        out.append(static_cast<std::int64_t>(node + 1));
    });
    arrays.integers(cellCount, 1, [&](CompressedArray &out) {
      for (std::size_t node = 0; node < cellCount; ++node)
        out.append(factsOf(CellKind::Vertex).vtkType);
    });
    return;
  }
  // Cells made from an ordered zone's grid are not kept: they take no
  // memory but while they are written.
  const bool listed = zone.zoneType != "ORDERED";
  // Every node number is within 1..nodeCount (checked before writing).
  arrays.integers(cells.cornerCount(), 4, [&](CompressedArray &out) {
    CellCorners room;
    for (std::size_t element = 0; element < cellCount; ++element) {
      const std::int32_t *nodes = cells.nodes(element, room);
      for (std::size_t k = 0; k < cells.nodeCount(element); ++k)
        out.append(nodes[k] - 1);
    }
  }, listed ? &repeated[0] : nullptr);
  arrays.integers(cellCount, 8, [&](CompressedArray &out) {
    std::int64_t end = 0;
    for (std::size_t element = 0; element < cellCount; ++element)
      out.append(end += static_cast<std::int64_t>(cells.nodeCount(element)));
  }, listed ? &repeated[1] : nullptr);
  arrays.integers(cellCount, 1, [&](CompressedArray &out) {
    for (std::size_t element = 0; element < cellCount; ++element)
      out.append(factsOf(cells.kind(element)).vtkType);
  }, listed ? &repeated[2] : nullptr);
}

} // namespace

int writeVtu(int descriptor, const ZoneRecord &zone, const VariableRoles &roles, VtuWriterMemory &memory) {
  const auto nodes = static_cast<std::size_t>(zone.nodeCount);
  const std::size_t cellCount = zone.elementCount > 0 ? static_cast<std::size_t>(zone.elementCount) : nodes;
  Header header = headerOf(zone, roles, cellCount, memory.compressor.compression());
  OutputBuffer out(descriptor);
  // Room for the header; the marker "_" is the last byte before the data.
  out.append(std::string(header.text().size(), ' '));
  out.append("   _");
  const std::uint64_t dataStart = out.position();

  ArrayWriter arrays(descriptor, out, header, dataStart, zone, roles, memory.compressor);
  for (int variable : roles.scalars)
    arrays.values(nodes, {variable});
  if (roles.hasVelocity)
    arrays.values(nodes, {roles.vx, roles.vy, roles.vz});
  for (int variable : roles.cellScalars)
    arrays.values(cellCount, {variable});
  arrays.values(nodes, {roles.x, roles.y, roles.z});
  writeCells(arrays, zone, cellCount, memory.cells);
  out.append("\n  </AppendedData>\n</VTKFile>\n");
  out.flush();
  if (arrays.error() != 0)
    return arrays.error();
  if (!out.ok())
    return out.error();
  return writeAllAt(descriptor, header.text(), 0);
}

} // namespace zonvert
