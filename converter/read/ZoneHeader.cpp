#include "read/ZoneHeader.h"

#include "base/ConversionFailure.h"
#include "base/TextScan.h"
#include "read/CellShapes.h"
#include "read/TecplotSyntax.h"

#include <algorithm>
#include <climits>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zonvert {

namespace {

bool contains(std::string_view text, std::string_view part) { return text.find(part) != std::string_view::npos; }

// The keys that decide the zone's shape, as the zone gives them.
struct ZoneKeys {
  std::optional<int> n, nodes, e, elements, i, j, k;
  bool finiteElementCounts = false; // N=, NODES=, E= or ELEMENTS= given, with a number or not
  std::string elementType; // ET=
  std::string zoneType;    // ZONETYPE=
  std::string packing;     // DATAPACKING= or F=
  std::vector<std::string> varLocation; // the words of VARLOCATION=(...)
  std::vector<std::string> varShare;    // the words of VARSHARELIST=(...)
  std::optional<int> connectivityZone;  // CONNECTIVITYSHAREZONE=, 1-based
  bool dataFollows = false; // the keys end where the zone's data starts
};

// A key's value: one word or quoted text, or the words of a list in
// parentheses.
struct KeyValue {
  std::string text;
  std::vector<std::string> list;
};

KeyValue readValue(TokenCursor &cursor) {
  KeyValue value;
  if (cursor.peek().kind != TokenKind::Open) {
    const Token token = cursor.take();
    if (token.kind == TokenKind::Word || token.kind == TokenKind::Quoted)
      value.text = token.text;
    return value;
  }
  cursor.take();
  for (int depth = 1; depth > 0;) {
    const Token token = cursor.take();
    if (token.kind == TokenKind::End)
      break;
    if (token.kind == TokenKind::Open)
      ++depth;
    else if (token.kind == TokenKind::Close)
      --depth;
    else if (token.kind == TokenKind::Word || token.kind == TokenKind::Quoted)
      value.list.push_back(upcase(token.text));
  }
  return value;
}

[[noreturn]] void refuseFeature(const ZoneRecord &zone, const char *feature) {
  throw formattedFailure("ERROR IN ZONE %d: %s NOT SUPPORTED\n", zone.zoneNumber, feature);
}

// A count as the scan format "%d" reads it: left unset without a number.
void readCount(const std::string &text, std::optional<int> &count, const ZoneRecord &zone, const std::string &key) {
  const auto value = scanDecimal(text);
  if (!value)
    return;
  if (*value > INT_MAX || *value < INT_MIN)
    throw formattedFailure("ERROR IN ZONE %d: %s= VALUE OUT OF RANGE\n", zone.zoneNumber, key.c_str());
  count = static_cast<int>(*value);
}

// Keys whose value decides what the zone is: without one, the zone cannot
// be read as its writer meant it. (An empty title or colour is just empty.)
bool needsValue(const std::string &key) {
  static constexpr std::string_view kKeys[] = {
      "N", "NODES", "E", "ELEMENTS", "I", "J", "K", "ET", "ZONETYPE", "F", "DATAPACKING", "VARLOCATION",
      "VARSHARELIST", "CONNECTIVITYSHAREZONE", "SOLUTIONTIME",
  };
  return std::find(std::begin(kKeys), std::end(kKeys), key) != std::end(kKeys);
}

// A value ends at a comma or the end of its line: where one of them, or
// another key, or the end of the file comes right after "=", the key has
// no value.
bool valueMissing(TokenCursor &cursor) {
  const Token &next = cursor.peek();
  return next.kind == TokenKind::End || next.startsLine || next.afterComma || cursor.nextIsKey();
}

void readKey(const std::string &key, TokenCursor &cursor, ZoneKeys &keys, ZoneRecord &zone) {
  if (key == "T") {
    zone.title = cursor.peek().kind == TokenKind::Quoted ? cursor.take().text : cursor.takeUnquotedText();
    return;
  }
  const KeyValue value = readValue(cursor);
  const std::pair<const char *, std::optional<int> ZoneKeys::*> counts[] = {
      {"N", &ZoneKeys::n}, {"NODES", &ZoneKeys::nodes}, {"E", &ZoneKeys::e}, {"ELEMENTS", &ZoneKeys::elements},
      {"I", &ZoneKeys::i}, {"J", &ZoneKeys::j},         {"K", &ZoneKeys::k},
  };
  for (const auto &[name, field] : counts)
    if (key == name) {
      keys.finiteElementCounts |= key != "I" && key != "J" && key != "K";
      return readCount(value.text, keys.*field, zone, key);
    }
  if (key == "ET")
    keys.elementType = upcase(value.text);
  else if (key == "ZONETYPE")
    keys.zoneType = upcase(value.text);
  else if (key == "F" || key == "DATAPACKING")
    keys.packing = upcase(value.text);
  else if (key == "SOLUTIONTIME")
    zone.solutionTime = value.text;
  else if (key == "VARLOCATION")
    keys.varLocation = value.list;
  else if (key == "VARSHARELIST")
    keys.varShare = value.list;
  else if (key == "CONNECTIVITYSHAREZONE")
    readCount(value.text, keys.connectivityZone, zone, key);
  else if (key == "PASSIVEVARLIST")
    refuseFeature(zone, "PASSIVE VARIABLES (PASSIVEVARLIST) ARE");
  else if (key == "D")
    refuseFeature(zone, "DATA DUPLICATED FROM ANOTHER ZONE (D=) IS");
  else if (key == "NV")
    refuseFeature(zone, "A NODAL VARIABLE COUNT (NV=) IS");
  else if (key == "FACENEIGHBORCONNECTIONS" && scanDecimal(value.text).value_or(0) > 0)
    refuseFeature(zone, "FACE NEIGHBOUR CONNECTIONS (FACENEIGHBORCONNECTIONS) ARE");
}

// AUXDATA name="value": a name, then its value.
void skipAuxiliaryData(TokenCursor &cursor) {
  if (cursor.peek().kind == TokenKind::Word)
    cursor.take();
  if (cursor.peek().kind == TokenKind::Equals) {
    cursor.take();
    readValue(cursor);
  }
}

ZoneKeys readKeys(TokenCursor &cursor, ZoneRecord &zone) {
  ZoneKeys keys;
  for (;;) {
    const Token &token = cursor.peek();
    if (token.kind == TokenKind::End)
      break;
    // Data starts where a number (or NaN, or an infinity) stands in place of
    // a key; a record keyword at the start of a line means the zone holds no
    // data.
    if (token.kind == TokenKind::Word && ((isDataWord(token.text) && !cursor.nextIsKey()) ||
                                          (token.startsLine && recordKindOf(token.text) != RecordKind::None))) {
      keys.dataFollows = isDataWord(token.text);
      cursor.handBack();
      break;
    }
    const Token keyToken = cursor.take();
    if (keyToken.kind != TokenKind::Word)
      continue; // a stray text or sign
    const std::string key = upcase(keyToken.text);
    if (key == "AUXDATA") {
      skipAuxiliaryData(cursor);
      continue;
    }
    if (cursor.peek().kind != TokenKind::Equals)
      continue; // a word without a value
    cursor.take();
    if (valueMissing(cursor)) {
      if (needsValue(key))
        throw formattedFailure("ERROR IN ZONE %d: %s= HAS NO VALUE\n", zone.zoneNumber, key.c_str());
      continue;
    }
    readKey(key, cursor, keys, zone);
  }
  return keys;
}

// The element type a type name gives; ORDERED gives None and sets `ordered`.
ElementType elementTypeOf(const std::string &name, const ZoneRecord &zone, bool &ordered) {
  if (contains(name, "POLYGON") || contains(name, "POLYHEDRON"))
    refuseFeature(zone, ("POLYGON AND POLYHEDRON ZONES (" + name + ") ARE").c_str());
  for (const auto &[part, type] : kElementTypeWords)
    if (contains(name, part))
      return type;
  if (name == "ORDERED") {
    ordered = true;
    return ElementType::None;
  }
  throw formattedFailure("ERROR: DON'T SUPPORT THIS ELEMENT TYPE- %s\n", name.c_str());
}

// The variable ranges of a list: "[3", "5-7]" (1-based, inclusive).
std::optional<std::pair<std::int64_t, std::int64_t>> rangeOf(std::string word) {
  std::erase(word, '[');
  std::erase(word, ']');
  const std::size_t dash = word.find('-', 1);
  const auto first = scanDecimal(word.substr(0, dash));
  const auto last = dash == std::string::npos ? first : scanDecimal(word.substr(dash + 1));
  if (!first || !last)
    return std::nullopt;
  return std::pair{*first, *last};
}

template <typename T, typename Value>
void setRange(std::vector<T> &byVariable, std::pair<std::int64_t, std::int64_t> range, Value value) {
  const auto count = static_cast<std::int64_t>(byVariable.size());
  for (std::int64_t variable = std::max<std::int64_t>(range.first, 1); variable <= std::min(range.second, count);
       ++variable)
    byVariable[static_cast<std::size_t>(variable - 1)] = value;
}

// VARSHARELIST=([1-3]=1, [5]=2), or ([1-3]) for the zone just before: the
// 0-based zone each variable takes its values from, -1 for its own.
std::vector<int> sharedVariables(const std::vector<std::string> &words, std::size_t variableCount,
                                 const ZoneRecord &zone) {
  std::vector<int> sharedFrom(variableCount, -1);
  std::vector<std::pair<std::int64_t, std::int64_t>> pending;
  auto share = [&](std::int64_t zoneNumber) {
    if (zoneNumber < 1 || zoneNumber > zone.zoneNumber)
      throw formattedFailure("ERROR IN ZONE %d: VARSHARELIST NAMES ZONE %lld (COUNTED FROM 1), WHICH IS NO EARLIER "
                             "ZONE\n",
                             zone.zoneNumber, static_cast<long long>(zoneNumber));
    for (const auto &range : pending)
      setRange(sharedFrom, range, static_cast<int>(zoneNumber - 1));
    pending.clear();
  };
  bool inRanges = false;
  for (const std::string &word : words) {
    if (inRanges || word.starts_with("[")) {
      if (!inRanges && !pending.empty())
        share(zone.zoneNumber); // the previous list named no zone
      if (const auto range = rangeOf(word))
        pending.push_back(*range);
      inRanges = !word.ends_with("]");
    } else if (const auto number = scanDecimal(word)) {
      share(*number);
    }
  }
  if (!pending.empty())
    share(zone.zoneNumber);
  if (std::all_of(sharedFrom.begin(), sharedFrom.end(), [](int from) { return from < 0; }))
    sharedFrom.clear();
  return sharedFrom;
}

// VARLOCATION=([3,5-7]=CELLCENTERED, [1-2]=NODAL), or one word per
// variable: (NODAL, CELLCENTERED, NODAL). Variables not named are nodal.
std::vector<bool> cellCentredVariables(const std::vector<std::string> &words, std::size_t variableCount) {
  std::vector<bool> cellCentred(variableCount, false);
  const bool ranges =
      std::any_of(words.begin(), words.end(), [](const std::string &word) { return contains(word, "["); });
  std::vector<std::pair<std::int64_t, std::int64_t>> pending; // 1-based, inclusive
  for (std::size_t k = 0; k < words.size(); ++k) {
    const std::string &word = words[k];
    const bool location = word == "CELLCENTERED" || word == "NODAL";
    if (!ranges) {
      if (k < variableCount)
        cellCentred[k] = word == "CELLCENTERED";
    } else if (!location) {
      if (const auto range = rangeOf(word))
        pending.push_back(*range);
    } else {
      for (const auto &range : pending)
        setRange(cellCentred, range, word == "CELLCENTERED");
      pending.clear();
    }
  }
  if (std::none_of(cellCentred.begin(), cellCentred.end(), [](bool c) { return c; }))
    cellCentred.clear();
  return cellCentred;
}

// Cell-centred values need cells to belong to, block layout (the format
// allows nothing else) and node coordinates.
void checkCellCentred(const ZoneShape &shape, const ZoneRecord &zone) {
  if (shape.cellCentred.empty())
    return;
  if (shape.layout != DataLayout::Block)
    refuseFeature(zone, "CELL-CENTRED VARIABLES (VARLOCATION) IN POINT LAYOUT ARE");
  if (zone.elementCount <= 0)
    refuseFeature(zone, "CELL-CENTRED VARIABLES (VARLOCATION) IN A ZONE WITHOUT CELLS ARE");
  for (std::size_t variable = 0; variable < shape.cellCentred.size(); ++variable) {
    const std::string &name = zone.variableNames[variable];
    if (shape.cellCentred[variable] && name.size() == 1 && contains("XYZxyz", name))
      refuseFeature(zone, "CELL-CENTRED COORDINATES (VARLOCATION) ARE");
  }
}

void shapeOrderedZone(const ZoneKeys &keys, ZoneRecord &zone, ZoneShape &shape) {
  shape.ordered = true;
  if (!keys.i && !keys.j && !keys.k) {
    // Its data lines will tell its count.
    shape.nodesByLine = true;
    return;
  }
  shape.i = keys.i.value_or(1);
  shape.j = keys.j.value_or(1);
  shape.k = keys.k.value_or(1);
  if (shape.i < 1 || shape.j < 1 || shape.k < 1) {
    // Without a positive size the zone has no node to read.
    zone.nodeCount = static_cast<int>(std::min({shape.i, shape.j, shape.k}));
    return;
  }
  const std::int64_t nodes = shape.i * shape.j * shape.k; // each factor below 2^31
  if (nodes > INT_MAX || (shape.j > 1 && shape.i * shape.j > INT_MAX))
    throw formattedFailure("ERROR IN ZONE %d: I x J x K VALUE OUT OF RANGE\n", zone.zoneNumber);
  zone.nodeCount = static_cast<int>(nodes);
  zone.elementCount = static_cast<int>(orderedCellCount(shape.i, shape.j, shape.k));
}

void shapeFiniteElementZone(const ZoneKeys &keys, ElementType namedType, ZoneRecord &zone, ZoneShape &shape) {
  // N and E win over NODES and ELEMENTS; the legacy form gives the node
  // count in I and the element count in J.
  zone.nodeCount = keys.n.value_or(keys.nodes.value_or(keys.i.value_or(0)));
  zone.elementCount = keys.e.value_or(keys.elements.value_or(keys.j.value_or(0)));
  if (zone.elementCount < 0)
    throw formattedFailure("ERROR IN ZONE %d: NEGATIVE ELEMENT COUNT E=%d\n", zone.zoneNumber, zone.elementCount);
  if (namedType != ElementType::None)
    shape.elementType = namedType;
}

} // namespace

std::optional<ZoneShape> readZoneHeader(TokenCursor &cursor, ElementType inherited, ZoneRecord &zone,
                                        bool keysAlone) {
  const ZoneKeys keys = readKeys(cursor, zone);
  if (keysAlone && !keys.dataFollows)
    return std::nullopt;
  ZoneShape shape;
  shape.layout = keys.packing == "BLOCK" || keys.packing == "FEBLOCK" ? DataLayout::Block : DataLayout::Point;
  shape.elementType = inherited;
  // ET= names the element type; ZONETYPE= where ET= is absent.
  const std::string &typeName = keys.elementType.empty() ? keys.zoneType : keys.elementType;
  bool ordered = false;
  const ElementType namedType = typeName.empty() ? ElementType::None : elementTypeOf(typeName, zone, ordered);
  // A zone that names no type is a finite-element zone when its layout or
  // counts say so (F=FEPOINT, N=, E=), and an ordered zone otherwise.
  const bool finiteElement = namedType != ElementType::None || keys.packing.starts_with("FE") || keys.finiteElementCounts;
  if (ordered || !finiteElement)
    shapeOrderedZone(keys, zone, shape);
  else
    shapeFiniteElementZone(keys, namedType, zone, shape);
  shape.cellCentred = cellCentredVariables(keys.varLocation, zone.variableNames.size());
  checkCellCentred(shape, zone);
  shape.sharedFrom = sharedVariables(keys.varShare, zone.variableNames.size(), zone);
  if (keys.connectivityZone) {
    if (*keys.connectivityZone < 1 || *keys.connectivityZone > zone.zoneNumber)
      throw formattedFailure("ERROR IN ZONE %d: CONNECTIVITYSHAREZONE NAMES ZONE %d (COUNTED FROM 1), WHICH IS NO "
                             "EARLIER ZONE\n",
                             zone.zoneNumber, *keys.connectivityZone);
    shape.connectivityFrom = *keys.connectivityZone - 1;
  }
  return shape;
}

} // namespace zonvert
