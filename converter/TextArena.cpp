#include "TextArena.h"

#include <algorithm>
#include <cstring>

namespace zonvert {

char *TextArena::roomInNextBlock(std::size_t joined, std::size_t bytes) {
  const char *moving = block_ < blocks_.size() ? blocks_[block_].data.get() + used_ - joined : nullptr;
  const std::size_t needed = joined + bytes;
  const std::size_t next = blocks_.empty() ? 0 : block_ + 1;
  // A kept block too small for a long row is replaced by a larger one.
  if (next == blocks_.size() || blocks_[next].size < needed) {
    Block block{std::make_unique_for_overwrite<char[]>(std::max(kBlockBytes, needed)), std::max(kBlockBytes, needed)};
    if (next == blocks_.size())
      blocks_.push_back(std::move(block));
    else
      std::swap(blocks_[next], block);
  }
  if (joined > 0)
    std::memcpy(blocks_[next].data.get(), moving, joined);
  block_ = next;
  used_ = joined;
  return blocks_[block_].data.get() + used_;
}

} // namespace zonvert
