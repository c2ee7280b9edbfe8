// The cells of a zone: per element its cell kind and its corner node
// numbers (1-based, in VTK's corner order), flat. Where every element has
// as many corners as the first (a zone of one element type, as most are),
// where each starts follows from its number; only a zone of mixed shapes
// keeps a start per element. The cells of an ordered zone (a grid) are
// made from their number when asked for, never held.
#pragma once

#include "zone/CellKinds.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace zonvert {

// One direction of a grid: its number of nodes, and the step between
// neighbouring nodes along it in node numbers.
struct GridAxis {
  std::int64_t size;
  std::int64_t step;
};

// Room for the corners of any cell.
using CellCorners = std::array<std::int32_t, 8>;

class ElementTable {
public:
  void clear();
  // Makes the table the cells of a grid along `axes` (two: quadrilaterals;
  // three: hexahedra; each axis of two nodes or more), each cell the nodes
  // neighbouring its first corner, the first axis running fastest.
  void setGrid(std::span<const GridAxis> axes);
  // Makes room for `elements` elements of `corners` corners each.
  void reserve(std::size_t elements, std::size_t corners);
  std::size_t size() const { return grid_ ? gridCells_ : kinds_.size(); }

  void append(CellKind kind, const std::int32_t *nodes, std::size_t count) {
    if (count != cornersEach_) [[unlikely]]
      noteCornerCount(count);
    if (mixed_) [[unlikely]]
      elementStart_.push_back(nodesHeld_);
    kinds_.push_back(kind);
    if (count > nodes_.size() - nodesHeld_) [[unlikely]]
      growNodes(count);
    std::int32_t *const to = nodes_.data() + nodesHeld_;
    std::int32_t smallest = smallest_, largest = largest_;
    for (std::size_t k = 0; k < count; ++k) {
      smallest = std::min(smallest, nodes[k]);
      largest = std::max(largest, nodes[k]);
      to[k] = nodes[k];
    }
    nodesHeld_ += count;
    smallest_ = smallest;
    largest_ = largest;
  }

  CellKind kind(std::size_t element) const { return grid_ ? gridKind_ : kinds_[element]; }
  std::size_t nodeCount(std::size_t element) const {
    if (!mixed_)
      return cornersEach_;
    const std::size_t end = element + 1 < elementStart_.size() ? elementStart_[element + 1] : nodesHeld_;
    return end - elementStart_[element];
  }
  // The corners of `element`: where they are held, or made in `room`.
  const std::int32_t *nodes(std::size_t element, CellCorners &room) const {
    if (grid_) [[unlikely]] {
      gridCorners(element, room);
      return room.data();
    }
    return nodes_.data() + (mixed_ ? elementStart_[element] : element * cornersEach_);
  }
  // The number of corners of all elements.
  std::size_t cornerCount() const { return grid_ ? gridCells_ * cornersEach_ : nodesHeld_; }
  // The smallest and the largest node number of all elements.
  std::int32_t smallestNumber() const { return smallest_; }
  std::int32_t largestNumber() const { return largest_; }

private:
  void noteCornerCount(std::size_t count);
  // Makes room for `count` more node numbers past those held.
  void growNodes(std::size_t count);
  void gridCorners(std::size_t element, CellCorners &corners) const;

  // The node numbers, the first nodesHeld_ of them the elements'. Grown a
  // step at a time, so that an element's numbers are stored without a
  // check per number.
  std::vector<std::int32_t> nodes_;
  std::size_t nodesHeld_ = 0;
  std::vector<std::uint64_t> elementStart_; // only when mixed_
  std::vector<CellKind> kinds_;
  std::size_t cornersEach_ = 0;
  bool mixed_ = false;
  std::int32_t smallest_ = INT32_MAX;
  std::int32_t largest_ = INT32_MIN;
  bool grid_ = false;
  std::array<GridAxis, 3> axes_{}; // of the grid; a third of one cell for quadrilaterals
  std::size_t gridCells_ = 0;
  CellKind gridKind_ = CellKind::Hexahedron;
};

} // namespace zonvert
