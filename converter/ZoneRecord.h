// One Tecplot zone as the converter holds it between reading and writing.
//
// Node values are kept as the exact text of the input, never converted, so
// the writer repeats them byte for byte. A zone of a large result file holds
// millions of values, so they are not stored one heap string each: the text
// of all values is packed into one contiguous buffer and each value is found
// through small offsets (see NodeValueTable).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zonvert {

enum class CellKind : int {
  None = 0,
  Line = 1,
  Triangle = 2,
  Quad = 3,
  Tetra = 4,
  Hexahedron = 5,
  Wedge = 6,
};

// The value texts of every node line of a zone.
//
// Layout: all value texts packed back to back in `text_`; per node the offset
// of its first text byte and the index of its first entry in `valueOffset_`.
// That array holds, per node, the offset of each value relative to the
// node's first byte and one more offset marking the end of its last value,
// so every value is found without a branch. The offsets are 32 bits wide, so
// a node line may hold up to 4 GiB of values (kMaxNodeLineBytes) at half the
// memory of full-width offsets.
//
// Values are stored as the line holds them, except numbers in the Fortran
// forms that C readers cannot read whole, which are stored in the C form
// (see NumberForms.h).
class NodeValueTable {
public:
  // The longest node line the 32-bit offsets can describe.
  static constexpr std::size_t kMaxNodeLineBytes = UINT32_MAX - 1;
  static constexpr std::size_t kNoNode = SIZE_MAX;

  void clear();
  std::size_t size() const { return nodeTextStart_.size(); }

  // Adds a node whose values are the pieces of `line` split at runs of
  // blanks (empty pieces dropped). The line holds at most kMaxNodeLineBytes.
  void appendNodeLine(std::string_view line);

  std::size_t valueCount(std::size_t node) const;
  std::string_view value(std::size_t node, std::size_t index) const {
    const std::size_t at = nodeFirstValue_[node] + index;
    const char *nodeText = text_.data() + nodeTextStart_[node];
    return {nodeText + valueOffset_[at], static_cast<std::size_t>(valueOffset_[at + 1] - valueOffset_[at])};
  }

  // The first node (0-based) whose value at `index` is NaN or an infinity,
  // or kNoNode.
  std::size_t firstNonFiniteNode(std::size_t index) const {
    return index < firstNonFinite_.size() ? firstNonFinite_[index] : kNoNode;
  }

private:
  bool appendPlainValues(std::string_view line, char *out, std::size_t &used);
  void appendSpecialValues(std::string_view line, char *out, std::size_t &used);
  void appendValue(const char *text, std::size_t length, char *out, std::size_t &used) {
    valueOffset_.push_back(static_cast<std::uint32_t>(used));
    std::memcpy(out + used, text, length);
    used += length;
  }

  std::vector<char> text_;
  std::vector<std::uint64_t> nodeTextStart_;
  std::vector<std::uint64_t> nodeFirstValue_;
  std::vector<std::uint32_t> valueOffset_;
  std::vector<std::size_t> firstNonFinite_; // by value index
};

// The 1-based node numbers of every element line of a zone, flat.
class ElementTable {
public:
  void clear();
  std::size_t size() const { return elementStart_.size(); }

  void beginElement();
  void appendNode(std::int32_t nodeNumber);

  std::size_t nodeCount(std::size_t element) const;
  // The node numbers of one element, counted from 0 within the element.
  const std::int32_t *nodes(std::size_t element) const { return nodes_.data() + elementStart_[element]; }
  // The node numbers of all elements, one after the other.
  std::span<const std::int32_t> allNodes() const { return nodes_; }

private:
  std::vector<std::int32_t> nodes_;
  std::vector<std::uint64_t> elementStart_;
};

struct ZoneRecord {
  std::string title;          // "T=" value, upper-cased, blanks removed
  int nodeCount = 0;          // "N=" or "I="
  int elementCount = 0;       // "E="; 0 or less: a zone of nodes only
  std::string elementTypeName; // "ET=" value, upper-cased
  CellKind cellKind = CellKind::None;
  std::vector<std::string> variableNames;
  NodeValueTable nodeValues;
  ElementTable elementNodes;
  std::string color;          // "C=" value, upper-cased
  // Running 0-based number of the zone in its file, as the driver prints
  // it; used to name the zone in error messages.
  int zoneNumber = 0;
};

// Resets a record for the next zone. The variable names and the cell kind
// carry over: a file's variables line serves all its zones, and a zone
// without an element type inherits the kind of the zone before it.
void clearZone(ZoneRecord &zone);

} // namespace zonvert
