#include "ZoneRecord.h"

#include "LineOps.h"

#include <cassert>
#include <cstring>

namespace zonvert {

void NodeValueTable::clear() {
  // clear() keeps the capacity, so a file of similar zones allocates once.
  text_.clear();
  nodeTextStart_.clear();
  nodeFirstValue_.clear();
  valueOffset_.clear();
}

void NodeValueTable::appendNodeLine(std::string_view line) {
  assert(line.size() <= UINT16_MAX);
  nodeTextStart_.push_back(text_.size());
  nodeFirstValue_.push_back(valueOffset_.size());
  // The values of a line are never longer than the line: make room once,
  // copy the pieces without their separating blanks, then trim.
  const std::size_t base = text_.size();
  text_.resize(base + line.size());
  char *const out = text_.data() + base;
  std::size_t used = 0;
  forEachPiece(line, ' ', [&](std::string_view piece) {
    valueOffset_.push_back(static_cast<std::uint16_t>(used));
    std::memcpy(out + used, piece.data(), piece.size());
    used += piece.size();
  });
  valueOffset_.push_back(static_cast<std::uint16_t>(used));
  text_.resize(base + used);
}

std::size_t NodeValueTable::valueCount(std::size_t node) const {
  const std::size_t next = node + 1 < nodeFirstValue_.size() ? nodeFirstValue_[node + 1] : valueOffset_.size();
  // Each node's entries end with its end marker.
  return next - nodeFirstValue_[node] - 1;
}

void ElementTable::clear() {
  nodes_.clear();
  elementStart_.clear();
}

void ElementTable::beginElement() { elementStart_.push_back(nodes_.size()); }

void ElementTable::appendNode(std::int32_t nodeNumber) { nodes_.push_back(nodeNumber); }

std::size_t ElementTable::nodeCount(std::size_t element) const {
  const std::size_t end = element + 1 < elementStart_.size() ? elementStart_[element + 1] : nodes_.size();
  return end - elementStart_[element];
}

void clearZone(ZoneRecord &zone) {
  zone.title.clear();
  zone.nodeCount = 0;
  zone.elementCount = 0;
  zone.elementTypeName.clear();
  zone.nodeValues.clear();
  zone.elementNodes.clear();
  zone.color.clear();
}

} // namespace zonvert
