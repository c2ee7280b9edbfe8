#include "source/FileRangeBytes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <unistd.h>

namespace zonvert {

std::size_t FileRangeBytes::read(char *into, std::size_t capacity, Wait) {
  const auto wanted = static_cast<std::size_t>(std::min<std::uint64_t>(capacity, to_ - at_));
  std::size_t count = 0;
  while (count < wanted) {
    const ssize_t got = pread(descriptor_, into + count, wanted - count, static_cast<off_t>(at_ + count));
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      throw ConversionFailure(std::string("ERROR: CANNOT READ THE TECPLOT FILE: ") + std::strerror(errno) + "\n");
    if (got == 0)
      break;
    count += static_cast<std::size_t>(got);
  }
  at_ += count;
  endOfFile_ = count == 0;
  return count;
}

bool FileRangeBytes::seek(std::uint64_t offset) {
  if (offset < from_ || offset > to_)
    return false;
  at_ = offset;
  endOfFile_ = false;
  return true;
}

} // namespace zonvert
