// The value texts of one variable of a zone, in the order they were read,
// each followed by a line feed, in blocks that never move: exactly the lines
// of the variable's SCALARS section in a legacy file, which is therefore
// written straight from here. A value never holds a line feed (the reader
// splits lines there), so the line feeds also tell where each value ends.
//
// A value repeated many times in a row (a repeat count `n*v` in the file)
// is held once, as a run: its text and line feed once, and its count in a
// list of the column's runs. The column's text then holds each run's value
// once; piece() and runs() together tell the values.
//
// Values are met in order through a Cursor, which gives a run's value as
// many times as it counts; any value is found through an index of every
// 64th value (of the entry that holds it, for a run) and a short scan from
// there.
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
  // The values held, a run's counted as many times as it stands for.
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
      addIndexEntry();
    end_[bytes] = '\n';
    end_ += bytes + 1;
    ++count_;
  }

  // `count` more values, each `text` (without line feed), held as one run;
  // when the last entry is a run of the same text, it grows instead.
  void addRun(std::string_view text, std::size_t count);

  // The value at `index` (below size()), without its line feed.
  std::string_view at(std::size_t index) const;

  // A run: the entry at `offset` in block `block` stands for `count` values.
  struct Run {
    std::size_t block;
    std::size_t offset;
    std::size_t count;
    std::size_t first; // the values before it
  };
  // The runs, in order.
  const std::vector<Run> &runs() const { return runs_; }

  // The column's text, block by block: the values with their line feeds,
  // a run's value once.
  std::size_t pieceCount() const { return count_ == 0 ? 0 : block_ + 1; }
  std::string_view piece(std::size_t block) const {
    const char *data = blocks_[block].data.get();
    return {data, block == block_ ? static_cast<std::size_t>(end_ - data) : blocks_[block].used};
  }

  // Meets the values in order.
  class Cursor {
  public:
    explicit Cursor(const ValueColumn &column) : Cursor(column, 0, 0, 0) {}
    // The next value, without its line feed; the bytes past it up to
    // sixteen after its start may be read (the column's slack).
    std::string_view next() {
      // A block's end and the start of a run stop the plain path alike.
      if (at_ == stop_) [[unlikely]]
        return take(1).text;
      const char *end = endOfValue(at_, blockEnd_);
      const std::string_view value(at_, static_cast<std::size_t>(end - at_));
      at_ = end + 1;
      return value;
    }
    // The next value and how many of the values from here on, up to `most`
    // (at least 1), are that same value of one run (1 for a value held on
    // its own); the cursor passes them all.
    struct Taken {
      std::string_view text;
      std::size_t count;
      bool ofRun;
    };
    Taken take(std::size_t most);

  private:
    friend class ValueColumn;
    // At the entry at `offset` of block `block`, the runs before it being
    // `run`.
    Cursor(const ValueColumn &column, std::size_t block, std::size_t offset, std::size_t run);
    void enterBlock();
    void setStop();
    const ValueColumn &column_;
    std::size_t block_;
    std::size_t run_ = 0;     // the next run not yet entered
    std::size_t runLeft_ = 0; // values left of the run entered
    std::string_view runText_;
    const char *at_ = nullptr;
    const char *stop_ = nullptr; // the block's end or the next run's start, whichever is first
    const char *blockEnd_ = nullptr;
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
  // What stands before an entry of the index, once the column holds runs.
  struct Before {
    std::size_t values;
    std::size_t runs;
  };
  void startBlock(std::size_t needed);
  // Indexes the entry about to be added, which holds value count_.
  [[gnu::noinline]] void addIndexEntry();

  std::vector<Block> blocks_;
  std::size_t block_ = 0; // the block being filled
  char *end_ = nullptr;   // where its text ends
  char *limit_ = nullptr; // where it ends
  std::size_t count_ = 0; // the values held, a run's counted as often as it stands for
  std::vector<Place> index_; // of values 0, 64, 128, ... (of a run holding one, its entry)
  std::vector<Before> indexBefore_; // by index entry, once the column holds a run
  std::vector<Run> runs_;
};

} // namespace zonvert
