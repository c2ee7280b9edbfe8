// The value texts of one variable of a zone, in the order they were read,
// each followed by a line feed, in blocks that never move: exactly the lines
// of the variable's SCALARS section in a legacy file, which is therefore
// written straight from here. A value never holds a line feed (the reader
// splits lines there), so the line feeds also tell where each value ends.
//
// Values are met in order through a Cursor; any value is found through an
// index of every 64th value and a short scan from there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zonvert {

// The line feed ending the value at `from`, which lies before `end`. At
// least 16 bytes from `from` on must be readable (the slack every column
// keeps).
inline const char *endOfValue(const char *from, const char *end) {
#if defined(__SSE2__)
  const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from));
  if (const int mask = _mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8('\n'))))
    return from + __builtin_ctz(static_cast<unsigned>(mask));
#endif
  return static_cast<const char *>(std::memchr(from, '\n', static_cast<std::size_t>(end - from)));
}

class ValueColumn {
public:
  // Bytes readable past the line feed of every value, so that a value is
  // found and copied sixteen bytes at a time.
  static constexpr std::size_t kSlack = 16;

  // Drops the values, keeping the blocks.
  void clear();
  std::size_t size() const { return count_; }

  // Room for a value of up to `bytes` bytes; write it there, then added().
  char *room(std::size_t bytes) {
    if (bytes + 1 + kSlack > static_cast<std::size_t>(limit_ - end_)) [[unlikely]]
      startBlock(bytes + 1 + kSlack);
    return end_;
  }
  // The value written at room() takes `bytes` bytes.
  void added(std::size_t bytes) {
    if ((count_ & (kIndexStep - 1)) == 0) [[unlikely]]
      index_.push_back({block_, static_cast<std::size_t>(end_ - blocks_[block_].data.get())});
    end_[bytes] = '\n';
    end_ += bytes + 1;
    ++count_;
  }

  // The value at `index` (below size()), without its line feed.
  std::string_view at(std::size_t index) const;

  // The column's text, block by block: the values with their line feeds.
  std::size_t pieceCount() const { return count_ == 0 ? 0 : block_ + 1; }
  std::string_view piece(std::size_t block) const {
    const char *data = blocks_[block].data.get();
    return {data, block == block_ ? static_cast<std::size_t>(end_ - data) : blocks_[block].used};
  }

  // Meets the values in order.
  class Cursor {
  public:
    Cursor(const ValueColumn &column, std::size_t block = 0, std::size_t offset = 0);
    // The next value, without its line feed; the bytes past it up to
    // sixteen after its start may be read (the column's slack).
    std::string_view next() {
      if (at_ == blockEnd_) [[unlikely]]
        nextBlock();
      const char *end = endOfValue(at_, blockEnd_);
      const std::string_view value(at_, static_cast<std::size_t>(end - at_));
      at_ = end + 1;
      return value;
    }

  private:
    void nextBlock();
    const ValueColumn &column_;
    std::size_t block_;
    const char *at_;
    const char *blockEnd_;
  };

private:
  static constexpr std::size_t kIndexStep = 64;
  // Blocks double from the first to the most: a column of a small zone
  // takes hardly more than its text, a long one grows to large blocks.
  static constexpr std::size_t kFirstBlockBytes = std::size_t{1} << 8;
  static constexpr std::size_t kMostBlockBytes = std::size_t{1} << 20;

  struct Block {
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
    std::size_t used = 0; // set when the next block is started
  };
  struct Place {
    std::size_t block;
    std::size_t offset;
  };
  void startBlock(std::size_t needed);

  std::vector<Block> blocks_;
  std::size_t block_ = 0; // the block being filled
  char *end_ = nullptr;   // where its text ends
  char *limit_ = nullptr; // where it ends
  std::size_t count_ = 0;
  std::vector<Place> index_; // of values 0, 64, 128, ...
};

} // namespace zonvert
