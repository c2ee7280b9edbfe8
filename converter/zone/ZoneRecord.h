// One Tecplot zone as the converter holds it between reading and writing.
//
// Node values are kept as the exact text of the input, never converted, so
// the writer repeats them byte for byte. A zone of a large result file holds
// millions of values, so they are not stored one heap string each: the text
// of all values is packed into one contiguous buffer and each value is found
// through small offsets (see NodeValueTable).
#pragma once

#include "zone/ValueColumn.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zonvert {

// The shape of one cell as the VTK file holds it.
enum class CellKind : std::uint8_t {
  None = 0,
  Line = 1,
  Triangle = 2,
  Quad = 3,
  Tetra = 4,
  Hexahedron = 5,
  Wedge = 6,
  Pyramid = 7,
  Vertex = 8,
};

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

// The value texts of every node of a zone, served by (node, variable)
// whichever order they were read in: node after node (point layout) or
// variable after variable (block layout). In block layout a variable may
// hold one value per cell instead of one per node (cell-centred); its
// values are served by (cell, variable) the same way.
//
// Layout: one ValueColumn per variable, holding its values in order, each
// followed by a line feed, so that a variable's values are read (and its
// legacy SCALARS section written) in one sweep through memory, and a zone
// takes hardly more memory than the text of its values in the file.
//
// Values are stored as the file holds them, except numbers in the Fortran
// forms that C readers cannot read whole, which are stored in the C form
// (see NumberForms.h), and repeat counts ("3*0.0"), which are stored as the
// values they stand for.
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

  std::size_t nodeCount() const { return nodeCount_; }
  std::size_t variableCount() const { return variableCount_; }
  std::size_t valuesWanted() const { return valuesWanted_; }
  bool isCellCentred(std::size_t variable) const {
    return variable < cellCentred_.size() && cellCentred_[variable];
  }
  std::size_t valuesHeld() const { return held_; }

  // Takes values from the start of `text`, separated by blanks, tabs and
  // commas, until the table holds all the values it wants, or `limit` more.
  // Returns how many bytes of `text` it took; a repeat count standing for
  // more values than are still wanted is not taken.
  std::size_t appendValues(std::string_view text, std::size_t limit = SIZE_MAX);
  // Takes one value as it stands (Fortran forms aside).
  void appendValue(std::string_view value);
  // Takes node lines of one node each from the start of `block`, ended by a
  // line feed (or a carriage return and a line feed), until the table holds
  // all the values it wants or a line needs a closer look. Returns the bytes
  // of the lines taken. The block must have sixteen bytes to spare past its
  // end.
  std::size_t appendWholeLines(std::string_view block);

  // Call once the values are in, before reading any.
  void finish() {}

  std::string_view value(std::size_t node, std::size_t variable) const { return columns_[variable].at(node); }
  // All values of a variable, in node (or cell) order.
  const ValueColumn &column(std::size_t variable) const { return columns_[variable]; }

  // The first node (or cell, of a cell-centred variable), 0-based, whose
  // value of `variable` is NaN or an infinity, or kNoNode.
  std::size_t firstNonFiniteNode(std::size_t variable) const {
    return variable < firstNonFinite_.size() ? firstNonFinite_[variable] : kNoNode;
  }

private:
  std::size_t wantedIn(std::size_t variable) const { return variableStart_[variable + 1] - variableStart_[variable]; }
  bool appendWholeRow(std::string_view text);
  std::size_t appendTokens(std::string_view text, std::size_t target);
  bool findPlainRow(std::string_view text, bool endsWithText, std::size_t &rowBytes);
  void copyRow(const char *text, bool paddedText);

  Order order_ = Order::ByNode;
  std::size_t nodeCount_ = 0;
  std::size_t variableCount_ = 0;
  std::size_t valuesWanted_ = 0;
  std::vector<std::size_t> variableStart_; // where each variable's values start in reading order
  std::vector<bool> cellCentred_;          // by variable; empty when all are nodal
  std::size_t held_ = 0;                   // values taken so far
  std::size_t nextColumn_ = 0;             // the variable the next value belongs to
  std::vector<ValueColumn> columns_;       // by variable; kept for the next zone
  std::vector<std::uint32_t> found_;       // a line's values: start and end of each
  std::vector<std::size_t> firstNonFinite_; // by variable
};

// The cells of a zone: per element its cell kind and its corner node
// numbers (1-based, in VTK's corner order), flat. Where every element has
// as many corners as the first (a zone of one element type, as most are),
// where each starts follows from its number; only a zone of mixed shapes
// keeps a start per element.
class ElementTable {
public:
  void clear();
  // Makes room for `elements` elements of `corners` corners each.
  void reserve(std::size_t elements, std::size_t corners);
  std::size_t size() const { return kinds_.size(); }

  void append(CellKind kind, const std::int32_t *nodes, std::size_t count) {
    if (count != cornersEach_) [[unlikely]]
      noteCornerCount(count);
    if (mixed_) [[unlikely]]
      elementStart_.push_back(nodes_.size());
    kinds_.push_back(kind);
    for (std::size_t k = 0; k < count; ++k) {
      smallest_ = std::min(smallest_, nodes[k]);
      largest_ = std::max(largest_, nodes[k]);
      nodes_.push_back(nodes[k]);
    }
  }

  CellKind kind(std::size_t element) const { return kinds_[element]; }
  std::size_t nodeCount(std::size_t element) const {
    if (!mixed_)
      return cornersEach_;
    const std::size_t end = element + 1 < elementStart_.size() ? elementStart_[element + 1] : nodes_.size();
    return end - elementStart_[element];
  }
  const std::int32_t *nodes(std::size_t element) const {
    return nodes_.data() + (mixed_ ? elementStart_[element] : element * cornersEach_);
  }
  // The node numbers of all elements, one after the other.
  std::span<const std::int32_t> allNodes() const { return nodes_; }
  // The number of corners of every element, or 0 when they differ.
  std::size_t cornersOfEach() const { return mixed_ ? 0 : cornersEach_; }
  // The smallest and the largest node number of all elements.
  std::int32_t smallestNumber() const { return smallest_; }
  std::int32_t largestNumber() const { return largest_; }

private:
  void noteCornerCount(std::size_t count);

  std::vector<std::int32_t> nodes_;
  std::vector<std::uint64_t> elementStart_; // only when mixed_
  std::vector<CellKind> kinds_;
  std::size_t cornersEach_ = 0;
  bool mixed_ = false;
  std::int32_t smallest_ = INT32_MAX;
  std::int32_t largest_ = INT32_MIN;
};

struct ZoneRecord {
  std::string title;           // "T=" value as the file holds it, without its quotes
  std::string solutionTime;    // "SOLUTIONTIME=" value as the file holds it; empty when absent
  int nodeCount = 0;           // "N=", "NODES=", "I=" (x "J=" x "K=" in an ordered zone)
  int elementCount = 0;        // elements or cells; 0 or less: a zone of nodes only
  std::string elementTypeName; // "ET=" (else "ZONETYPE=") value, upper-cased
  // The element type of the zone's elements: its own, or that of an earlier
  // zone when the zone names none.
  ElementType elementType = ElementType::None;
  std::vector<std::string> variableNames;
  NodeValueTable nodeValues;
  ElementTable elementNodes;
  std::string color;           // "C=" value, upper-cased
  // Running 0-based number of the zone in its file, as the driver prints
  // it; used to name the zone in error messages.
  int zoneNumber = 0;
};

// Resets a record for the next zone. The variable names and the element
// type carry over: a file's variables record serves all its zones, and a
// finite-element zone that names no element type takes that of the zone
// before it.
void clearZone(ZoneRecord &zone);

} // namespace zonvert
