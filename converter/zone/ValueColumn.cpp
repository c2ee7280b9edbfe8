#include "zone/ValueColumn.h"

#include <algorithm>

namespace zonvert {

void ValueColumn::clear() {
  count_ = 0;
  index_.clear();
  block_ = 0;
  end_ = limit_ = nullptr;
  if (!blocks_.empty()) {
    end_ = blocks_[0].data.get();
    limit_ = end_ + blocks_[0].size;
  }
}

void ValueColumn::startBlock(std::size_t needed) {
  std::size_t next = block_;
  if (end_ != nullptr) {
    blocks_[block_].used = static_cast<std::size_t>(end_ - blocks_[block_].data.get());
    // A block that holds no value yet (a value too long for it) is replaced.
    if (blocks_[block_].used > 0)
      ++next;
  }
  const std::size_t size =
      std::max(needed, std::min(kMostBlockBytes, kFirstBlockBytes << std::min<std::size_t>(next, 12)));
  if (next == blocks_.size())
    blocks_.push_back({});
  if (blocks_[next].size < needed)
    blocks_[next] = {std::make_unique_for_overwrite<char[]>(size), size, 0};
  block_ = next;
  end_ = blocks_[next].data.get();
  limit_ = end_ + blocks_[next].size;
}

std::string_view ValueColumn::at(std::size_t index) const {
  const Place &place = index_[index / kIndexStep];
  Cursor cursor(*this, place.block, place.offset);
  for (std::size_t skip = index % kIndexStep; skip > 0; --skip)
    cursor.next();
  return cursor.next();
}

ValueColumn::Cursor::Cursor(const ValueColumn &column, std::size_t block, std::size_t offset)
    : column_(column), block_(block) {
  if (column.count_ == 0) {
    at_ = blockEnd_ = nullptr;
    return;
  }
  const std::string_view text = column.piece(block);
  at_ = text.data() + offset;
  blockEnd_ = text.data() + text.size();
}

void ValueColumn::Cursor::nextBlock() {
  const std::string_view text = column_.piece(++block_);
  at_ = text.data();
  blockEnd_ = text.data() + text.size();
}

} // namespace zonvert
