// Buffered output to a file created with mode "wb": text is gathered in a
// large buffer and handed to the stream in big blocks, so writing a zone of
// millions of values costs few system calls.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

namespace zonvert {

class OutputBuffer {
public:
  explicit OutputBuffer(std::FILE *stream);

  void append(std::string_view text) {
    if (text.size() > buffer_.size() - used_)
      flush();
    if (text.size() > buffer_.size()) {
      writeThrough(text);
      return;
    }
    std::copy(text.begin(), text.end(), buffer_.data() + used_);
    used_ += text.size();
  }
  void append(char c) {
    if (used_ == buffer_.size())
      flush();
    buffer_[used_++] = c;
  }
  // Appends a signed decimal integer without fill, like "%d".
  void appendInt(std::int64_t value);

  // Hands everything gathered so far to the stream.
  void flush();
  // False once any write to the stream has failed.
  bool ok() const { return ok_; }

private:
  void writeThrough(std::string_view text);

  std::FILE *stream_;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
  bool ok_ = true;
};

} // namespace zonvert
