// Text stored in large blocks that never move, so that a pointer into it
// stays valid while more text is added (a vector that grows would copy
// everything it holds each time it doubles, and hold twice what it needs).
// The blocks are kept when the arena is cleared, so a file of similar zones
// allocates them once.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace zonvert {

class TextArena {
public:
  static constexpr std::size_t kBlockBytes = std::size_t{1} << 20;

  // Room for `bytes` more bytes at the end of the text. The last `joined`
  // bytes of the text (an unfinished row) stay in one piece with the room:
  // when the room is in a new block, they move there first. Returns where
  // the room starts; the joined bytes stand just before it.
  char *room(std::size_t joined, std::size_t bytes) {
    if (block_ < blocks_.size() && used_ + bytes <= blocks_[block_].size)
      return blocks_[block_].data.get() + used_;
    return roomInNextBlock(joined, bytes);
  }
  // The first `bytes` of the room now hold text.
  void advance(std::size_t bytes) { used_ += bytes; }

  // Drops the text, keeping the blocks.
  void clear() {
    block_ = 0;
    used_ = 0;
  }

private:
  struct Block {
    std::unique_ptr<char[]> data;
    std::size_t size = 0;
  };
  char *roomInNextBlock(std::size_t joined, std::size_t bytes);

  std::vector<Block> blocks_;
  std::size_t block_ = 0; // the block being filled
  std::size_t used_ = 0;  // bytes of it that hold text
};

} // namespace zonvert
