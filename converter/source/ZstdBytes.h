// The text of a zstd-compressed Tecplot file (`zstd results.dat`, or frames
// written one after another), decompressed with libzstd as it is read. A
// frame whose window needs more memory than libzstd grants by default (128
// MiB: `zstd --long=31`) is refused as `zstd -d` refuses it.
#pragma once

#include "source/CompressedBytes.h"

struct ZSTD_DCtx_s;

namespace zonvert {

// zstd's frame magic number, as its first four bytes.
inline constexpr unsigned char kZstdMagic[] = {0x28, 0xb5, 0x2f, 0xfd};

class ZstdBytes final : public CompressedBytes {
public:
  explicit ZstdBytes(std::unique_ptr<ByteSource> raw);
  ~ZstdBytes() override;

private:
  Step decode(const char *in, std::size_t inSize, char *out, std::size_t outSize) override;
  void restart() override;

  ZSTD_DCtx_s *context_;
};

} // namespace zonvert
