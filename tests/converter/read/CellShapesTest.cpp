// The cells that elements and ordered zones describe.
#include "read/CellShapes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace zonvert {
namespace {

// Each element becomes the cell it describes, corners in VTK's order.
TEST(CellShapes, CollapsedElementsBecomeTheCellsTheyDescribe) {
  struct Case {
    ElementType type;
    std::vector<std::int32_t> element;
    CellKind kind;
    std::vector<std::int32_t> corners;
  };
  const std::vector<Case> cases = {
      {ElementType::Quadrilateral, {1, 2, 3, 4}, CellKind::Quad, {1, 2, 3, 4}},
      {ElementType::Quadrilateral, {1, 2, 3, 3}, CellKind::Triangle, {1, 2, 3}},
      {ElementType::Quadrilateral, {1, 2, 3, 1}, CellKind::Triangle, {1, 2, 3}},
      {ElementType::Quadrilateral, {1, 1, 2, 3}, CellKind::Triangle, {1, 2, 3}},
      {ElementType::Quadrilateral, {1, 2, 2, 1}, CellKind::Line, {1, 2}},
      {ElementType::Quadrilateral, {1, 1, 2, 2}, CellKind::Line, {1, 2}},
      {ElementType::Quadrilateral, {4, 4, 4, 4}, CellKind::Vertex, {4}},
      {ElementType::Quadrilateral, {1, 2, 1, 3}, CellKind::Quad, {1, 2, 1, 3}}, // folded: kept as it stands
      {ElementType::Triangle, {1, 2, 2}, CellKind::Triangle, {1, 2, 2}},
      {ElementType::Tetrahedron, {1, 2, 3, 4}, CellKind::Tetra, {1, 2, 3, 4}},
      {ElementType::LineSegment, {5, 6}, CellKind::Line, {5, 6}},
      {ElementType::Brick, {1, 2, 3, 4, 5, 6, 7, 8}, CellKind::Hexahedron, {1, 2, 3, 4, 5, 6, 7, 8}},
      // The simulator's wedges: positions 2, 4, 3, 6, 8, 7 (VTK winds a
      // wedge's triangles the other way round than a brick's faces).
      {ElementType::Brick, {1, 1, 2, 3, 4, 4, 5, 6}, CellKind::Wedge, {1, 3, 2, 4, 6, 5}},
      {ElementType::Brick, {1, 2, 3, 3, 4, 5, 6, 6}, CellKind::Wedge, {1, 3, 2, 4, 6, 5}},
      // A quadrilateral side as the base, the opposite edge collapsed.
      {ElementType::Brick, {1, 2, 5, 4, 3, 3, 6, 6}, CellKind::Wedge, {1, 2, 3, 4, 5, 6}},
      {ElementType::Brick, {1, 2, 3, 4, 5, 5, 5, 5}, CellKind::Pyramid, {1, 2, 3, 4, 5}},
      {ElementType::Brick, {5, 5, 5, 5, 1, 2, 3, 4}, CellKind::Pyramid, {1, 4, 3, 2, 5}},
      {ElementType::Brick, {1, 2, 3, 3, 4, 4, 4, 4}, CellKind::Tetra, {1, 2, 3, 4}},
      {ElementType::Brick, {1, 1, 1, 1, 2, 2, 2, 2}, CellKind::Hexahedron, {1, 1, 1, 1, 2, 2, 2, 2}},
      {ElementType::Brick, {1, 2, 3, 4, 5, 6, 7, 1}, CellKind::Hexahedron, {1, 2, 3, 4, 5, 6, 7, 1}},
  };
  for (const auto &c : cases) {
    const Cell cell = cellOfElement(c.type, c.element.data());
    EXPECT_EQ(cell.kind, c.kind) << ::testing::PrintToString(c.element);
    EXPECT_EQ(std::vector<std::int32_t>(cell.nodes.begin(), cell.nodes.begin() + cell.count), c.corners)
        << ::testing::PrintToString(c.element);
    // The reader's shortcut: only for an element that is its cell as it stands.
    const CellKind plain = plainCellKind(c.type, c.element.data());
    if (plain != CellKind::None) {
      EXPECT_EQ(plain, c.kind) << ::testing::PrintToString(c.element);
      EXPECT_EQ(c.element, c.corners) << ::testing::PrintToString(c.element);
    }
  }
}

TEST(CellShapes, OrderedZonesGiveQuadrilateralsAndHexahedra) {
  struct Case {
    std::int64_t i, j, k;
    std::size_t cells;
    std::size_t element;
    CellKind kind;
    std::vector<std::int32_t> corners;
  };
  const std::vector<Case> cases = {
      {3, 2, 1, 2, 1, CellKind::Quad, {2, 3, 6, 5}},
      {4, 3, 1, 6, 4, CellKind::Quad, {6, 7, 11, 10}},
      {2, 1, 3, 2, 1, CellKind::Quad, {3, 4, 6, 5}}, // J alone is 1: the cells lie in the I-K plane
      {1, 3, 3, 4, 3, CellKind::Quad, {5, 6, 9, 8}},
      {2, 2, 3, 2, 1, CellKind::Hexahedron, {5, 6, 8, 7, 9, 10, 12, 11}},
      {3, 3, 3, 8, 7, CellKind::Hexahedron, {14, 15, 18, 17, 23, 24, 27, 26}},
      {4, 3, 2, 6, 5, CellKind::Hexahedron, {7, 8, 12, 11, 19, 20, 24, 23}},
  };
  for (const Case &c : cases) {
    ElementTable cells;
    setOrderedCells(c.i, c.j, c.k, cells);
    ASSERT_EQ(cells.size(), c.cells) << c.i << "x" << c.j << "x" << c.k;
    EXPECT_EQ(orderedCellCount(c.i, c.j, c.k), static_cast<std::int64_t>(c.cells));
    EXPECT_EQ(cells.kind(c.element), c.kind);
    EXPECT_EQ(cells.cornerCount(), c.cells * c.corners.size());
    CellCorners room;
    const std::int32_t *nodes = cells.nodes(c.element, room);
    EXPECT_EQ(std::vector<std::int32_t>(nodes, nodes + cells.nodeCount(c.element)), c.corners);
    // The last cell's last corners are the last node.
    EXPECT_EQ(cells.smallestNumber(), 1);
    EXPECT_EQ(cells.largestNumber(), c.i * c.j * c.k);
  }
  EXPECT_EQ(orderedCellCount(5, 1, 1), 0);
  ElementTable none;
  setOrderedCells(5, 1, 1, none);
  EXPECT_EQ(none.size(), 0u);
}

} // namespace
} // namespace zonvert
