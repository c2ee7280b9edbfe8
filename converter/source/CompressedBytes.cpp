#include "source/CompressedBytes.h"

#include <algorithm>
#include <cinttypes>

namespace zonvert {

namespace {

constexpr std::size_t kInputBytes = std::size_t{1} << 17;
constexpr std::size_t kSkipBytes = std::size_t{1} << 16;

} // namespace

CompressedBytes::CompressedBytes(std::unique_ptr<ByteSource> raw, const char *format)
    : raw_(std::move(raw)), format_(format), input_(new char[kInputBytes]) {}

void CompressedBytes::corrupt(const std::string &detail) const {
  throw StreamFailure(formattedText("THE %s STREAM OF THE TECPLOT FILE IS CORRUPT AFTER %" PRIu64
                                    " BYTES OF TEXT (%s)\n",
                                    format_, produced_, detail.c_str()));
}

void CompressedBytes::cutShort() const {
  throw StreamFailure(formattedText("THE %s STREAM OF THE TECPLOT FILE IS CUT SHORT AFTER %" PRIu64
                                    " BYTES OF TEXT\n",
                                    format_, produced_));
}

// Fills the block as far as the compressed bytes at hand go, so that the
// reader's blocks are as large as those of a plain file; waits (where the
// file is followed) only for the first byte.
std::size_t CompressedBytes::read(char *into, std::size_t capacity, Wait wait) {
  if (!corruption_.empty())
    corrupt(corruption_);
  if (ended_)
    return 0;
  std::size_t total = 0;
  while (total < capacity) {
    if (inputPos_ < inputEnd_ || outputPending_) {
      Step step = decode(input_.get() + inputPos_, inputEnd_ - inputPos_, into + total, capacity - total);
      const bool progress = step.consumed > 0 || step.produced > 0;
      if (!progress && step.corruption.empty() && inputPos_ < inputEnd_)
        step.corruption = "the decoder takes no more of it";
      inputPos_ += step.consumed;
      outputPending_ = step.produced == capacity - total;
      if (progress)
        atStreamEnd_ = step.streamEnded;
      total += step.produced;
      produced_ += step.produced;
      if (!step.corruption.empty()) {
        if (total == 0)
          corrupt(step.corruption);
        corruption_ = std::move(step.corruption);
        break;
      }
      if (progress)
        continue;
    }
    const std::size_t count = raw_->read(input_.get(), kInputBytes, total > 0 ? Wait::No : wait);
    if (count > 0) {
      inputPos_ = 0;
      inputEnd_ = count;
      continue;
    }
    if (total > 0 || !raw_->atEnd())
      break; // what was decoded, or nothing at hand yet
    if (!atStreamEnd_)
      cutShort();
    ended_ = true;
    break;
  }
  return total;
}

bool CompressedBytes::seek(std::uint64_t offset) {
  if (offset < produced_) {
    if (!raw_->seek(0))
      return false;
    restart();
    inputPos_ = inputEnd_ = 0;
    produced_ = 0;
    atStreamEnd_ = outputPending_ = ended_ = false;
    corruption_.clear();
  }
  if (offset > produced_ && !skipped_)
    skipped_.reset(new char[kSkipBytes]);
  while (produced_ < offset)
    if (read(skipped_.get(), static_cast<std::size_t>(std::min<std::uint64_t>(kSkipBytes, offset - produced_)),
             Wait::ForMore) == 0)
      return false;
  return true;
}

} // namespace zonvert
