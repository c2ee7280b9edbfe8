#include "OutputBuffer.h"

#include <charconv>

namespace zonvert {

namespace {
constexpr std::size_t kBufferBytes = std::size_t{1} << 20;
}

OutputBuffer::OutputBuffer(std::FILE *stream) : stream_(stream), buffer_(kBufferBytes) {
  // The stream's own buffer would only add a copy.
  std::setvbuf(stream_, nullptr, _IONBF, 0);
}

void OutputBuffer::appendInt(std::int64_t value) {
  // 20 digits and a sign hold any 64-bit value.
  constexpr std::size_t kMaxDigits = 21;
  if (buffer_.size() - used_ < kMaxDigits)
    flush();
  char *const at = buffer_.data() + used_;
  const auto result = std::to_chars(at, at + kMaxDigits, value);
  used_ += static_cast<std::size_t>(result.ptr - at);
}

void OutputBuffer::writeThrough(std::string_view text) {
  if (ok_ && std::fwrite(text.data(), 1, text.size(), stream_) != text.size())
    ok_ = false;
}

void OutputBuffer::flush() {
  writeThrough(std::string_view(buffer_.data(), used_));
  used_ = 0;
}

} // namespace zonvert
