// The kinds of cell a zone holds, and the one table of what VTK makes of
// each: its cell type number (the same in legacy and XML files) and its
// number of corners. A cell's corners are stored, and written, in VTK's
// order, the last column of the table; the reader puts them in that order
// (see read/CellShapes.h).
#pragma once

#include "base/TableRows.h"

#include <cstddef>
#include <cstdint>

namespace zonvert {

enum class CellKind : std::uint8_t {
  None = 0,
  Line = 1,
  Triangle = 2,
  Quad = 3,
  Tetra = 4,
  Hexahedron = 5,
  Wedge = 6,
  Pyramid = 7,
  Vertex = 8,
};

struct CellKindFacts {
  CellKind kind;
  std::uint8_t vtkType;
  std::uint8_t corners;
};

// By CellKind.
inline constexpr CellKindFacts kCellKinds[] = {
    // kind              VTK type  corners  corner order
    {CellKind::None, 0, 0},        // never stored
    {CellKind::Line, 3, 2},        // its two ends
    {CellKind::Triangle, 5, 3},    // round the triangle
    {CellKind::Quad, 9, 4},        // round the quadrilateral
    {CellKind::Tetra, 10, 4},      // base 0,1,2, its right-hand normal pointing at the apex 3
    {CellKind::Hexahedron, 12, 8}, // 0-3 round one face, its right-hand normal pointing at 4-7; 4 over 0 and so on
    {CellKind::Wedge, 13, 6},      // triangle 0,1,2, its right-hand normal pointing away from 3,4,5 (the other
                                   // way round than the hexahedron's first face); 3 over 0 and so on
    {CellKind::Pyramid, 14, 5},    // base 0-3, its right-hand normal pointing at the apex 4
    {CellKind::Vertex, 1, 1},      // the node
};

static_assert(rowsStandAtTheirKeys(kCellKinds, &CellKindFacts::kind), "kCellKinds holds each kind at its own number");

constexpr const CellKindFacts &factsOf(CellKind kind) { return kCellKinds[static_cast<std::size_t>(kind)]; }

} // namespace zonvert
