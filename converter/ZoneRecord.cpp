#include "ZoneRecord.h"

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

void NodeValueTable::beginNode() {
  nodeTextStart_.push_back(text_.size());
  nodeFirstValue_.push_back(valueOffset_.size());
}

void NodeValueTable::appendNodeLine(std::string_view line) {
  assert(line.size() <= UINT16_MAX);
  beginNode();
  // The values of a line are never longer than the line: make room once,
  // copy the pieces without their separating blanks, then trim.
  const std::size_t base = text_.size();
  text_.resize(base + line.size());
  char *const out = text_.data() + base;
  std::size_t used = 0;
  const char *p = line.data();
  const char *const end = p + line.size();
  while (p < end) {
    while (p < end && *p == ' ')
      ++p;
    if (p == end)
      break;
    const char *const start = p;
    while (p < end && *p != ' ')
      ++p;
    valueOffset_.push_back(static_cast<std::uint16_t>(used));
    std::memcpy(out + used, start, static_cast<std::size_t>(p - start));
    used += static_cast<std::size_t>(p - start);
  }
  text_.resize(base + used);
}

std::size_t NodeValueTable::nodeTextEnd(std::size_t node) const {
  return node + 1 < nodeTextStart_.size() ? nodeTextStart_[node + 1] : text_.size();
}

std::size_t NodeValueTable::nodeValueEnd(std::size_t node) const {
  return node + 1 < nodeFirstValue_.size() ? nodeFirstValue_[node + 1] : valueOffset_.size();
}

std::size_t NodeValueTable::valueCount(std::size_t node) const {
  return nodeValueEnd(node) - nodeFirstValue_[node];
}

std::string_view NodeValueTable::value(std::size_t node, std::size_t index) const {
  const std::size_t first = nodeFirstValue_[node];
  const std::size_t base = nodeTextStart_[node];
  const std::size_t begin = base + valueOffset_[first + index];
  const std::size_t end =
      first + index + 1 < nodeValueEnd(node) ? base + valueOffset_[first + index + 1] : nodeTextEnd(node);
  return {text_.data() + begin, end - begin};
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
