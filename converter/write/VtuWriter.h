// Writes one zone as a VTK XML unstructured-grid file (.vtu): the points,
// cells and arrays of the legacy file, with every array in binary form in
// the file's appended data, zlib-compressed (VTK's vtkZLibDataCompressor
// layout with 64-bit headers). Values are 64-bit floats, each read exactly
// from its text as strtod reads it; node numbers and cell offsets 64-bit
// integers, cell types bytes.
#pragma once

#include "write/CompressedBlocks.h"
#include "write/VariableRoles.h"
#include "zone/ZoneRecord.h"

namespace zonvert {

// Writes the zone, whose roles were found and checked (checkWritable), to the
// empty file open as `descriptor`, compressing with `compressor`. Returns 0,
// or the errno value of a failed write. Throws ConversionFailure when a value
// to be written is no number, naming the first such value of the zone (by
// node, then variable).
int writeVtu(int descriptor, const ZoneRecord &zone, const VariableRoles &roles, BlockCompressor &compressor);

} // namespace zonvert
