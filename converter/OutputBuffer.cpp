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
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  append(std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)));
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
