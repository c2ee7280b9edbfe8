#include "source/StreamBytes.h"

#include "source/FileRangeBytes.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace zonvert {

StreamBytes::StreamBytes(std::FILE *stream) : stream_(stream) {
  struct stat status {};
  regularFile_ = fstat(fileno(stream), &status) == 0 && S_ISREG(status.st_mode);
}

std::unique_ptr<ByteSource> StreamBytes::readerFrom(std::uint64_t offset) const {
  return regularFile_ ? std::make_unique<FileRangeBytes>(fileno(stream_), offset) : nullptr;
}

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
