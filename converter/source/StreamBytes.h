// The bytes of an open stream, as they stand: a plain file, a pipe, a text
// in memory. Reads fill the block asked for (as far as the data goes), and
// an offset read before is found again by seeking the stream, which a pipe
// cannot do.
#pragma once

#include "source/ByteSource.h"

#include <cstdio>
#include <string>

namespace zonvert {

class StreamBytes final : public ByteSource {
public:
  // Reads `stream`, which the caller keeps open and closes.
  explicit StreamBytes(std::FILE *stream);

  std::size_t read(char *into, std::size_t capacity, Wait wait) override;
  bool atEnd() const override { return endOfFile_; }
  bool seek(std::uint64_t offset) override;
  // A plain file's bytes are read by position (see FileRangeBytes).
  std::unique_ptr<ByteSource> readerFrom(std::uint64_t offset) const override;

  // Bytes read from the start of the stream that the next reads return
  // first, for a stream that cannot move back to its start.
  void unread(std::string bytes) { pending_ = std::move(bytes); }

private:
  std::FILE *stream_;
  std::string pending_;
  bool endOfFile_ = false;
  bool regularFile_ = false;
};

} // namespace zonvert
