// One Tecplot file being read: its lines, and what lives across its zones.
//
// The zones of a file are not read alone: the last VARIABLES record names
// the variables of every zone after it, a finite-element zone that names no
// element type takes that of the zone before it, zones are numbered in file
// order, and a zone may take variables or connectivity from an earlier zone,
// which is then read again from where it starts. readZone keeps all of that
// here, so that a zone record holds one zone and nothing of the others, and
// any record may take the next zone (as the records of the threads do).
#pragma once

#include "read/CellShapes.h"
#include "read/TecplotInput.h"
#include "zone/ZoneRecord.h"

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zonvert {

// A zone whose data ended where the data written so far of a file followed
// while written ends: it is converted at once, and whether more data follows
// it than its counts take is told once more has come.
struct UnconfirmedZoneEnd {
  int zoneNumber = 0;
  int nodeCount = 0;
  int elementCount = 0;
};

// A place between two zones to read on from again, with what was in force
// there: the next zone's number, the variable names of the last VARIABLES
// record and the element type a zone that names none takes.
struct ReadingPoint {
  TecplotInput::Position position;
  // Shared by the points under one list.
  std::shared_ptr<const std::vector<std::string>> variableNames;
  ElementType elementType = ElementType::None;
  int zoneNumber = 0;
  std::optional<UnconfirmedZoneEnd> unconfirmedEnd;
};

struct TecplotFile {
  // Reads `source`, which the caller keeps.
  explicit TecplotFile(ByteSource &source) : input(source) {}
  // Reads the open stream as it stands; the caller keeps ownership and
  // closes it.
  explicit TecplotFile(std::FILE *stream) : input(stream) {}

  TecplotInput input;

  // In force for the next zone: the names of the last VARIABLES record, and
  // the element type a finite-element zone that names none takes (that of
  // the zone before).
  std::vector<std::string> variableNames;
  ElementType elementType = ElementType::None;

  // Running number of the next zone in the file.
  int nextZoneNumber = 0;

  // The zone before, when what follows it is still to be looked at.
  std::optional<UnconfirmedZoneEnd> unconfirmedEnd;

  // Where each zone starts (its ZONE keyword, or the keys or data that
  // start it without one), by its number in the file (an empty zone has its
  // start too), so that it can be read again. Kept only in a file whose
  // zones take data from earlier ones: from the first such zone on, whose
  // arrival has the starts of the zones before it found again; a file whose
  // zones share nothing keeps none.
  std::vector<ReadingPoint> zoneStarts;
  bool keepingZoneStarts = false;

  // The last zone whose data readZone read past (see TecplotReader.h):
  // its counts and the bytes its data took. A zone after it of the same
  // counts has its end looked for only from seven eighths of them on.
  struct ReadApart {
    int nodeCount = 0;
    int elementCount = 0;
    std::size_t variableCount = 0;
    std::uint64_t bytes = 0;
  };
  ReadApart lastReadApart;

  // The earlier zone read again last, kept for the zones after it that
  // take data from it too, with the element type its cells are of.
  struct SharedZone {
    int number = -1;
    ZoneRecord record;
    ElementType elementType = ElementType::None;
  };
  SharedZone shared;
};

} // namespace zonvert
