#include "zone/ElementTable.h"

namespace zonvert {

namespace {

// Room made at once for the node numbers of a zone: enough for the zones of
// most files, and never so much that a count far larger than the data it
// announces takes memory before the data is read.
constexpr std::size_t kMostReservedAtOnce = std::size_t{1} << 24;

} // namespace

void ElementTable::clear() {
  // The memory stays for the next zone; the numbers go, so that a copy of
  // the table copies no more than its own.
  nodes_.clear();
  nodesHeld_ = 0;
  elementStart_.clear();
  kinds_.clear();
  cornersEach_ = 0;
  mixed_ = false;
  smallest_ = INT32_MAX;
  largest_ = INT32_MIN;
  grid_ = false;
  gridCells_ = 0;
}

void ElementTable::setGrid(std::span<const GridAxis> axes) {
  clear();
  grid_ = true;
  gridKind_ = axes.size() == 3 ? CellKind::Hexahedron : CellKind::Quad;
  cornersEach_ = factsOf(gridKind_).corners;
  axes_ = {GridAxis{2, 0}, GridAxis{2, 0}, GridAxis{2, 0}};
  std::copy(axes.begin(), axes.end(), axes_.begin());
  gridCells_ = 1;
  std::int64_t last = 1;
  for (const GridAxis &axis : axes_) {
    gridCells_ *= static_cast<std::size_t>(axis.size - 1);
    last += (axis.size - 1) * axis.step;
  }
  smallest_ = 1;
  largest_ = static_cast<std::int32_t>(last);
}

void ElementTable::gridCorners(std::size_t element, CellCorners &corners) const {
  const auto &[a, b, c] = axes_;
  const auto acrossA = static_cast<std::size_t>(a.size - 1);
  const auto acrossB = static_cast<std::size_t>(b.size - 1);
  const auto u = static_cast<std::int64_t>(element % acrossA);
  const auto v = static_cast<std::int64_t>(element / acrossA % acrossB);
  const auto w = static_cast<std::int64_t>(element / acrossA / acrossB);
  // 1-based number of the cell's first corner, then round its face, then
  // the same a step further along the third axis.
  const std::int64_t first = 1 + u * a.step + v * b.step + w * c.step;
  const std::int64_t face[4] = {first, first + a.step, first + a.step + b.step, first + b.step};
  for (int n = 0; n < 4; ++n) {
    corners[n] = static_cast<std::int32_t>(face[n]);
    corners[n + 4] = static_cast<std::int32_t>(face[n] + c.step);
  }
}

void ElementTable::reserve(std::size_t elements, std::size_t corners) {
  const std::size_t most = kMostReservedAtOnce / std::max<std::size_t>(corners, 1);
  kinds_.reserve(std::min(elements, most));
  nodes_.reserve(std::min(elements, most) * corners);
}

void ElementTable::growNodes(std::size_t count) {
  // Steps of 64 Ki numbers: the numbers past those held that are zeroed
  // (and so take memory) are never many; within the room reserved, up to
  // its end at most, so that a step never moves the numbers to a larger
  // room than the zone needs.
  constexpr std::size_t kStep = std::size_t{1} << 16;
  const std::size_t needed = nodesHeld_ + count;
  std::size_t size = nodes_.size() + kStep;
  if (needed <= nodes_.capacity())
    size = std::min(size, nodes_.capacity());
  nodes_.resize(std::max(needed, size));
}

void ElementTable::noteCornerCount(std::size_t count) {
  if (kinds_.empty()) {
    cornersEach_ = count;
    return;
  }
  if (mixed_)
    return;
  mixed_ = true;
  elementStart_.resize(kinds_.size());
  for (std::size_t element = 0; element < kinds_.size(); ++element)
    elementStart_[element] = element * cornersEach_;
}

} // namespace zonvert
