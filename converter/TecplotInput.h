// The open Tecplot input file, read line by line through a large buffer.
//
// A line is what one read into a 512-byte buffer gives: at most 511 bytes,
// up to and including the line feed. The rest of a longer physical line comes
// back as a line of its own. A line holding a NUL byte ends at that byte,
// since the lines are handled as zero-terminated texts.
#pragma once

#include <cstdio>
#include <memory>
#include <string_view>

namespace zonvert {

inline constexpr std::size_t kLineBufferSize = 512;
inline constexpr std::size_t kMaxLineBytes = kLineBufferSize - 1;

class TecplotInput {
public:
  // Takes an open stream; the caller keeps ownership and closes it.
  explicit TecplotInput(std::FILE *stream);

  // The next line, with a trailing line feed and then a trailing carriage
  // return removed. False at the end of the file. Throws ConversionFailure
  // when the stream reports a read error. The view stays valid until the
  // next call.
  bool nextLine(std::string_view &line);

  // Running number of the next zone line accepted in this file.
  int nextZoneNumber = 0;

private:
  bool refill();

  std::FILE *stream_;
  std::unique_ptr<char[]> chunk_;
  std::size_t chunkPos_ = 0;
  std::size_t chunkEnd_ = 0;
  bool endOfFile_ = false;
  char line_[kLineBufferSize];
};

} // namespace zonvert
