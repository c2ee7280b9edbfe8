// A plain file from a place on, read by position: any number of readers,
// on any threads, read one open file at once, none moving the others'
// place in it.
#pragma once

#include "source/ByteSource.h"

#include <cstdint>

namespace zonvert {

class FileRangeBytes final : public ByteSource {
public:
  // The bytes of the open file `descriptor` from `from` on; the caller
  // keeps it open.
  FileRangeBytes(int descriptor, std::uint64_t from) : descriptor_(descriptor), from_(from), at_(from) {}

  std::size_t read(char *into, std::size_t capacity, Wait wait) override;
  bool atEnd() const override { return endOfFile_; }
  // Any offset from `from` on.
  bool seek(std::uint64_t offset) override;

private:
  int descriptor_;
  std::uint64_t from_;
  std::uint64_t at_;
  bool endOfFile_ = false;
};

} // namespace zonvert
