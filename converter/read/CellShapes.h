// The element types of Tecplot's finite-element zones, and the cells their
// elements describe, with their corners in VTK's order (the table in
// zone/CellKinds.h). Tecplot's quadrilateral and brick corners are in the
// same order, and a wedge's two triangles are turned round (VTK winds the
// wedge the other way round than its hexahedron), so a cell is positive
// where the element was.
//
// Meshes of mixed shapes are stored as collapsed elements that repeat node
// numbers: a triangle as the quadrilateral "a b c c", a wedge as the brick
// "a b c c d e f f" (or "a b e d c c f f", or "a a b c d d e f"), a pyramid
// as "a b c d e e e e", a tetrahedron as "a b c c d d d d". Each element
// becomes the cell it describes, found from its distinct nodes and the faces
// that are left, not from one fixed pattern.
#pragma once

#include "zone/CellKinds.h"
#include "zone/ElementTable.h"

#include <array>
#include <cstdint>
#include <string>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zonvert {

// The element type a finite-element zone declares (ET= or ZONETYPE=). Each
// element of such a zone is a list of as many node numbers as the type has
// corners; collapsed elements (repeated node numbers) describe simpler cells.
enum class ElementType : std::uint8_t {
  None = 0,
  LineSegment,
  Triangle,
  Quadrilateral,
  Tetrahedron,
  Brick,
};

// The word that names each element type in ET= and ZONETYPE= values
// (ZONETYPE=FEQUADRILATERAL, ET=QUADRILATERAL), in the order they are
// looked for in a value.
struct ElementTypeWord {
  const char *word;
  ElementType type;
};
inline constexpr ElementTypeWord kElementTypeWords[] = {
    {"QUADRILATERAL", ElementType::Quadrilateral}, {"TETRAHEDRON", ElementType::Tetrahedron},
    {"TRIANGLE", ElementType::Triangle},           {"BRICK", ElementType::Brick},
    {"LINESEG", ElementType::LineSegment},
};

// The ZONETYPE= name of a finite-element zone of the type ("FEBRICK"); "FE"
// for None (a zone without elements that names no type).
std::string zoneTypeName(ElementType type);

struct Cell {
  CellKind kind = CellKind::None;
  std::array<std::int32_t, 8> nodes{}; // 1-based node numbers, VTK's corner order
  int count = 0;
};

// The node numbers an element of the type lists.
int cornersOf(ElementType type);

namespace cellshapes {

// True when the eight numbers are all different.
inline bool allDistinct(const std::int32_t *numbers) {
#if defined(__SSE2__)
  // Each half against the other in four turns, and against itself turned by
  // one and by two places: every pair of the eight met once or twice. The
  // numbers are taken one by one: they have mostly just been stored one by
  // one, and a load of four such stores at once waits for them to land.
  const auto pairOf = [](const std::int32_t *two) {
    return _mm_unpacklo_epi32(_mm_cvtsi32_si128(two[0]), _mm_cvtsi32_si128(two[1]));
  };
  const __m128i low = _mm_unpacklo_epi64(pairOf(numbers), pairOf(numbers + 2));
  const __m128i high = _mm_unpacklo_epi64(pairOf(numbers + 4), pairOf(numbers + 6));
  __m128i same = _mm_or_si128(_mm_cmpeq_epi32(low, _mm_shuffle_epi32(low, 0x39)),
                              _mm_cmpeq_epi32(low, _mm_shuffle_epi32(low, 0x4E)));
  same = _mm_or_si128(same, _mm_or_si128(_mm_cmpeq_epi32(high, _mm_shuffle_epi32(high, 0x39)),
                                         _mm_cmpeq_epi32(high, _mm_shuffle_epi32(high, 0x4E))));
  same = _mm_or_si128(same, _mm_or_si128(_mm_cmpeq_epi32(low, high), _mm_cmpeq_epi32(low, _mm_shuffle_epi32(high, 0x39))));
  same = _mm_or_si128(same, _mm_or_si128(_mm_cmpeq_epi32(low, _mm_shuffle_epi32(high, 0x4E)),
                                         _mm_cmpeq_epi32(low, _mm_shuffle_epi32(high, 0x93))));
  return _mm_movemask_epi8(same) == 0;
#else
  bool repeated = false;
  for (int a = 0; a < 8; ++a)
    for (int b = a + 1; b < 8; ++b)
      repeated |= numbers[a] == numbers[b];
  return !repeated;
#endif
}

} // namespace cellshapes

// The kind of cell an element of the type is when it is that cell with its
// numbers as they stand, as nearly every element is (no repeated number
// that makes it a simpler cell); None when it needs cellOfElement.
inline CellKind plainCellKind(ElementType type, const std::int32_t *n) {
  switch (type) {
  case ElementType::LineSegment:
    return CellKind::Line;
  case ElementType::Triangle:
    return CellKind::Triangle;
  case ElementType::Tetrahedron:
    return CellKind::Tetra;
  case ElementType::Quadrilateral:
    // No corner the same as the next one round.
    return n[0] != n[1] && n[1] != n[2] && n[2] != n[3] && n[3] != n[0] ? CellKind::Quad : CellKind::None;
  case ElementType::Brick:
    return cellshapes::allDistinct(n) ? CellKind::Hexahedron : CellKind::None;
  case ElementType::None:
    break;
  }
  return CellKind::None;
}

// The cell an element describes, given its cornersOf(type) node numbers. An
// element whose repeated numbers describe no cell of fewer corners (a
// quadrilateral "a b a c") is kept as its type's cell with the numbers as
// they stand.
Cell cellOfElement(ElementType type, const std::int32_t *numbers);

// The cells of an ordered zone of i x j x k nodes (I runs fastest): with
// three sizes above 1 hexahedra, with two quadrilaterals, otherwise none;
// setOrderedCells makes `cells` those of the grid (made when asked for).
std::int64_t orderedCellCount(std::int64_t i, std::int64_t j, std::int64_t k);
void setOrderedCells(std::int64_t i, std::int64_t j, std::int64_t k, ElementTable &cells);

} // namespace zonvert
