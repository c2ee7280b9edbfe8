#include "read/CellShapes.h"

#include <algorithm>
#include <vector>

namespace zonvert {

namespace {

// The cell of `kind` whose corners are the first numbers.
Cell cellOf(CellKind kind, const std::int32_t *numbers) {
  Cell cell;
  cell.kind = kind;
  cell.count = factsOf(kind).corners;
  std::copy(numbers, numbers + cell.count, cell.nodes.begin());
  return cell;
}

// A face's corners with repeated neighbours (round the face) dropped.
// `valid` is false when a number still repeats (a face folded over itself).
struct Polygon {
  std::array<std::int32_t, 4> nodes{};
  int count = 0;
  bool valid = true;
};

Polygon collapse(const std::int32_t *numbers, const int *corners, int cornerCount) {
  Polygon polygon;
  for (int c = 0; c < cornerCount; ++c) {
    const std::int32_t number = numbers[corners[c]];
    if (polygon.count == 0 || polygon.nodes[polygon.count - 1] != number)
      polygon.nodes[polygon.count++] = number;
  }
  while (polygon.count > 1 && polygon.nodes[polygon.count - 1] == polygon.nodes[0])
    --polygon.count;
  polygon.valid = polygon.count < 4 || (polygon.nodes[0] != polygon.nodes[2] && polygon.nodes[1] != polygon.nodes[3]);
  return polygon;
}

constexpr int kQuadCorners[4] = {0, 1, 2, 3};

Cell quadrilateralCell(const std::int32_t *numbers) {
  const Polygon polygon = collapse(numbers, kQuadCorners, 4);
  switch (polygon.count) {
  case 1:
    return cellOf(CellKind::Vertex, polygon.nodes.data());
  case 2:
    return cellOf(CellKind::Line, polygon.nodes.data());
  case 3:
    return cellOf(CellKind::Triangle, polygon.nodes.data());
  default:
    return cellOf(CellKind::Quad, numbers);
  }
}

// A brick's faces, each with its right-hand normal pointing into the brick
// (as corners 0-3 in VTK's order), and its edges.
constexpr int kBrickFaces[6][4] = {{0, 1, 2, 3}, {4, 7, 6, 5}, {0, 4, 5, 1}, {1, 5, 6, 2}, {2, 6, 7, 3}, {3, 7, 4, 0}};
constexpr int kBrickEdges[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                                    {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};

bool holds(const Polygon &polygon, std::int32_t number) {
  return std::find(polygon.nodes.begin(), polygon.nodes.begin() + polygon.count, number) !=
         polygon.nodes.begin() + polygon.count;
}

// The one node of `numbers` outside `base`, when there is exactly one.
bool apexOf(const std::int32_t *numbers, const Polygon &base, std::int32_t &apex) {
  int found = 0;
  for (int c = 0; c < 8; ++c)
    if (!holds(base, numbers[c]) && (found == 0 || numbers[c] != apex)) {
      apex = numbers[c];
      ++found;
    }
  return found == 1;
}

// The node of `top` that an edge of the brick joins to `node`, when there is
// exactly one.
bool partnerOf(const std::int32_t *numbers, std::int32_t node, const Polygon &top, std::int32_t &partner) {
  int found = 0;
  for (const auto &edge : kBrickEdges) {
    const std::int32_t a = numbers[edge[0]], b = numbers[edge[1]];
    const std::int32_t other = a == node ? b : (b == node ? a : 0);
    if ((a == node || b == node) && holds(top, other) && (found == 0 || other != partner)) {
      partner = other;
      ++found;
    }
  }
  return found == 1;
}

// The wedges most writers store, "a a b c d d e f" and "a b c c d e f f",
// taken at once (the face analysis below gives the same corners): each
// triangle turned round, since VTK's wedge winds its triangles the other
// way round than its hexahedron winds its faces.
bool commonWedge(const std::int32_t *n, std::int32_t *corners) {
  static constexpr int kFirstPairs[6] = {1, 3, 2, 5, 7, 6};
  static constexpr int kSecondPairs[6] = {0, 2, 1, 4, 6, 5};
  const int *positions = nullptr;
  if (n[0] == n[1] && n[4] == n[5])
    positions = kFirstPairs;
  else if (n[2] == n[3] && n[6] == n[7])
    positions = kSecondPairs;
  if (!positions)
    return false;
  bool repeated = false;
  for (int a = 0; a < 6; ++a) {
    corners[a] = n[positions[a]];
    for (int b = 0; b < a; ++b)
      repeated |= corners[a] == corners[b];
  }
  return !repeated;
}

Cell collapsedBrickCell(const std::int32_t *numbers) {
  std::int32_t wedge[6];
  if (commonWedge(numbers, wedge))
    return cellOf(CellKind::Wedge, wedge);
  const Cell asGiven = cellOf(CellKind::Hexahedron, numbers);
  // Faces collapsed to an edge or a point are gone.
  Polygon triangles[6], quadrilaterals[6];
  int triangleCount = 0, quadrilateralCount = 0;
  for (const auto &face : kBrickFaces) {
    const Polygon polygon = collapse(numbers, face, 4);
    if (!polygon.valid)
      return asGiven;
    if (polygon.count == 3)
      triangles[triangleCount++] = polygon;
    else if (polygon.count == 4)
      quadrilaterals[quadrilateralCount++] = polygon;
  }
  std::int32_t sorted[8];
  std::copy(numbers, numbers + 8, sorted);
  std::sort(sorted, sorted + 8);
  const auto distinct = std::unique(sorted, sorted + 8) - sorted;

  std::int32_t corners[6];
  if (distinct == 4 && triangleCount == 4 && quadrilateralCount == 0) {
    std::copy(triangles[0].nodes.begin(), triangles[0].nodes.begin() + 3, corners);
    if (apexOf(numbers, triangles[0], corners[3]))
      return cellOf(CellKind::Tetra, corners);
  } else if (distinct == 5 && triangleCount == 4 && quadrilateralCount == 1) {
    std::copy(quadrilaterals[0].nodes.begin(), quadrilaterals[0].nodes.end(), corners);
    if (apexOf(numbers, quadrilaterals[0], corners[4]))
      return cellOf(CellKind::Pyramid, corners);
  } else if (distinct == 6 && triangleCount == 2 && quadrilateralCount == 3) {
    // The first triangle as the base, turned round so that its normal
    // points out of the cell (VTK's wedge), each of its corners joined by
    // an edge to its own corner of the other triangle.
    const Polygon &base = triangles[0];
    corners[0] = base.nodes[0];
    corners[1] = base.nodes[2];
    corners[2] = base.nodes[1];
    bool joined = true;
    for (int c = 0; c < 3; ++c)
      joined = joined && partnerOf(numbers, corners[c], triangles[1], corners[3 + c]);
    if (joined && corners[3] != corners[4] && corners[4] != corners[5] && corners[5] != corners[3])
      return cellOf(CellKind::Wedge, corners);
  }
  return asGiven;
}

} // namespace

std::string zoneTypeName(ElementType type) {
  for (const ElementTypeWord &entry : kElementTypeWords)
    if (entry.type == type)
      return std::string("FE") + entry.word;
  return "FE";
}

int cornersOf(ElementType type) {
  // An element lists the corners of the cell it is when no number repeats.
  switch (type) {
  case ElementType::LineSegment:
    return factsOf(CellKind::Line).corners;
  case ElementType::Triangle:
    return factsOf(CellKind::Triangle).corners;
  case ElementType::Quadrilateral:
    return factsOf(CellKind::Quad).corners;
  case ElementType::Tetrahedron:
    return factsOf(CellKind::Tetra).corners;
  case ElementType::Brick:
    return factsOf(CellKind::Hexahedron).corners;
  case ElementType::None:
    break;
  }
  return 0;
}

Cell cellOfElement(ElementType type, const std::int32_t *numbers) {
  const CellKind plain = plainCellKind(type, numbers);
  if (plain != CellKind::None)
    return cellOf(plain, numbers);
  if (type == ElementType::Quadrilateral)
    return quadrilateralCell(numbers);
  if (type == ElementType::Brick)
    return collapsedBrickCell(numbers);
  return Cell{};
}

namespace {

// The sizes above 1 with the step between neighbouring nodes along each.
std::vector<GridAxis> axesOf(std::int64_t i, std::int64_t j, std::int64_t k) {
  std::vector<GridAxis> axes;
  const GridAxis all[3] = {{i, 1}, {j, i}, {k, i * j}};
  for (const GridAxis &axis : all)
    if (axis.size > 1)
      axes.push_back(axis);
  return axes;
}

} // namespace

std::int64_t orderedCellCount(std::int64_t i, std::int64_t j, std::int64_t k) {
  const std::vector<GridAxis> axes = axesOf(i, j, k);
  if (axes.size() < 2)
    return 0;
  std::int64_t cells = 1;
  for (const GridAxis &axis : axes)
    cells *= axis.size - 1;
  return cells;
}

void setOrderedCells(std::int64_t i, std::int64_t j, std::int64_t k, ElementTable &cells) {
  const std::vector<GridAxis> axes = axesOf(i, j, k);
  if (axes.size() >= 2)
    cells.setGrid(axes);
}

} // namespace zonvert
