// The value texts of every node of a zone, served by (node, variable)
// whichever order they were read in: node after node (point layout) or
// variable after variable (block layout). In block layout a variable may
// hold one value per cell instead of one per node (cell-centred); its
// values are served by (cell, variable) the same way.
//
// Layout: one ValueColumn per variable, holding its values in order, each
// followed by a line feed, so that a variable's values are read (and its
// legacy SCALARS section written) in one sweep through memory, and a zone
// takes hardly more memory than the text of its values in the file (a
// repeat count's values are held as a run, see ValueColumn). The
// reader decides what a value's text is (see read/NodeValueLines.h); the
// table keeps it.
#pragma once

#include "base/ByteCopy.h"
#include "base/NumberForms.h"
#include "zone/ValueColumn.h"

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

namespace zonvert {

class NodeValueTable {
public:
  enum class Order { ByNode, ByVariable };

  static constexpr std::size_t kNoNode = SIZE_MAX;

  // Empties the table for a zone of `nodeCount` nodes with `variableCount`
  // values each, read in `order`. Keeps the memory, so a file of similar
  // zones allocates once.
  void reset(std::size_t nodeCount, std::size_t variableCount, Order order);
  // Empties the table for a zone in block layout whose variables marked in
  // `cellCentred` hold `cellCount` values each, the others `nodeCount`.
  void resetBlocks(std::size_t nodeCount, std::size_t cellCount, const std::vector<bool> &cellCentred);
  void clear() { reset(0, 0, Order::ByNode); }
  // Ends the zone after the `nodeCount` nodes held, in point layout: for a
  // zone whose data lines tell its node count, reset for more nodes than it
  // may hold.
  void endAfter(std::size_t nodeCount);

  std::size_t nodeCount() const { return nodeCount_; }
  std::size_t variableCount() const { return variableCount_; }
  std::size_t valuesWanted() const { return valuesWanted_; }
  bool isCellCentred(std::size_t variable) const {
    return variable < cellCentred_.size() && cellCentred_[variable];
  }
  std::size_t valuesHeld() const { return held_; }

  // The next value in reading order: room for up to `bytes` bytes in its
  // column, to be written there; then valueAdded with the text written
  // there and whether the value is NaN or an infinity.
  char *valueRoom(std::size_t bytes) { return columns_[nextColumn_].room(bytes); }
  void valueAdded(std::string_view text, bool nonFinite);
  // The next `count` values in reading order, each `text` (whether NaN or
  // an infinity: `nonFinite`), held as one run per variable they fall in.
  void valuesRepeated(std::string_view text, bool nonFinite, std::size_t count);

  // True where the next values are a whole node's, one per variable in
  // turn (point layout, at the start of a node).
  bool atNodeStart() const { return order_ == Order::ByNode && nextColumn_ == 0 && variableCount_ > 0; }
  // Takes a whole node's values at once (atNodeStart()): value k is the
  // text from text[bounds[2k]] up to text[bounds[2k + 1]]. With
  // `paddedText`, sixteen bytes from the start of every value may be read.
  void appendNode(const char *text, const std::uint32_t *bounds, bool paddedText) {
    bool mayPass = false;
    for (std::size_t variable = 0; variable < variableCount_; ++variable) {
      const std::uint32_t start = bounds[2 * variable];
      const std::size_t length = bounds[2 * variable + 1] - start;
      ValueColumn &column = columns_[variable];
      mayPass |= mayPassFloatRange(text + start, length);
      char *const to = column.room(length);
      // Both ends have sixteen bytes to spare: one unaligned copy.
      if (paddedText && length <= 16)
        std::memcpy(to, text + start, 16);
      else
        copyBytes(to, text + start, length);
      column.added(length);
    }
    if (mayPass) [[unlikely]]
      noteNodeRanges(text, bounds);
    held_ += variableCount_;
  }

  std::string_view value(std::size_t node, std::size_t variable) const { return columns_[variable].at(node); }
  // All values of a variable, in node (or cell) order.
  const ValueColumn &column(std::size_t variable) const { return columns_[variable]; }

  // The first node (or cell, of a cell-centred variable), 0-based, whose
  // value of `variable` is NaN or an infinity, or kNoNode.
  std::size_t firstNonFiniteNode(std::size_t variable) const {
    return variable < firstNonFinite_.size() ? firstNonFinite_[variable] : kNoNode;
  }
  // True when a value of `variable` is past the range of a 32-bit float
  // (see FloatRange) but within a double's.
  bool needsDouble(std::size_t variable) const { return variable < needsDouble_.size() && needsDouble_[variable]; }

private:
  // Notes a value of `variable`, the `item`-th, that is NaN or an
  // infinity, or may be past a float's range.
  void noteRange(std::size_t variable, std::size_t item, std::string_view text, bool nonFinite);
  // noteRange for each value of the node appendNode has just taken.
  void noteNodeRanges(const char *text, const std::uint32_t *bounds);
  std::size_t wantedIn(std::size_t variable) const { return variableStart_[variable + 1] - variableStart_[variable]; }
  // Passes to the variable the next value belongs to.
  [[gnu::always_inline]] void advanceColumn() {
    if (order_ == Order::ByNode) {
      if (++nextColumn_ == variableCount_)
        nextColumn_ = 0;
    } else {
      while (nextColumn_ < variableCount_ && columns_[nextColumn_].size() == wantedIn(nextColumn_))
        ++nextColumn_;
    }
  }

  Order order_ = Order::ByNode;
  std::size_t nodeCount_ = 0;
  std::size_t variableCount_ = 0;
  std::size_t valuesWanted_ = 0;
  std::vector<std::size_t> variableStart_; // where each variable's values start in reading order
  std::vector<bool> cellCentred_;          // by variable; empty when all are nodal
  std::size_t held_ = 0;                   // values taken so far
  std::size_t nextColumn_ = 0;             // the variable the next value belongs to
  std::vector<ValueColumn> columns_;       // by variable; kept for the next zone
  std::vector<std::size_t> firstNonFinite_; // by variable
  std::vector<bool> needsDouble_;            // by variable
};

} // namespace zonvert
