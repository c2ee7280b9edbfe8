#include "ZoneRecord.h"

#include <cassert>

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

void NodeValueTable::appendValue(std::string_view value) {
  assert(!nodeTextStart_.empty());
  const std::size_t relative = text_.size() - nodeTextStart_.back();
  assert(relative + value.size() <= UINT16_MAX);
  valueOffset_.push_back(static_cast<std::uint16_t>(relative));
  text_.insert(text_.end(), value.begin(), value.end());
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
