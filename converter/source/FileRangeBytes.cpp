#include "source/FileRangeBytes.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <unistd.h>

namespace zonvert {

std::size_t FileRangeBytes::read(char *into, std::size_t capacity, Wait) {
  std::size_t count = 0;
  while (count < capacity) {
    const ssize_t got = pread(descriptor_, into + count, capacity - count, static_cast<off_t>(at_ + count));
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
  if (offset < from_)
    return false;
  at_ = offset;
  endOfFile_ = false;
  return true;
}

} // namespace zonvert
