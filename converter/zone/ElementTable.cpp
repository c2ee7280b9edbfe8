#include "zone/ElementTable.h"

namespace zonvert {

namespace {

// Room made at once for the node numbers of a zone: enough for the zones of
// most files, and never so much that a count far larger than the data it
// announces takes memory before the data is read.
constexpr std::size_t kMostReservedAtOnce = std::size_t{1} << 24;

} // namespace

void ElementTable::clear() {
  nodes_.clear();
  elementStart_.clear();
  kinds_.clear();
  cornersEach_ = 0;
  mixed_ = false;
  smallest_ = INT32_MAX;
  largest_ = INT32_MIN;
}

void ElementTable::reserve(std::size_t elements, std::size_t corners) {
  const std::size_t most = kMostReservedAtOnce / std::max<std::size_t>(corners, 1);
  kinds_.reserve(std::min(elements, most));
  nodes_.reserve(std::min(elements, most) * corners);
}

void ElementTable::noteCornerCount(std::size_t count) {
  if (kinds_.empty()) {
    cornersEach_ = count;
    return;
  }
  if (mixed_)
    return;
  mixed_ = true;
  elementStart_.resize(kinds_.size());
  for (std::size_t element = 0; element < kinds_.size(); ++element)
    elementStart_[element] = element * cornersEach_;
}

} // namespace zonvert
