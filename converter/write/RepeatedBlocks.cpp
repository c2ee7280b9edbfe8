#include "write/RepeatedBlocks.h"

#include <cstring>
#include <new>

namespace zonvert {

std::span<const unsigned char> RepeatedBlocks::find(std::size_t index, std::span<const unsigned char> raw) const {
  if (index >= blocks_.size())
    return {};
  const Block &block = blocks_[index];
  if (block.raw.size() != raw.size() || std::memcmp(block.raw.data(), raw.data(), raw.size()) != 0)
    return {};
  return block.compressed;
}

void RepeatedBlocks::keep(std::size_t index, std::span<const unsigned char> raw,
                          std::span<const unsigned char> compressed) {
  try {
    if (index >= blocks_.size())
      blocks_.resize(index + 1);
    Block &block = blocks_[index];
    block.raw.assign(raw.begin(), raw.end());
    block.compressed.assign(compressed.begin(), compressed.end());
  } catch (const std::bad_alloc &) {
    blocks_ = {};
  }
}

void RepeatedBlocks::endAt(std::size_t count) {
  if (count < blocks_.size())
    blocks_.resize(count);
}

} // namespace zonvert
