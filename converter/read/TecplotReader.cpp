#include "read/TecplotReader.h"

#include "base/ConversionFailure.h"
#include "base/TextScan.h"
#include "read/CellShapes.h"
#include "read/FileRecords.h"
#include "read/NodeNumberLine.h"
#include "read/NodeValueLines.h"
#include "read/TecplotSyntax.h"
#include "read/TecplotTokens.h"
#include "read/ZoneHeader.h"

#include <climits>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace zonvert {

namespace {

std::string_view firstItem(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size() && (isValueSeparator(text[start]) || isScanSpace(text[start])))
    ++start;
  std::size_t end = start;
  while (end < text.size() && !isValueSeparator(text[end]))
    ++end;
  return text.substr(start, end - start);
}

[[noreturn]] void refuseCutValues(const ZoneRecord &zone, DataLayout layout) {
  const NodeValueTable &values = zone.nodeValues;
  if (layout == DataLayout::Point || values.variableCount() == 0)
    throw formattedFailure("ERROR IN ZONE %d: THE FILE ENDS AFTER %zu OF %d NODE LINES\n", zone.zoneNumber,
                           values.variableCount() == 0 ? values.valuesHeld() : values.valuesHeld() / values.variableCount(),
                           zone.nodeCount);
  throw formattedFailure("ERROR IN ZONE %d: THE FILE ENDS AFTER %zu OF %zu BLOCK VALUES\n", zone.zoneNumber,
                         values.valuesHeld(), values.valuesWanted());
}

// A zone without variables has no values to count: each node is one line.
void readNodesWithoutVariables(TecplotInput &input, const ZoneRecord &zone) {
  std::string_view line;
  for (int node = 0; node < zone.nodeCount;) {
    if (!input.nextLine(line))
      throw formattedFailure("ERROR IN ZONE %d: THE FILE ENDS AFTER %d OF %d NODE LINES\n", zone.zoneNumber, node,
                             zone.nodeCount);
    if (!isBlankOrComment(line))
      ++node;
  }
}

// Reads `count` more values from the input into the zone's value table.
void readValues(TecplotInput &input, NodeValueReader &reader, const ZoneRecord &zone, DataLayout layout,
                std::size_t count) {
  const NodeValueTable &values = zone.nodeValues;
  const std::size_t target = values.valuesHeld() + count;
  const bool wholeZone = count == values.valuesWanted();
  std::string_view line;
  while (values.valuesHeld() < target) {
    // Node lines of one node each, as result files are written: taken
    // straight from the read block.
    if (wholeZone)
      input.skipRead(reader.appendWholeLines(input.unreadBlock()));
    if (values.valuesHeld() == target)
      break;
    if (!input.nextLine(line))
      refuseCutValues(zone, layout);
    if (isBlankOrComment(line))
      continue;
    const std::size_t taken = reader.appendValues(line, wholeZone ? SIZE_MAX : target - values.valuesHeld());
    if (taken == line.size())
      continue;
    const std::string_view rest = line.substr(taken);
    if (values.valuesHeld() < target) {
      const std::string_view item = firstItem(rest);
      throw formattedFailure("ERROR IN ZONE %d: \"%.*s\" AFTER %zu OF %zu VALUES IS NOT A VALUE OF THE ZONE\n",
                             zone.zoneNumber, quotedLength(item), item.data(), values.valuesHeld(),
                             values.valuesWanted());
    }
    input.keepRest(rest);
  }
}

// Takes the next values, up to `most`, from an earlier zone's column: one
// value held on its own, or as many of a run as there are, still a run.
// Returns how many.
std::size_t appendShared(NodeValueReader &reader, ValueColumn::Cursor &shared, std::size_t most) {
  const ValueColumn::Cursor::Taken taken = shared.take(most);
  if (taken.ofRun)
    reader.appendRepeated(taken.text, taken.count);
  else
    reader.appendValue(taken.text);
  return taken.count;
}

// Values of variables shared with an earlier zone are taken from it, in the
// order the zone's own values would stand; the others are read.
void readValuesWithShared(TecplotInput &input, NodeValueReader &reader, const ZoneRecord &zone, const ZoneShape &shape,
                          const ZoneRecord &source) {
  const NodeValueTable &values = zone.nodeValues;
  const std::size_t variables = values.variableCount();
  auto isShared = [&](std::size_t variable) { return shape.sharedFrom[variable] >= 0; };
  std::vector<ValueColumn::Cursor> sharedValues;
  for (std::size_t variable = 0; variable < variables; ++variable)
    sharedValues.emplace_back(source.nodeValues.column(isShared(variable) ? variable : 0));
  if (shape.layout == DataLayout::Block) {
    for (std::size_t variable = 0; variable < variables; ++variable) {
      const auto count = static_cast<std::size_t>(values.isCellCentred(variable) ? zone.elementCount : zone.nodeCount);
      if (!isShared(variable))
        readValues(input, reader, zone, shape.layout, count);
      else
        for (std::size_t item = 0; item < count;)
          item += appendShared(reader, sharedValues[variable], count - item);
    }
    return;
  }
  for (std::size_t node = 0; node < static_cast<std::size_t>(zone.nodeCount); ++node)
    for (std::size_t variable = 0; variable < variables;) {
      std::size_t run = variable;
      while (run < variables && !isShared(run))
        ++run;
      if (run > variable) {
        readValues(input, reader, zone, shape.layout, run - variable);
        variable = run;
      } else {
        appendShared(reader, sharedValues[variable++], 1);
      }
    }
}

// Empties the zone's value table for the values its header describes.
void resetNodeValues(ZoneRecord &zone, const ZoneShape &shape) {
  NodeValueTable &values = zone.nodeValues;
  if (!shape.cellCentred.empty())
    values.resetBlocks(static_cast<std::size_t>(zone.nodeCount), static_cast<std::size_t>(zone.elementCount),
                       shape.cellCentred);
  else
    values.reset(static_cast<std::size_t>(zone.nodeCount), zone.variableNames.size(),
                 shape.layout == DataLayout::Point ? NodeValueTable::Order::ByNode : NodeValueTable::Order::ByVariable);
}

// Reads the values into the table resetNodeValues prepared.
void readNodeValues(TecplotInput &input, ZoneRecord &zone, const ZoneShape &shape, const ZoneRecord *source) {
  const NodeValueTable &values = zone.nodeValues;
  if (values.variableCount() == 0)
    return readNodesWithoutVariables(input, zone);
  NodeValueReader reader(zone.nodeValues);
  if (shape.sharedFrom.empty())
    readValues(input, reader, zone, shape.layout, values.valuesWanted());
  else
    readValuesWithShared(input, reader, zone, shape, *source);
}

[[noreturn]] void refuseZoneWithoutNodeCount(const ZoneRecord &zone, const char *why) {
  throw formattedFailure("ERROR IN ZONE %d: THE ZONE GIVES NO NODE COUNT (I=), %s\n", zone.zoneNumber, why);
}

// An ordered zone that gives no count: its points are its data lines, one
// point per line, up to the next line that holds no data (a record, or the
// end of the file).
void readNodesByLine(TecplotInput &input, ZoneRecord &zone, const ZoneShape &shape) {
  if (shape.layout == DataLayout::Block)
    refuseZoneWithoutNodeCount(zone, "WHICH ITS DATA IN BLOCK LAYOUT NEEDS");
  if (!shape.sharedFrom.empty())
    refuseZoneWithoutNodeCount(zone, "WHICH DATA SHARED WITH ANOTHER ZONE NEEDS");
  NodeValueTable &values = zone.nodeValues;
  const std::size_t variables = zone.variableNames.size();
  values.reset(INT_MAX, variables, NodeValueTable::Order::ByNode);
  NodeValueReader reader(values);
  std::size_t nodes = 0;
  std::string_view line;
  while (input.nextLine(line)) {
    if (isBlankOrComment(line))
      continue;
    if (!isDataWord(firstItem(line))) {
      input.keepRest(line);
      break;
    }
    if (nodes == INT_MAX)
      throw formattedFailure("ERROR IN ZONE %d: I= VALUE OUT OF RANGE\n", zone.zoneNumber);
    ++nodes;
    if (variables == 0)
      continue;
    const std::size_t held = values.valuesHeld();
    const std::size_t taken = reader.appendValues(line);
    const bool onePoint = values.valuesHeld() == held + variables && firstItem(line.substr(taken)).empty();
    if (!onePoint) {
      const std::string why = formattedText("AND ITS DATA IS NOT ONE POINT OF %zu VALUES PER LINE: LINE %zu OF IT "
                                            "HOLDS \"%.*s\"",
                                            variables, nodes, quotedLength(line), line.data());
      refuseZoneWithoutNodeCount(zone, why.c_str());
    }
  }
  values.endAfter(nodes);
  zone.nodeCount = static_cast<int>(nodes);
}

// The element type of a finite-element zone that names none and inherits
// none: the one whose elements have as many node numbers as its first
// element line holds. The line stays to be read.
ElementType elementTypeOfFirstElementLine(TecplotInput &input, const ZoneRecord &zone) {
  std::string_view line;
  do {
    if (!input.nextLine(line))
      throw formattedFailure("ERROR IN ZONE %d: THE FILE ENDS AFTER 0 OF %d ELEMENT LINES\n", zone.zoneNumber,
                             zone.elementCount);
  } while (isBlankOrComment(line));
  input.keepRest(line);
  std::size_t numbers = 0;
  for (std::string_view rest = line; !firstItem(rest).empty(); ++numbers) {
    const std::string_view item = firstItem(rest);
    rest = rest.substr(static_cast<std::size_t>(item.data() + item.size() - rest.data()));
  }
  for (const ElementType type :
       {ElementType::LineSegment, ElementType::Triangle, ElementType::Quadrilateral, ElementType::Brick})
    if (static_cast<std::size_t>(cornersOf(type)) == numbers)
      return type;
  throw formattedFailure("ERROR IN ZONE %d: THE ZONE NAMES NO ELEMENT TYPE (ET=), AND ITS FIRST ELEMENT LINE HOLDS %zu "
                         "NODE NUMBERS, NOT 2, 3, 4 OR 8: \"%.*s\"\n",
                         zone.zoneNumber, numbers, quotedLength(line), line.data());
}

void noteZoneStart(TecplotFile &file, const TecplotInput::Position &position, int zoneNumber) {
  auto names = file.zoneStarts.empty() ? nullptr : file.zoneStarts.back().variableNames;
  if (!names || *names != file.variableNames)
    names = std::make_shared<const std::vector<std::string>>(file.variableNames);
  file.zoneStarts.push_back({position, std::move(names), file.elementType, zoneNumber, std::nullopt});
}

[[noreturn]] void refusePipe(const ZoneRecord &zone, int source) {
  throw formattedFailure("ERROR IN ZONE %d: TAKING DATA FROM ZONE %d NEEDS A TECPLOT FILE THAT CAN BE READ AGAIN, "
                         "NOT A PIPE\n",
                         zone.zoneNumber, source);
}

// The first zone that takes data from an earlier one: the file is read
// again from its start up to this zone, noting where each zone starts; from
// now on every zone's start is noted as it is read.
void keepZoneStarts(TecplotFile &file, const ZoneRecord &zone, int source) {
  const TecplotInput::Position back = file.input.position();
  if (!file.input.seek({}))
    refusePipe(zone, source);
  std::vector<std::string> names = std::exchange(file.variableNames, {});
  const ElementType elementType = std::exchange(file.elementType, ElementType::None);
  const int nextZoneNumber = std::exchange(file.nextZoneNumber, 0);
  const auto unconfirmedEnd = std::exchange(file.unconfirmedEnd, std::nullopt);
  file.keepingZoneStarts = true;
  try {
    ZoneRecord earlier;
    while (file.nextZoneNumber <= zone.zoneNumber && readZone(file, earlier)) {
    }
  } catch (...) {
    file.keepingZoneStarts = false;
    file.zoneStarts.clear();
    throw;
  }
  file.input.seek(back);
  file.variableNames = std::move(names);
  file.elementType = elementType;
  file.nextZoneNumber = nextZoneNumber;
  file.unconfirmedEnd = unconfirmedEnd;
}

// The earlier zone that a zone takes variables or connectivity from: read
// again from where it starts, with what was in force there, then kept,
// since the zones after it mostly take from the same one.
const TecplotFile::SharedZone &sharedSource(TecplotFile &file, int source, const ZoneRecord &zone) {
  if (file.shared.number == source)
    return file.shared;
  if (!file.keepingZoneStarts)
    keepZoneStarts(file, zone, source);
  const TecplotInput::Position back = file.input.position();
  const ReadingPoint start = file.zoneStarts[static_cast<std::size_t>(source)];
  if (!file.input.seek(start.position))
    refusePipe(zone, source);
  std::vector<std::string> names = std::exchange(file.variableNames, *start.variableNames);
  const ElementType elementType = std::exchange(file.elementType, start.elementType);
  const int nextZoneNumber = std::exchange(file.nextZoneNumber, source);
  const auto unconfirmedEnd = std::exchange(file.unconfirmedEnd, std::nullopt);
  // It may take from a zone before it in turn: from the one kept, when a
  // series takes each zone's grid from the zone just before. A zone that
  // holds no nodes is read as one (and then fits no zone that does).
  ZoneRecord earlier;
  const ZoneRead read = readOneZone(file, earlier);
  const ElementType earlierType = file.elementType;
  file.input.seek(back);
  file.variableNames = std::move(names);
  file.elementType = elementType;
  file.nextZoneNumber = nextZoneNumber;
  file.unconfirmedEnd = unconfirmedEnd;
  if (read == ZoneRead::End)
    throw formattedFailure("ERROR IN ZONE %d: ZONE %d CANNOT BE READ AGAIN\n", zone.zoneNumber, source);
  file.shared = {source, std::move(earlier), earlierType};
  return file.shared;
}

// The one earlier zone the zone shares with, after checking that what it
// takes fits; null when it shares nothing.
const TecplotFile::SharedZone *sourceOfSharedData(TecplotFile &file, const ZoneRecord &zone, const ZoneShape &shape) {
  int source = shape.ordered ? -1 : shape.connectivityFrom;
  for (int from : shape.sharedFrom)
    if (from >= 0 && source >= 0 && from != source)
      throw formattedFailure("ERROR IN ZONE %d: DATA SHARED WITH MORE THAN ONE EARLIER ZONE IS NOT SUPPORTED\n",
                             zone.zoneNumber);
    else if (from >= 0)
      source = from;
  if (source < 0)
    return nullptr;
  const TecplotFile::SharedZone &shared = sharedSource(file, source, zone);
  const ZoneRecord &earlier = shared.record;
  const bool sharesElements = !shape.ordered && shape.connectivityFrom >= 0;
  if (earlier.nodeCount != zone.nodeCount || earlier.variableNames.size() < shape.sharedFrom.size() ||
      (sharesElements && earlier.elementCount != zone.elementCount))
    throw formattedFailure("ERROR IN ZONE %d: SHARES DATA WITH ZONE %d OF %d NODES AND %d ELEMENTS, NOT %d AND %d\n",
                           zone.zoneNumber, source, earlier.nodeCount, earlier.elementCount, zone.nodeCount,
                           zone.elementCount);
  for (std::size_t variable = 0; variable < shape.sharedFrom.size(); ++variable)
    if (shape.sharedFrom[variable] >= 0 &&
        (earlier.nodeValues.isCellCentred(variable) != zone.nodeValues.isCellCentred(variable) ||
         (zone.nodeValues.isCellCentred(variable) && earlier.elementCount != zone.elementCount)))
      throw formattedFailure("ERROR IN ZONE %d: VARIABLE %zu SHARED WITH ZONE %d IS NOT LOCATED ALIKE THERE\n",
                             zone.zoneNumber, variable + 1, source);
  return &shared;
}

// Reads the node number that starts at `pos`: an optional sign and digits up
// to a separator or the end of the line, within 32 bits. On success `pos`
// is moved past it. (Element lists run through here hundreds of millions of
// times in a large file: one pass, no copies.)
bool takeNodeNumber(std::string_view line, std::size_t &pos, std::int64_t &number) {
  std::size_t at = pos;
  const bool negative = line[at] == '-';
  if (negative || line[at] == '+')
    ++at;
  const std::size_t digitsStart = at;
  std::int64_t value = 0;
  for (; at < line.size() && line[at] >= '0' && line[at] <= '9'; ++at) {
    value = value * 10 + (line[at] - '0');
    if (value > std::int64_t{INT_MAX} + 1)
      return false;
  }
  if (at == digitsStart || (at < line.size() && !isValueSeparator(line[at])))
    return false;
  value = negative ? -value : value;
  if (value > INT_MAX)
    return false;
  number = value;
  pos = at;
  return true;
}

void readElements(TecplotInput &input, ElementType type, ZoneRecord &zone) {
  const int corners = cornersOf(type);
  std::int32_t numbers[8];
  int have = 0;
  int read = 0;
  zone.elementNodes.reserve(static_cast<std::size_t>(zone.elementCount), static_cast<std::size_t>(corners));
  const auto addElement = [&] {
    if (const CellKind plain = plainCellKind(type, numbers); plain != CellKind::None) [[likely]] {
      zone.elementNodes.append(plain, numbers, static_cast<std::size_t>(corners));
    } else {
      const Cell cell = cellOfElement(type, numbers);
      zone.elementNodes.append(cell.kind, cell.nodes.data(), static_cast<std::size_t>(cell.count));
    }
    ++read;
  };
  std::string_view line;
  while (read < zone.elementCount) {
    // Elements on lines of their own, as result files are written: taken
    // straight from the read block.
    if (have == 0) {
      const std::string_view block = input.unreadBlock();
      std::size_t used = 0;
      while (read < zone.elementCount && readPlainNumberLineAt(block, used, corners, numbers))
        addElement();
      input.skipRead(used);
      if (read == zone.elementCount)
        break;
    }
    if (!input.nextLine(line))
      throw formattedFailure("ERROR IN ZONE %d: THE FILE ENDS AFTER %d OF %d ELEMENT LINES\n", zone.zoneNumber, read,
                             zone.elementCount);
    // An element on a line of its own, as result files are written.
    if (have == 0 && readPlainNumberLine(line, corners, numbers)) {
      addElement();
      continue;
    }
    if (isBlankOrComment(line))
      continue;
    std::size_t pos = 0;
    while (read < zone.elementCount) {
      while (pos < line.size() && isValueSeparator(line[pos]))
        ++pos;
      if (pos == line.size())
        break;
      std::size_t end = pos;
      std::int64_t number = 0;
      if (!takeNodeNumber(line, end, number)) {
        while (end < line.size() && !isValueSeparator(line[end]))
          ++end;
        const std::string_view token = line.substr(pos, end - pos);
        throw formattedFailure("ERROR IN ZONE %d, ELEMENT %d: \"%.*s\" IS NOT A NODE NUMBER\n", zone.zoneNumber,
                               read + 1, quotedLength(token), token.data());
      }
      numbers[have++] = static_cast<std::int32_t>(number);
      if (have == corners) {
        addElement();
        have = 0;
      }
      pos = end;
    }
    if (pos < line.size())
      input.keepRest(line.substr(pos));
  }
}

// More numbers after a zone's data than its counts take mean the counts or
// the element type do not describe the data: nothing of it can be trusted.
// True when nothing but blank lines follows up to the end of the file. With
// `atEndSoFar`, a followed file's data written so far may end first: it is
// set, and what follows is looked at once more has come.
bool refuseDataBeyondZone(TecplotInput &input, const UnconfirmedZoneEnd &zone, bool *atEndSoFar = nullptr) {
  std::string_view line;
  bool onlyBlank = true;
  for (;;) {
    if (atEndSoFar && (*atEndSoFar = input.wouldWait()))
      return false;
    if (!input.nextLine(line))
      return onlyBlank;
    if (isBlankOrComment(line)) {
      onlyBlank = onlyBlank && line.find('#') == std::string_view::npos;
      continue;
    }
    const std::string_view item = firstItem(line);
    if (isDataWord(item))
      throw formattedFailure("ERROR IN ZONE %d: DATA BEYOND ITS %d NODES AND %d ELEMENTS: \"%.*s\"\n", zone.zoneNumber,
                             zone.nodeCount, zone.elementCount, quotedLength(item), item.data());
    input.keepRest(line);
    return false;
  }
}

// A file still being written (or cut short) may end in the middle of the
// zone's last number: "3.25E+0" of "3.25E+01". Files without a final line
// end are common enough that such a zone is converted, with a warning.
void noteCutLastNumber(const TecplotInput &input, ZoneRecord &zone) {
  const std::string_view last = input.unendedLastLine();
  if (last.empty() || isValueSeparator(last.back()) || isScanSpace(last.back()))
    return;
  std::size_t start = last.size();
  while (start > 0 && !isValueSeparator(last[start - 1]) && !isScanSpace(last[start - 1]))
    --start;
  const std::string_view number = last.substr(start);
  zone.warnings.push_back(formattedText("WARNING IN ZONE %d: THE FILE ENDS WITHOUT A LINE END RIGHT AFTER ITS LAST "
                                        "NUMBER \"%.*s\"; A FILE STILL BEING WRITTEN MAY HAVE ITS LAST VALUE CUT "
                                        "(--follow WAITS FOR THE REST)\n",
                                        zone.zoneNumber, quotedLength(number), number.data()));
}

// A zone without a positive node count holds nothing to read. It is an
// empty zone where a record or the end of the file follows; data after it
// is an error.
void refuseDataOfZoneWithoutNodes(TecplotInput &input, const ZoneRecord &zone) {
  std::string_view line;
  while (input.nextLine(line)) {
    if (isBlankOrComment(line))
      continue;
    if (recordKindOf(firstItem(line)) == RecordKind::None)
      throw formattedFailure("ERROR IN ZONE %d: NODE LINES FOLLOW A ZONE LINE WITHOUT A POSITIVE NODE COUNT (N=%d)\n",
                             zone.zoneNumber, zone.nodeCount);
    input.keepRest(line);
    return;
  }
}

// The zone's header, from the records before it on: where it starts, what
// its keys say. False at the end of the file.
bool readZoneStart(TecplotFile &file, ZoneRecord &zone, ZoneShape &shape) {
  TokenCursor cursor(file.input);
  TecplotInput::Position zoneStart;
  for (;;) {
    const ZoneStart start = readRecordsBeforeZone(cursor, file.variableNames, zoneStart);
    if (start == ZoneStart::None)
      return false;
    zone.variableNames = file.variableNames;
    zone.zoneNumber = file.nextZoneNumber;
    if (start == ZoneStart::Data) {
      cursor.handBack();
      shape = ZoneShape{};
      shape.ordered = true;
      shape.nodesByLine = true;
      shape.elementType = file.elementType;
      break;
    }
    if (std::optional<ZoneShape> header =
            readZoneHeader(cursor, file.elementType, zone, start == ZoneStart::Keys)) {
      shape = std::move(*header);
      break;
    }
    // Keys that no data follows: a header line of no zone, read past.
    clearZone(zone);
  }
  ++file.nextZoneNumber;
  // Every zone has its start noted, an empty one too: the starts are
  // found by the zone numbers in the file.
  if (file.keepingZoneStarts && static_cast<std::size_t>(zone.zoneNumber) == file.zoneStarts.size())
    noteZoneStart(file, zoneStart, zone.zoneNumber);
  return true;
}

// The cells of a zone whose values are read: generated for an ordered
// zone, taken from the zone it shares them with, or read. Returns the
// element type they are of.
ElementType readCells(TecplotInput &input, ZoneRecord &zone, const ZoneShape &shape,
                      const TecplotFile::SharedZone *source) {
  ElementType elementType = shape.elementType;
  if (shape.ordered) {
    setOrderedCells(shape.i, shape.j, shape.k, zone.elementNodes);
  } else if (source && shape.connectivityFrom >= 0) {
    zone.elementNodes = source->record.elementNodes;
    elementType = source->elementType;
  } else if (zone.elementCount > 0) {
    if (elementType == ElementType::None)
      elementType = elementTypeOfFirstElementLine(input, zone);
    readElements(input, elementType, zone);
  }
  return elementType;
}

std::string zoneTypeOf(const ZoneShape &shape, ElementType elementType) {
  return shape.ordered ? "ORDERED" : zoneTypeName(elementType);
}

// A zone large enough for its data to be read apart: what it takes of the
// file is about this many bytes or more.
constexpr std::uint64_t kLeastBytesApart = std::uint64_t{256} << 10;

// Whether the zone's data can be read apart, on another thread: it is
// large, it needs nothing of the file but its header (no data shared with
// another zone, an element type known before its first element line), and
// its end is told by the file as written, not by a file followed while
// written.
bool canReadApart(const TecplotFile &file, const ZoneRecord &zone, const ZoneShape &shape) {
  if (shape.nodesByLine || zone.nodeCount <= 0 || !shape.sharedFrom.empty() || file.unconfirmedEnd)
    return false;
  if (!shape.ordered && (shape.connectivityFrom >= 0 || (shape.elementType == ElementType::None && zone.elementCount > 0)))
    return false;
  const std::uint64_t values = static_cast<std::uint64_t>(zone.nodeCount) * zone.variableNames.size();
  const std::uint64_t numbers =
      shape.ordered ? 0 : static_cast<std::uint64_t>(std::max(zone.elementCount, 0)) * 2;
  return 8 * values + 4 * numbers >= kLeastBytesApart;
}

// Where a zone's data ends for certain: at a line that is neither blank, nor
// a comment, nor begun by a number. (Reading the data by its counts tells
// whether it ends there.)
bool endsZoneData(std::string_view line) { return !isBlankOrComment(line) && !isDataWord(firstItem(line)); }

ZoneRead readZoneOfInput(TecplotFile &file, ZoneRecord &zone, ZoneApart *apart) {
  if (file.unconfirmedEnd)
    refuseDataBeyondZone(file.input, *std::exchange(file.unconfirmedEnd, std::nullopt));
  clearZone(zone);
  if (apart) {
    apart->held = false;
    apart->data.reset();
  }
  ZoneShape shape;
  if (!readZoneStart(file, zone, shape))
    return ZoneRead::End;
  if (apart && canReadApart(file, zone, shape)) {
    file.input.seek(file.input.position());
    apart->start = file.input.position();
    apart->data = file.input.readerFrom(apart->start.offset);
  }
  if (apart && apart->data) {
    apart->held = true;
    apart->shape = shape;
    zone.zoneType = zoneTypeOf(shape, shape.elementType);
    file.elementType = shape.elementType;
    return ZoneRead::Zone;
  }
  const TecplotFile::SharedZone *source = nullptr;
  if (shape.nodesByLine) {
    readNodesByLine(file.input, zone, shape);
  } else if (zone.nodeCount > 0) {
    // The value table tells which variables are cell-centred before the
    // earlier zone is compared with it.
    resetNodeValues(zone, shape);
    source = sourceOfSharedData(file, zone, shape);
    readNodeValues(file.input, zone, shape, source ? &source->record : nullptr);
  }
  if (zone.nodeCount <= 0) {
    refuseDataOfZoneWithoutNodes(file.input, zone);
    return ZoneRead::Empty;
  }
  const ElementType elementType = readCells(file.input, zone, shape, source);
  zone.zoneType = zoneTypeOf(shape, elementType);
  const UnconfirmedZoneEnd end{zone.zoneNumber, zone.nodeCount, zone.elementCount};
  bool atEndSoFar = false;
  if (refuseDataBeyondZone(file.input, end, &atEndSoFar))
    noteCutLastNumber(file.input, zone);
  if (atEndSoFar)
    file.unconfirmedEnd = end;
  file.elementType = elementType;
  return ZoneRead::Zone;
}

} // namespace

// A compressed stream found corrupt or cut short names the zone it was read
// in, or, between zones, the zone before.
ZoneRead readOneZone(TecplotFile &file, ZoneRecord &zone, ZoneApart *apart) {
  const int zoneNumber = file.nextZoneNumber;
  try {
    return readZoneOfInput(file, zone, apart);
  } catch (const StreamFailure &failure) {
    if (file.nextZoneNumber == zoneNumber && zoneNumber > 0)
      throw formattedFailure("ERROR AFTER ZONE %d: %s", zoneNumber - 1, failure.message.c_str());
    throw formattedFailure("ERROR IN ZONE %d: %s", zoneNumber, failure.message.c_str());
  }
}

bool readZone(TecplotFile &file, ZoneRecord &zone, ZoneApart *apart) {
  for (;;) {
    switch (readOneZone(file, zone, apart)) {
    case ZoneRead::Zone:
      return true;
    case ZoneRead::End:
      return false;
    case ZoneRead::Empty:
      break; // no nodes: no zone to convert, the next one keeps its number
    }
  }
}

std::uint64_t findZoneApartEnd(TecplotFile &file, const ZoneRecord &zone) {
  const TecplotInput::Position start = file.input.position();
  // A zone of the counts of the zone read apart before takes about as
  // many bytes (its values' texts may be shorter: fewer signs, say): its
  // end is looked for from seven eighths of them on. Where it ends
  // before, reading it apart tells, and it is read in the file.
  TecplotFile::ReadApart &last = file.lastReadApart;
  const std::uint64_t skip = last.nodeCount == zone.nodeCount && last.elementCount == zone.elementCount &&
                                     last.variableCount == zone.variableNames.size()
                                 ? last.bytes / 8 * 7
                                 : 0;
  const bool skipped = skip >= kLeastBytesApart && file.input.seek({start.offset + skip, false});
  const std::uint64_t end = file.input.skipLinesUntil(endsZoneData, skipped);
  last = {zone.nodeCount, zone.elementCount, zone.variableNames.size(), end - start.offset};
  return end;
}

std::uint64_t readZoneApart(const ZoneRecord &header, const ZoneApart &apart, ZoneRecord &zone) {
  clearZone(zone);
  copyZoneHeader(header, zone);
  // A smaller read block than the file's: one per thread.
  TecplotInput input(*apart.data, TecplotInput::kBlockBytes / 4);
  input.seek(apart.start);
  resetNodeValues(zone, apart.shape);
  readNodeValues(input, zone, apart.shape, nullptr);
  readCells(input, zone, apart.shape, nullptr);
  if (refuseDataBeyondZone(input, {zone.zoneNumber, zone.nodeCount, zone.elementCount}))
    noteCutLastNumber(input, zone);
  return input.position().offset;
}

ReadingPoint readingPoint(const TecplotFile &file, const ReadingPoint *earlier) {
  auto names = earlier ? earlier->variableNames : nullptr;
  if (!names || *names != file.variableNames)
    names = std::make_shared<const std::vector<std::string>>(file.variableNames);
  return {file.input.position(), std::move(names), file.elementType, file.nextZoneNumber, file.unconfirmedEnd};
}

bool returnTo(TecplotFile &file, const ReadingPoint &point) {
  if (!file.input.seek(point.position))
    return false;
  file.variableNames = *point.variableNames;
  file.elementType = point.elementType;
  file.nextZoneNumber = point.zoneNumber;
  file.unconfirmedEnd = point.unconfirmedEnd;
  return true;
}

} // namespace zonvert
