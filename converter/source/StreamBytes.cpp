#include "source/StreamBytes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace zonvert {

std::size_t StreamBytes::read(char *into, std::size_t capacity, Wait) {
  if (!pending_.empty()) {
    const std::size_t count = std::min(capacity, pending_.size());
    std::memcpy(into, pending_.data(), count);
    pending_.erase(0, count);
    return count;
  }
  const std::size_t count = std::fread(into, 1, capacity, stream_);
  if (count > 0)
    return count;
  endOfFile_ = true;
  if (std::ferror(stream_))
    throw ConversionFailure(std::string("ERROR: CANNOT READ THE TECPLOT FILE: ") + std::strerror(errno) + "\n");
  return 0;
}

bool StreamBytes::seek(std::uint64_t offset) {
  if (std::fseek(stream_, static_cast<long>(offset), SEEK_SET) != 0)
    return false;
  pending_.clear();
  endOfFile_ = false;
  return true;
}

} // namespace zonvert
