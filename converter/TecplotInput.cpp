#include "TecplotInput.h"

#include "ConversionFailure.h"

#include <cstring>

namespace zonvert {

namespace {
constexpr std::size_t kChunkBytes = std::size_t{1} << 20;
}

TecplotInput::TecplotInput(std::FILE *stream) : stream_(stream), chunk_(new char[kChunkBytes]) {}

bool TecplotInput::refill() {
  if (endOfFile_)
    return false;
  chunkPos_ = 0;
  chunkEnd_ = std::fread(chunk_.get(), 1, kChunkBytes, stream_);
  if (chunkEnd_ > 0)
    return true;
  endOfFile_ = true;
  if (std::ferror(stream_))
    throw ConversionFailure("ERROR: CANNOT READ THE TECPLOT FILE.\n");
  return false;
}

bool TecplotInput::nextLine(std::string_view &line) {
  std::size_t length = 0;
  bool complete = false;
  const char *lineStart = nullptr;
  // Fast path: the whole line lies in the current chunk and is returned as a
  // view into it. A line that straddles two chunks is assembled in line_.
  while (!complete && length < kMaxLineBytes) {
    if (chunkPos_ == chunkEnd_ && !refill())
      break;
    const std::size_t available = chunkEnd_ - chunkPos_;
    const std::size_t want = kMaxLineBytes - length;
    const std::size_t scan = available < want ? available : want;
    const char *from = chunk_.get() + chunkPos_;
    const void *feed = std::memchr(from, '\n', scan);
    const std::size_t take = feed ? static_cast<std::size_t>(static_cast<const char *>(feed) - from) + 1 : scan;
    if (length == 0 && (feed || take == want)) {
      lineStart = from;
    } else {
      std::memcpy(line_ + length, from, take);
    }
    length += take;
    chunkPos_ += take;
    complete = feed != nullptr;
  }
  if (length == 0)
    return false;
  const char *text = lineStart ? lineStart : line_;
  // A NUL byte ends the line's text.
  if (const void *nul = std::memchr(text, '\0', length))
    length = static_cast<std::size_t>(static_cast<const char *>(nul) - text);
  if (length > 0 && text[length - 1] == '\n')
    --length;
  if (length > 0 && text[length - 1] == '\r')
    --length;
  line = std::string_view(text, length);
  return true;
}

} // namespace zonvert
