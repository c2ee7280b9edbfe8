// The keys of a ZONE record and what they make of the zone.
//
// Keys come in any case and order, separated by commas or blanks, over as
// many lines as the writer likes (blanks around "=" allowed), up to the first
// item of data: a number where a key could stand. Values are words, quoted
// texts or lists in parentheses (DT=(SINGLE DOUBLE)). Keys that change
// nothing in the written file (DT, STRANDID, PARENTZONE, AUXDATA, ...) are
// read past; variables and connectivity shared with an earlier zone are
// noted for the reader to take from there; keys that would need data this
// converter does not keep (passive variables, duplication lists) are refused
// with a message naming the zone and the feature.
#pragma once

#include "read/CellShapes.h"
#include "read/TecplotTokens.h"
#include "zone/ZoneRecord.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace zonvert {

enum class DataLayout { Point, Block };

// How a zone's data is laid out and what its cells are.
struct ZoneShape {
  DataLayout layout = DataLayout::Point;
  // An ordered zone's node counts along I, J and K; its cells follow from
  // them. A finite-element zone lists its elements after its values.
  bool ordered = false;
  std::int64_t i = 1, j = 1, k = 1;
  // An ordered zone that gives none of I, J and K (or data that no ZONE
  // record introduces): its points are its data lines, one point per line,
  // up to the next line that holds no data; its I is their count.
  bool nodesByLine = false;
  // A finite-element zone's element type: the one it names, else the one
  // it inherits; else None, and its first element line tells. An ordered
  // zone keeps the one it inherits for the zones after it.
  ElementType elementType = ElementType::None;
  // By variable: true for one value per cell (VARLOCATION=CELLCENTERED, in
  // block layout only); empty when every variable is nodal.
  std::vector<bool> cellCentred;
  // By variable: the 0-based number of the earlier zone whose values it
  // takes (VARSHARELIST), or -1 for values of its own; empty when none is
  // shared. The zone whose connectivity it takes (CONNECTIVITYSHAREZONE),
  // or -1.
  std::vector<int> sharedFrom;
  int connectivityFrom = -1;
};

// Reads the keys of a ZONE record, its keyword taken, up to its first item
// of data, which is handed back to the input. Sets the record's title,
// solution time and counts; `inherited` is the element type of the zone
// before. Throws ConversionFailure for a key without the value it needs
// (a comma, the end of the line or another key right after "="), counts out
// of range, element types and features that cannot be converted.
//
// `keysAlone`: the keys stand without the ZONE keyword. They start a zone
// only where data follows them; otherwise (a record or the end of the file
// comes next) they are none, and nothing is returned.
std::optional<ZoneShape> readZoneHeader(TokenCursor &cursor, ElementType inherited, ZoneRecord &zone,
                                        bool keysAlone = false);

} // namespace zonvert
