// The two kinds of zone file: legacy VTK (ASCII, values copied as text) and
// VTK XML (binary, compressed, values as 64-bit floats).
#pragma once

#include "base/TableRows.h"

#include <string_view>

namespace zonvert {

enum class ZoneFormat { LegacyVtk, Vtu };

// The file name extension of a zone file, with its dot.
constexpr std::string_view extensionOf(ZoneFormat format) { return format == ZoneFormat::Vtu ? ".vtu" : ".vtk"; }

// How the arrays of a VTK XML file are stored: in blocks of 32 KiB, each a
// zlib stream or an LZ4 block (faster to make, about twice the bytes; VTK 9
// and ParaView 5.11 read it), or as they are.
enum class VtuCompression { Zlib, Lz4, None };

struct VtuCompressionFacts {
  VtuCompression compression;
  std::string_view option;        // its word after --compress
  std::string_view vtkCompressor; // the file's compressor attribute; none: empty
};

inline constexpr VtuCompressionFacts kVtuCompressions[] = {
    {VtuCompression::Zlib, "zlib", "vtkZLibDataCompressor"},
    {VtuCompression::Lz4, "lz4", "vtkLZ4DataCompressor"},
    {VtuCompression::None, "none", ""},
};

static_assert(rowsStandAtTheirKeys(kVtuCompressions, &VtuCompressionFacts::compression),
              "kVtuCompressions holds each compression at its own value");

constexpr const VtuCompressionFacts &factsOf(VtuCompression compression) {
  return kVtuCompressions[static_cast<int>(compression)];
}

} // namespace zonvert
