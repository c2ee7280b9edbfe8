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

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace zonvert {

struct TecplotFile {
  // Reads the open stream; the caller keeps ownership and closes it.
  explicit TecplotFile(std::FILE *stream) : input(stream) {}

  TecplotInput input;

  // In force for the next zone: the names of the last VARIABLES record, and
  // the element type a finite-element zone that names none takes (that of
  // the zone before).
  std::vector<std::string> variableNames;
  ElementType elementType = ElementType::None;

  // Running number of the next zone in the file.
  int nextZoneNumber = 0;

  // Where each zone read so far starts, with what was in force there, so
  // that it can be read again.
  struct ZoneStart {
    TecplotInput::Position position; // of its ZONE keyword
    ElementType typeBefore;          // the element type it would inherit
    // The variables in force, shared by the zones under one list.
    std::shared_ptr<const std::vector<std::string>> names;
  };
  std::vector<ZoneStart> zoneStarts;

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
