#include "write/OutputBuffer.h"

#include <cerrno>
#include <charconv>
#include <utility>
#include <unistd.h>

namespace zonvert {

namespace {

// The buffer the thread's last OutputBuffer left, with its size.
struct SpareBuffer {
  std::unique_ptr<char[]> bytes;
  std::size_t capacity = 0;
};
thread_local SpareBuffer spare;

} // namespace

OutputBuffer::OutputBuffer(int descriptor, std::uint64_t start) : descriptor_(descriptor), written_(start) {
  if (spare.bytes) {
    buffer_ = std::move(spare.bytes);
    capacity_ = std::exchange(spare.capacity, 0);
  } else {
    buffer_ = std::make_unique_for_overwrite<char[]>(kLeastBytes);
  }
}

OutputBuffer::~OutputBuffer() {
  if (capacity_ >= spare.capacity) {
    spare.bytes = std::move(buffer_);
    spare.capacity = capacity_;
  }
}

void OutputBuffer::appendInt(std::int64_t value) {
  // 20 digits and a sign hold any 64-bit value.
  constexpr std::size_t kMaxDigits = 21;
  if (capacity_ - used_ < kMaxDigits)
    flush();
  char *const at = buffer_.get() + used_;
  const auto result = std::to_chars(at, at + kMaxDigits, value);
  used_ += static_cast<std::size_t>(result.ptr - at);
}

void OutputBuffer::writeThrough(std::string_view text) {
  // A write may take only part of the text (a signal, a size limit reached
  // part way); the rest is written again until the system reports why not.
  written_ += text.size();
  while (error_ == 0 && !text.empty()) {
    const ssize_t written = ::write(descriptor_, text.data(), text.size());
    if (written > 0)
      text.remove_prefix(static_cast<std::size_t>(written));
    else if (written == 0)
      error_ = EIO;
    else if (errno != EINTR)
      error_ = errno;
  }
}

void OutputBuffer::flush() {
  const bool full = capacity_ - used_ < capacity_ / 4;
  writeThrough(std::string_view(buffer_.get(), used_));
  used_ = 0;
  // Handed over (nearly) full: a larger zone, written in larger blocks.
  if (full && capacity_ < kMostBytes) {
    buffer_ = std::make_unique_for_overwrite<char[]>(capacity_ * 2);
    capacity_ *= 2;
  }
}

int writeAllAt(int descriptor, std::string_view bytes, std::uint64_t offset) {
  while (!bytes.empty()) {
    const ssize_t written = ::pwrite(descriptor, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (written < 0 && errno == EINTR)
      continue;
    if (written <= 0)
      return written == 0 ? EIO : errno;
    bytes.remove_prefix(static_cast<std::size_t>(written));
    offset += static_cast<std::uint64_t>(written);
  }
  return 0;
}

} // namespace zonvert
