#include "zone/ValueColumn.h"

#include <algorithm>
#include <cstring>

namespace zonvert {

void ValueColumn::clear() {
  count_ = 0;
  index_.clear();
  indexBefore_.clear();
  runs_.clear();
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

void ValueColumn::addIndexEntry() {
  index_.push_back({block_, static_cast<std::size_t>(end_ - blocks_[block_].data.get())});
  if (!runs_.empty())
    indexBefore_.push_back({count_, runs_.size()});
}

void ValueColumn::addRun(std::string_view text, std::size_t count) {
  if (count == 0)
    return;
  if (!runs_.empty() && runs_.back().first + runs_.back().count == count_) {
    // The last entry is a run: of the same value, it grows.
    Run &last = runs_.back();
    const std::string_view piece = this->piece(last.block);
    const char *start = piece.data() + last.offset;
    const char *end = endOfValue(start, piece.data() + piece.size());
    if (std::string_view(start, static_cast<std::size_t>(end - start)) == text) {
      last.count += count;
      count_ += count;
      return;
    }
  }
  char *const to = room(text.size());
  std::memcpy(to, text.data(), text.size());
  const auto offset = static_cast<std::size_t>(to - blocks_[block_].data.get());
  // Before the first run, entry k of the index stands at value 64 k.
  if (runs_.empty())
    for (std::size_t entry = 0; entry < index_.size(); ++entry)
      indexBefore_.push_back({entry * kIndexStep, 0});
  // A run that holds a value at a multiple of 64 is indexed, so that no
  // more than 64 entries stand between an index entry and the next.
  if ((count_ + kIndexStep - 1) / kIndexStep * kIndexStep < count_ + count) {
    index_.push_back({block_, offset});
    indexBefore_.push_back({count_, runs_.size()});
  }
  runs_.push_back({block_, offset, count, count_});
  end_[text.size()] = '\n';
  end_ += text.size() + 1;
  count_ += count;
}

std::string_view ValueColumn::at(std::size_t index) const {
  std::size_t slot = index / kIndexStep;
  Before before{slot * kIndexStep, 0};
  if (!runs_.empty()) {
    const auto after = std::upper_bound(indexBefore_.begin(), indexBefore_.end(), index,
                                        [](std::size_t item, const Before &entry) { return item < entry.values; });
    slot = static_cast<std::size_t>(after - indexBefore_.begin()) - 1;
    before = indexBefore_[slot];
  }
  const Place &place = index_[slot];
  Cursor cursor(*this, place.block, place.offset, before.runs);
  for (std::size_t skip = index - before.values; skip > 0;) {
    skip -= cursor.take(skip).count;
  }
  return cursor.next();
}

ValueColumn::Cursor::Cursor(const ValueColumn &column, std::size_t block, std::size_t offset, std::size_t run)
    : column_(column), block_(block), run_(run) {
  if (column.count_ == 0)
    return;
  enterBlock();
  at_ += offset;
  setStop();
}

void ValueColumn::Cursor::enterBlock() {
  const std::string_view text = column_.piece(block_);
  at_ = text.data();
  blockEnd_ = text.data() + text.size();
  setStop();
}

void ValueColumn::Cursor::setStop() {
  const std::vector<Run> &runs = column_.runs_;
  stop_ = blockEnd_;
  if (run_ < runs.size() && runs[run_].block == block_)
    stop_ = column_.blocks_[block_].data.get() + runs[run_].offset;
}

ValueColumn::Cursor::Taken ValueColumn::Cursor::take(std::size_t most) {
  for (;;) {
    if (runLeft_ > 0) {
      const std::size_t taken = std::min(most, runLeft_);
      runLeft_ -= taken;
      const std::string_view text = runText_;
      if (runLeft_ == 0) {
        at_ = text.data() + text.size() + 1;
        setStop();
      }
      return {text, taken, true};
    }
    if (at_ != stop_)
      break;
    if (at_ == blockEnd_) {
      ++block_;
      enterBlock();
      continue;
    }
    // The start of the next run.
    const char *end = endOfValue(at_, blockEnd_);
    runText_ = std::string_view(at_, static_cast<std::size_t>(end - at_));
    runLeft_ = column_.runs_[run_++].count;
  }
  return {next(), 1, false};
}

} // namespace zonvert
