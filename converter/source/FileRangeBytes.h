// A stretch of a plain file, read by position: any number of readers, on
// any threads, read stretches of one open file at once, none moving the
// others' place in it.
#pragma once

#include "source/ByteSource.h"

#include <cstdint>

namespace zonvert {

class FileRangeBytes final : public ByteSource {
public:
  // The bytes [from, to) of the open file `descriptor`, which the caller
  // keeps open.
  FileRangeBytes(int descriptor, std::uint64_t from, std::uint64_t to)
      : descriptor_(descriptor), from_(from), to_(to), at_(from) {}

  // Ends at `to`, or earlier where the file does now.
  std::size_t read(char *into, std::size_t capacity, Wait wait) override;
  bool atEnd() const override { return endOfFile_; }
  // Any offset from `from` to `to`.
  bool seek(std::uint64_t offset) override;

private:
  int descriptor_;
  std::uint64_t from_;
  std::uint64_t to_;
  std::uint64_t at_;
  bool endOfFile_ = false;
};

} // namespace zonvert
