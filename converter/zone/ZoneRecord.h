// One Tecplot zone as the converter holds it between reading and writing:
// what the writers need of it, and nothing that only reading needs.
//
// Node values are kept as the text of the input, never converted, so the
// legacy writer repeats them byte for byte. A zone of a large result file
// holds millions of values, so they are not stored one heap string each
// (see NodeValueTable).
#pragma once

#include "zone/ElementTable.h"
#include "zone/NodeValueTable.h"

#include <string>
#include <vector>

namespace zonvert {

struct ZoneRecord {
  std::string title;        // "T=" value as the file holds it, without its quotes
  std::string solutionTime; // "SOLUTIONTIME=" value as the file holds it; empty when absent
  int nodeCount = 0;        // "N=", "NODES=", "I=" (x "J=" x "K=" in an ordered zone)
  int elementCount = 0;     // elements or cells; 0 or less: a zone of nodes only
  // "ORDERED", or the ZONETYPE= name of the finite-element zone's element
  // type ("FEBRICK"), as read, inherited or told by its first element line.
  std::string zoneType;
  // The names of the zone's variables: those of the last VARIABLES record
  // before it.
  std::vector<std::string> variableNames;
  NodeValueTable nodeValues;
  ElementTable elementNodes;
  // Running 0-based number of the zone in its file, as the driver prints
  // it; names the zone in messages.
  int zoneNumber = 0;
  // What reading the zone found that its user should know although it
  // converts (complete lines), told when the zone is written.
  std::vector<std::string> warnings;
};

// Empties the record for the next zone, keeping its memory: the zones of a
// file mostly have the same size.
void clearZone(ZoneRecord &zone);

// Gives `to` all that `from` holds but its values and cells.
void copyZoneHeader(const ZoneRecord &from, ZoneRecord &to);

} // namespace zonvert
