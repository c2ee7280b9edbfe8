// The values of a zone's data lines, taken into its NodeValueTable.
//
// Values are separated by blanks, tabs, commas and line ends. They are kept
// as the file holds them, except numbers in the Fortran forms that C readers
// cannot read whole, which are kept in the C form (see
// base/NumberForms.h). A repeat count ("3*0.0") stands for its value so
// many times, and is kept as one run of it (see zone/ValueColumn.h).
//
// A line that holds exactly one node's values, as result files are written,
// is split sixteen bytes at a time and taken in one pass; every other line
// (values wrapped over lines, several nodes on a line, block layout, and
// the rare value that needs a look of its own) is taken token by token.
#pragma once

#include "zone/NodeValueTable.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace zonvert {

class NodeValueReader {
public:
  explicit NodeValueReader(NodeValueTable &values) : values_(values) {}

  // Takes values from the start of `text` until the table holds all the
  // values it wants, or `limit` more. Returns how many bytes of `text` it
  // took; a repeat count standing for more values than are still wanted,
  // and a record keyword, are not taken.
  std::size_t appendValues(std::string_view text, std::size_t limit = SIZE_MAX);
  // Takes one value as it stands (Fortran forms aside).
  void appendValue(std::string_view value);
  // Takes `count` values, each `value` (Fortran forms aside), as a run.
  void appendRepeated(std::string_view value, std::size_t count);
  // Takes node lines of one node each from the start of `block`, ended by a
  // line feed (or a carriage return and a line feed), until the table holds
  // all the values it wants or a line needs a closer look. Returns the bytes
  // of the lines taken. The block must have sixteen bytes to spare past its
  // end.
  std::size_t appendWholeLines(std::string_view block);

private:
  bool appendWholeRow(std::string_view text);
  std::size_t appendTokens(std::string_view text, std::size_t target);
  bool findPlainRow(std::string_view text, bool endsWithText, std::size_t &rowBytes);
  bool splitsLikeLastRow(std::string_view text, std::size_t &rowBytes) const;

  // A block of the last row split from a block of lines: its separators
  // (the bytes past the row's end counted as separators).
  struct BlockLayout {
    std::uint32_t separators;
  };

  NodeValueTable &values_;
  std::vector<std::uint32_t> found_; // a line's values: start and end of each
  std::vector<BlockLayout> layout_;
  std::size_t layoutBlocks_ = 0; // the blocks of that row; 0 when found_ holds no such row
  std::vector<char> repeated_;       // a repeat count's value in the C form
};

} // namespace zonvert
