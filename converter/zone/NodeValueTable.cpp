#include "zone/NodeValueTable.h"

#include <algorithm>

namespace zonvert {

void NodeValueTable::reset(std::size_t nodeCount, std::size_t variableCount, Order order) {
  order_ = order;
  nodeCount_ = nodeCount;
  variableCount_ = variableCount;
  valuesWanted_ = nodeCount * variableCount;
  cellCentred_.clear();
  variableStart_.resize(variableCount + 1);
  for (std::size_t variable = 0; variable <= variableCount; ++variable)
    variableStart_[variable] = variable * nodeCount;
  held_ = 0;
  nextColumn_ = 0;
  // The columns keep their blocks, so a file of similar zones allocates once.
  if (columns_.size() < variableCount)
    columns_.resize(variableCount);
  for (ValueColumn &column : columns_)
    column.clear();
  firstNonFinite_.clear();
  needsDouble_.clear();
}

void NodeValueTable::endAfter(std::size_t nodeCount) {
  nodeCount_ = nodeCount;
  valuesWanted_ = nodeCount * variableCount_;
  for (std::size_t variable = 0; variable <= variableCount_; ++variable)
    variableStart_[variable] = variable * nodeCount;
}

void NodeValueTable::resetBlocks(std::size_t nodeCount, std::size_t cellCount, const std::vector<bool> &cellCentred) {
  reset(nodeCount, cellCentred.size(), Order::ByVariable);
  cellCentred_ = cellCentred;
  for (std::size_t variable = 0; variable < cellCentred.size(); ++variable)
    variableStart_[variable + 1] = variableStart_[variable] + (cellCentred[variable] ? cellCount : nodeCount);
  valuesWanted_ = variableStart_.back();
}

void NodeValueTable::noteRange(std::size_t variable, std::size_t item, std::string_view text, bool nonFinite) {
  const FloatRange range = nonFinite ? FloatRange::PastDouble : floatRangeOf(text);
  if (range == FloatRange::Double) {
    if (variable >= needsDouble_.size())
      needsDouble_.resize(variable + 1, false);
    needsDouble_[variable] = true;
  } else if (range == FloatRange::PastDouble) {
    if (variable >= firstNonFinite_.size())
      firstNonFinite_.resize(variable + 1, kNoNode);
    firstNonFinite_[variable] = std::min(firstNonFinite_[variable], item);
  }
}

void NodeValueTable::noteNodeRanges(const char *text, const std::uint32_t *bounds) {
  for (std::size_t variable = 0; variable < variableCount_; ++variable) {
    const std::string_view value(text + bounds[2 * variable], bounds[2 * variable + 1] - bounds[2 * variable]);
    if (mayPassFloatRange(value.data(), value.size()))
      noteRange(variable, columns_[variable].size() - 1, value, false);
  }
}

void NodeValueTable::valueAdded(std::string_view text, bool nonFinite) {
  const std::size_t variable = nextColumn_;
  ValueColumn &column = columns_[variable];
  if (nonFinite || mayPassFloatRange(text.data(), text.size())) [[unlikely]]
    noteRange(variable, column.size(), text, nonFinite);
  column.added(text.size());
  ++held_;
  advanceColumn();
}

void NodeValueTable::valuesRepeated(std::string_view text, bool nonFinite, std::size_t count) {
  const bool mayPass = nonFinite || mayPassFloatRange(text.data(), text.size());
  auto addRun = [&](std::size_t variable, std::size_t values) {
    ValueColumn &column = columns_[variable];
    if (mayPass) [[unlikely]]
      noteRange(variable, column.size(), text, nonFinite);
    column.addRun(text, values);
    held_ += values;
    count -= values;
  };
  while (count > 0) {
    if (order_ == Order::ByNode && nextColumn_ == 0 && count >= variableCount_) {
      // Whole nodes: as many values in every column.
      const std::size_t nodes = count / variableCount_;
      for (std::size_t variable = 0; variable < variableCount_; ++variable)
        addRun(variable, nodes);
      continue;
    }
    const std::size_t variable = nextColumn_;
    addRun(variable, order_ == Order::ByNode ? 1 : std::min(count, wantedIn(variable) - columns_[variable].size()));
    advanceColumn();
  }
}

} // namespace zonvert
