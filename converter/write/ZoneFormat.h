// The two kinds of zone file: legacy VTK (ASCII, values copied as text) and
// VTK XML (binary, compressed, values as 64-bit floats).
#pragma once

#include <string_view>

namespace zonvert {

enum class ZoneFormat { LegacyVtk, Vtu };

// The file name extension of a zone file, with its dot.
constexpr std::string_view extensionOf(ZoneFormat format) { return format == ZoneFormat::Vtu ? ".vtu" : ".vtk"; }

} // namespace zonvert
