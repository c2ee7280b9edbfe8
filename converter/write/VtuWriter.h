// Writes one zone as a VTK XML unstructured-grid file (.vtu): the points,
// cells and arrays of the legacy file, with every array in binary form in
// the file's appended data, compressed as its writer's compressor does (in
// the layout of VTK's vtkZLibDataCompressor or vtkLZ4DataCompressor, with
// 64-bit headers) or not. Values are 64-bit floats, each read exactly
// from its text as strtod reads it; node numbers 32-bit integers, cell
// offsets 64-bit ones, cell types bytes.
#pragma once

#include "write/CompressedBlocks.h"
#include "write/RepeatedBlocks.h"
#include "write/VariableRoles.h"
#include "zone/ZoneRecord.h"

#include <array>

namespace zonvert {

// What the XML writer of a thread keeps from one zone to the next: its
// compressor, and the cell arrays (connectivity, offsets, types) of the
// last zone it wrote whose cells the file lists (not an ordered zone's,
// which are made from its grid as they are written): the zones of a time
// series mostly list the same cells, which are then compared, not
// compressed again.
struct VtuWriterMemory {
  explicit VtuWriterMemory(VtuCompression compression) : compressor(compression) {}
  BlockCompressor compressor;
  std::array<RepeatedBlocks, 3> cells;
};

// Writes the zone, whose roles were found and checked (checkWritable), to the
// empty file open as `descriptor`, with what `memory` keeps. Returns 0, or
// the errno value of a failed write. Throws ConversionFailure when a value
// to be written is no number, naming the first such value of the zone (by
// node, then variable).
int writeVtu(int descriptor, const ZoneRecord &zone, const VariableRoles &roles, VtuWriterMemory &memory);

} // namespace zonvert
