// The text of a gzip-compressed Tecplot file (`gzip results.dat`, or
// members written one after another), decompressed with zlib as it is read.
#pragma once

#include "source/CompressedBytes.h"

struct z_stream_s;

namespace zonvert {

// gzip's first two bytes.
inline constexpr unsigned char kGzipMagic[] = {0x1f, 0x8b};

class GzipBytes final : public CompressedBytes {
public:
  explicit GzipBytes(std::unique_ptr<ByteSource> raw);
  ~GzipBytes() override;

private:
  Step decode(const char *in, std::size_t inSize, char *out, std::size_t outSize) override;
  void restart() override;

  std::unique_ptr<z_stream_s> stream_;
};

} // namespace zonvert
