// A text held in memory, open as a stream for reading, as the converter
// reads a Tecplot file.
#pragma once

#include <cstdio>
#include <string>

namespace zonvert::test {

class MemoryStream {
public:
  explicit MemoryStream(std::string text) : text_(std::move(text)) {
    stream_ = fmemopen(text_.data(), text_.size(), "r");
    if (!stream_)
      stream_ = std::fopen("/dev/null", "r"); // fmemopen refuses size 0
  }
  ~MemoryStream() { std::fclose(stream_); }
  MemoryStream(const MemoryStream &) = delete;
  MemoryStream &operator=(const MemoryStream &) = delete;

  std::FILE *get() const { return stream_; }

private:
  std::string text_;
  std::FILE *stream_;
};

} // namespace zonvert::test
