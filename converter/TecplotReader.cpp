#include "TecplotReader.h"

#include "CellShapes.h"
#include "ConversionFailure.h"
#include "LineOps.h"
#include "TecplotTokens.h"
#include "ZoneHeader.h"

#include <climits>
#include <string>

namespace zonvert {

namespace {

// How much of an input token a message quotes: enough to find it, never a
// whole line of megabytes.
int quotedLength(std::string_view token) {
  constexpr std::size_t kMaxQuoted = 80;
  return static_cast<int>(token.size() < kMaxQuoted ? token.size() : kMaxQuoted);
}

std::string_view firstItem(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size() && (isValueSeparator(text[start]) || isScanSpace(text[start])))
    ++start;
  std::size_t end = start;
  while (end < text.size() && !isValueSeparator(text[end]))
    ++end;
  return text.substr(start, end - start);
}

// VARIABLES = names: quoted or not, separated by commas, blanks or nothing
// ("X""Y"). Quoted names may go on over the following lines; unquoted ones
// when a line ends with a comma.
void readVariables(TokenCursor &cursor, std::vector<std::string> &names) {
  names.clear();
  if (cursor.peek().kind == TokenKind::Equals)
    cursor.take();
  bool mayContinue = true; // a following line may hold unquoted names
  for (;;) {
    const Token &token = cursor.peek();
    const bool quoted = token.kind == TokenKind::Quoted;
    const bool word = token.kind == TokenKind::Word &&
                      (!token.startsLine || (mayContinue && !isNumberStart(token.text[0]) &&
                                             recordKindOf(token.text) == RecordKind::None));
    if (!quoted && !word)
      return;
    names.emplace_back(cursor.take().text);
    const std::string_view rest = cursor.restOfLine();
    mayContinue = rest.find_first_not_of(" \t,\v\f") == std::string_view::npos && rest.find(',') != rest.npos;
  }
}

// TITLE = "text"; an unquoted title runs to the end of its line.
void skipTitle(TokenCursor &cursor) {
  if (cursor.peek().kind == TokenKind::Equals)
    cursor.take();
  if (cursor.peek().kind == TokenKind::Quoted)
    cursor.take();
  else
    cursor.dropLine();
}

// FILETYPE = FULL, GRID or SOLUTION: the variables tell what a file holds.
void skipFileType(TokenCursor &cursor) {
  if (cursor.peek().kind == TokenKind::Equals)
    cursor.take();
  if (cursor.peek().kind == TokenKind::Word)
    cursor.take();
}

// TEXT, GEOMETRY and CUSTOMLABELS records, with the data that follows a
// GEOMETRY record, run up to the next line that starts a record.
void skipToNextRecord(TokenCursor &cursor) {
  cursor.dropLine();
  for (;;) {
    const Token &token = cursor.peek();
    if (token.kind == TokenKind::End ||
        (token.startsLine && token.kind == TokenKind::Word && recordKindOf(token.text) != RecordKind::None))
      return;
    cursor.dropLine();
  }
}

// Reads the records before the next zone. True with the ZONE keyword taken;
// false at the end of the file.
bool readRecordsBeforeZone(TokenCursor &cursor, ZoneRecord &zone) {
  // Lines that are no record are read past where they hold "=", and after a
  // VARIABLES record up to the first zone (as older versions of this reader
  // did); anywhere else they are an error.
  bool afterVariables = false;
  for (;;) {
    const Token &token = cursor.peek();
    if (token.kind == TokenKind::End)
      return false;
    switch (token.kind == TokenKind::Word ? recordKindOf(token.text) : RecordKind::None) {
    case RecordKind::Zone:
      cursor.take();
      return true;
    case RecordKind::Variables:
      cursor.take();
      readVariables(cursor, zone.variableNames);
      afterVariables = true;
      continue;
    case RecordKind::Title:
      cursor.take();
      skipTitle(cursor);
      continue;
    case RecordKind::FileType:
      cursor.take();
      skipFileType(cursor);
      continue;
    case RecordKind::DatasetAuxData:
      cursor.dropLine();
      continue;
    case RecordKind::Text:
    case RecordKind::Geometry:
    case RecordKind::CustomLabels:
      skipToNextRecord(cursor);
      continue;
    case RecordKind::None:
      break;
    }
    if (!afterVariables && !cursor.lineHasEquals())
      throw ConversionFailure("ERROR IN FILE\n");
    cursor.dropLine();
  }
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

void readNodeValues(TecplotInput &input, ZoneRecord &zone, const ZoneShape &shape) {
  const DataLayout layout = shape.layout;
  NodeValueTable &values = zone.nodeValues;
  if (!shape.cellCentred.empty())
    values.resetBlocks(static_cast<std::size_t>(zone.nodeCount), static_cast<std::size_t>(zone.elementCount),
                       shape.cellCentred);
  else
    values.reset(static_cast<std::size_t>(zone.nodeCount), zone.variableNames.size(),
                 layout == DataLayout::Point ? NodeValueTable::Order::ByNode : NodeValueTable::Order::ByVariable);
  if (values.variableCount() == 0)
    return readNodesWithoutVariables(input, zone);
  std::string_view line;
  while (values.valuesHeld() < values.valuesWanted()) {
    if (!input.nextLine(line))
      refuseCutValues(zone, layout);
    if (isBlankOrComment(line))
      continue;
    if (layout == DataLayout::Point && values.openRowBytes() + line.size() > NodeValueTable::kMaxRowBytes)
      throw formattedFailure("ERROR IN ZONE %d, NODE %zu: LINE OF %zu BYTES, MORE THAN THE %zu A NODE MAY HOLD\n",
                             zone.zoneNumber, values.valuesHeld() / values.variableCount() + 1,
                             values.openRowBytes() + line.size(), NodeValueTable::kMaxRowBytes);
    const std::size_t taken = values.appendValues(line);
    if (taken == line.size())
      continue;
    const std::string_view rest = line.substr(taken);
    if (values.valuesHeld() < values.valuesWanted()) {
      const std::string_view item = firstItem(rest);
      throw formattedFailure("ERROR IN ZONE %d: \"%.*s\" AFTER %zu OF %zu VALUES IS NOT A VALUE OF THE ZONE\n",
                             zone.zoneNumber, quotedLength(item), item.data(), values.valuesHeld(),
                             values.valuesWanted());
    }
    input.keepRest(rest);
  }
  values.finish();
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

void readElements(TecplotInput &input, ZoneRecord &zone) {
  const ElementType type = zone.elementType;
  const int corners = cornersOf(type);
  std::int32_t numbers[8];
  int have = 0;
  int read = 0;
  std::string_view line;
  while (read < zone.elementCount) {
    if (!input.nextLine(line))
      throw formattedFailure("ERROR IN ZONE %d: THE FILE ENDS AFTER %d OF %d ELEMENT LINES\n", zone.zoneNumber, read,
                             zone.elementCount);
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
        const Cell cell = cellOfElement(type, numbers);
        zone.elementNodes.append(cell.kind, cell.nodes.data(), static_cast<std::size_t>(cell.count));
        have = 0;
        ++read;
      }
      pos = end;
    }
    if (pos < line.size())
      input.keepRest(line.substr(pos));
  }
}

// More numbers after a zone's data than its counts take mean the counts or
// the element type do not describe the data: nothing of it can be trusted.
void refuseDataBeyondZone(TecplotInput &input, const ZoneRecord &zone) {
  std::string_view line;
  while (input.nextLine(line)) {
    if (isBlankOrComment(line))
      continue;
    const std::string_view item = firstItem(line);
    if (!item.empty() && isNumberStart(item[0]))
      throw formattedFailure("ERROR IN ZONE %d: DATA BEYOND ITS %d NODES AND %d ELEMENTS: \"%.*s\"\n", zone.zoneNumber,
                             zone.nodeCount, zone.elementCount, quotedLength(item), item.data());
    input.keepRest(line);
    return;
  }
}

// A zone without a positive node count holds nothing to read: at the end of
// the file it is no zone (false); anything after it is an error.
bool refuseZoneWithoutNodes(TecplotInput &input, const ZoneRecord &zone) {
  std::string_view line;
  while (input.nextLine(line))
    if (!isBlankOrComment(line))
      throw formattedFailure("ERROR IN ZONE %d: NODE LINES FOLLOW A ZONE LINE WITHOUT A POSITIVE NODE COUNT (N=%d)\n",
                             zone.zoneNumber, zone.nodeCount);
  return false;
}

} // namespace

bool readZone(TecplotInput &input, ZoneRecord &zone) {
  ZoneShape shape;
  {
    TokenCursor cursor(input);
    if (!readRecordsBeforeZone(cursor, zone))
      return false;
    zone.zoneNumber = input.nextZoneNumber++;
    shape = readZoneHeader(cursor, zone);
  }
  zone.nodeValues.clear();
  zone.elementNodes.clear();
  if (zone.nodeCount <= 0)
    return refuseZoneWithoutNodes(input, zone);
  readNodeValues(input, zone, shape);
  if (shape.ordered)
    appendOrderedCells(shape.i, shape.j, shape.k, zone.elementNodes);
  else if (zone.elementCount > 0)
    readElements(input, zone);
  refuseDataBeyondZone(input, zone);
  return true;
}

} // namespace zonvert
