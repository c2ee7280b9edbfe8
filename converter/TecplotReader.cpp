#include "TecplotReader.h"

#include "ConversionFailure.h"
#include "LineOps.h"

#include <climits>
#include <string>

namespace zonvert {

namespace {

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

// How much of an input token a message quotes: enough to find it, never a
// whole line of megabytes.
int quotedLength(std::string_view token) {
  constexpr std::size_t kMaxQuoted = 80;
  return static_cast<int>(token.size() < kMaxQuoted ? token.size() : kMaxQuoted);
}

// The reader's progress through one zone.
struct ZoneProgress {
  ReadState state = ReadState::Header;
  int nodesRead = 0;
  int elementsRead = 0;
};

// Turns the text after a count key into a count, leaving `count` unchanged
// when there is no number, as the scan format "%d" does.
void readCountKey(std::string_view text, int &count, const ZoneRecord &zone, const char *key) {
  const auto value = scanDecimal(text);
  if (!value)
    return;
  if (*value > INT_MAX || *value < INT_MIN)
    throw formattedFailure("ERROR IN ZONE %d: %s VALUE OUT OF RANGE\n", zone.zoneNumber, key);
  count = static_cast<int>(*value);
}

void readElementTypeKey(std::string_view value, ZoneRecord &zone) {
  zone.elementTypeName = value;
  const std::string_view name = zone.elementTypeName;
  if (contains(name, "TETRAHEDRON") || contains(name, "QUADRILATERAL") || contains(name, "TRIANGLE") ||
      contains(name, "BRICK"))
    return;
  throw formattedFailure("ERROR: DON'T SUPPORT THIS ELEMENT TYPE- %s\n", zone.elementTypeName.c_str());
}

void readZoneKey(std::string_view piece, ZoneRecord &zone) {
  if (piece.starts_with("T=")) {
    if (const auto word = scanWord(piece.substr(2)))
      zone.title = *word;
  } else if (piece.starts_with("N=")) {
    readCountKey(piece.substr(2), zone.nodeCount, zone, "N=");
  } else if (piece.starts_with("E=")) {
    readCountKey(piece.substr(2), zone.elementCount, zone, "E=");
  } else if (piece.starts_with("I=")) {
    readCountKey(piece.substr(2), zone.nodeCount, zone, "I=");
  } else if (piece.starts_with("F=")) {
    // The layout key is ignored: node values are always read one node per line.
  } else if (piece.starts_with("ET=")) {
    readElementTypeKey(piece.substr(3), zone);
  } else if (piece.starts_with("C=")) {
    zone.color = piece.substr(2);
  }
}

// A zone line starts a zone; any other line before it is ignored. Returns
// true when the line was a zone line.
bool readZoneLine(std::string_view line, TecplotInput &input, ZoneRecord &zone, ZoneProgress &progress) {
  std::string copy = upcase(line);
  // The colour key may follow the previous key after a blank only; a comma
  // in place of that blank makes it a piece of its own.
  if (const std::size_t colour = copy.find(" C="); colour != std::string::npos)
    copy[colour] = ',';
  const std::string_view trimmed = stripChar(copy, ' ');
  if (!trimmed.starts_with("ZONE"))
    return false;
  std::string keys(trimmed);
  removeBlanks(keys);

  zone.zoneNumber = input.nextZoneNumber++;
  forEachPiece(std::string_view(keys).substr(4), ',', [&](std::string_view piece) { readZoneKey(piece, zone); });
  if (zone.elementCount < 0)
    throw formattedFailure("ERROR IN ZONE %d: NEGATIVE ELEMENT COUNT E=%d\n", zone.zoneNumber,
                                   zone.elementCount);
  zone.nodeValues.clear();
  zone.elementNodes.clear();
  progress = ZoneProgress{ReadState::Nodes, 0, 0};
  return true;
}

// A variables line replaces the variable names. Returns true when the line
// was taken as one (even when it ends up naming no variable).
bool readVariablesLine(std::string_view line, ZoneRecord &zone, ZoneProgress &progress) {
  const std::string copy = upcaseKey(line);
  if (!contains(copy, "VARIABLES"))
    return false;
  zone.variableNames.clear();

  std::string_view keyPart, valuePart;
  int pieceIndex = 0;
  forEachPiece(copy, '=', [&](std::string_view piece) {
    if (pieceIndex == 0)
      keyPart = piece;
    else if (pieceIndex == 1)
      valuePart = piece;
    ++pieceIndex;
  });
  if (!contains(keyPart, "VARIABLES") || pieceIndex < 2)
    return true;
  forEachPiece(valuePart, ',', [&](std::string_view piece) {
    zone.variableNames.emplace_back(stripChar(stripChar(piece, ' '), '"'));
  });
  progress.state = ReadState::ZoneHeader;
  return true;
}

void readHeaderLine(std::string_view line, TecplotInput &input, ZoneRecord &zone, ZoneProgress &progress) {
  // Blank lines between zones and at the end of the file carry nothing.
  if (isBlankLine(line))
    return;
  if (!contains(line, "="))
    throw ConversionFailure("ERROR IN FILE\n");
  if (readVariablesLine(line, zone, progress))
    return;
  readZoneLine(line, input, zone, progress);
}

void decideCellKind(ZoneRecord &zone) {
  const std::string_view type = zone.elementTypeName;
  const std::int32_t *first = zone.elementNodes.nodes(0);
  const std::size_t firstCount = zone.elementNodes.nodeCount(0);
  auto requireNodes = [&](std::size_t needed) {
    if (firstCount < needed)
      throw formattedFailure("ERROR IN ZONE %d, ELEMENT 1: %zu NODE NUMBERS, %zu NEEDED TO TELL THE "
                                     "ELEMENT KIND\n",
                                     zone.zoneNumber, firstCount, needed);
  };
  if (contains(type, "QUADRILATERAL")) {
    requireNodes(4);
    if (first[0] == first[3] && first[1] == first[2])
      zone.cellKind = CellKind::Line;
    else if (first[0] == first[3])
      zone.cellKind = CellKind::Triangle;
    else
      zone.cellKind = CellKind::Quad;
  } else if (contains(type, "TETRAHEDRON")) {
    zone.cellKind = CellKind::Tetra;
  } else if (contains(type, "TRIANGLE")) {
    zone.cellKind = CellKind::Triangle;
  } else if (contains(type, "BRICK")) {
    requireNodes(2);
    zone.cellKind = first[0] == first[1] ? CellKind::Wedge : CellKind::Hexahedron;
  }
}

// Returns true when the zone is complete.
bool readNodeLine(std::string_view line, ZoneRecord &zone, ZoneProgress &progress) {
  // Without a positive node count the node lines would never end the zone.
  if (zone.nodeCount <= 0)
    throw formattedFailure("ERROR IN ZONE %d: NODE LINES FOLLOW A ZONE LINE WITHOUT A POSITIVE NODE "
                                   "COUNT (N=%d)\n",
                                   zone.zoneNumber, zone.nodeCount);
  if (line.size() > NodeValueTable::kMaxNodeLineBytes)
    throw formattedFailure("ERROR IN ZONE %d, NODE %d: LINE OF %zu BYTES, MORE THAN THE %zu A NODE MAY HOLD\n",
                           zone.zoneNumber, progress.nodesRead + 1, line.size(), NodeValueTable::kMaxNodeLineBytes);
  zone.nodeValues.appendNodeLine(line);
  if (++progress.nodesRead != zone.nodeCount)
    return false;
  if (zone.elementCount <= 0)
    return true;
  progress.state = ReadState::Elements;
  return false;
}

bool readElementLine(std::string_view line, ZoneRecord &zone, ZoneProgress &progress) {
  zone.elementNodes.beginElement();
  forEachPiece(line, ' ', [&](std::string_view piece) {
    const auto number = scanWholeDecimal(piece);
    if (!number || *number > INT_MAX || *number < INT_MIN)
      throw formattedFailure("ERROR IN ZONE %d, ELEMENT %d: \"%.*s\" IS NOT A NODE NUMBER\n",
                                     zone.zoneNumber, progress.elementsRead + 1, quotedLength(piece),
                                     piece.data());
    zone.elementNodes.appendNode(static_cast<std::int32_t>(*number));
  });
  if (++progress.elementsRead != zone.elementCount)
    return false;
  decideCellKind(zone);
  return true;
}

// The end of the file has come before the zone's announced lines: the file
// is cut (the simulator may still be writing it).
void refuseCutZone(const ZoneRecord &zone, const ZoneProgress &progress) {
  if (progress.state == ReadState::Nodes && progress.nodesRead < zone.nodeCount)
    throw formattedFailure("ERROR IN ZONE %d: THE FILE ENDS AFTER %d OF %d NODE LINES\n", zone.zoneNumber,
                           progress.nodesRead, zone.nodeCount);
  if (progress.state == ReadState::Elements)
    throw formattedFailure("ERROR IN ZONE %d: THE FILE ENDS AFTER %d OF %d ELEMENT LINES\n", zone.zoneNumber,
                           progress.elementsRead, zone.elementCount);
}

} // namespace

bool readZone(TecplotInput &input, ZoneRecord &zone) {
  ZoneProgress progress;
  std::string_view line;
  while (input.nextLine(line)) {
    switch (progress.state) {
    case ReadState::Header:
      readHeaderLine(line, input, zone, progress);
      break;
    case ReadState::ZoneHeader:
      readZoneLine(line, input, zone, progress);
      break;
    case ReadState::Nodes:
      if (readNodeLine(line, zone, progress))
        return true;
      break;
    case ReadState::Elements:
      if (readElementLine(line, zone, progress))
        return true;
      break;
    }
  }
  refuseCutZone(zone, progress);
  return false;
}

} // namespace zonvert
