#include "source/ZstdBytes.h"

#include <new>
#include <zstd.h>
#include <zstd_errors.h>

namespace zonvert {

ZstdBytes::ZstdBytes(std::unique_ptr<ByteSource> raw)
    : CompressedBytes(std::move(raw), "ZSTD"), context_(ZSTD_createDCtx()) {
  if (!context_)
    throw std::bad_alloc();
}

ZstdBytes::~ZstdBytes() { ZSTD_freeDCtx(context_); }

void ZstdBytes::restart() { ZSTD_DCtx_reset(context_, ZSTD_reset_session_only); }

CompressedBytes::Step ZstdBytes::decode(const char *in, std::size_t inSize, char *out, std::size_t outSize) {
  ZSTD_inBuffer input{in, inSize, 0};
  ZSTD_outBuffer output{out, outSize, 0};
  const std::size_t result = ZSTD_decompressStream(context_, &output, &input);
  if (ZSTD_isError(result) && ZSTD_getErrorCode(result) == ZSTD_error_memory_allocation)
    throw std::bad_alloc();
  // 0: a frame is complete and all of it handed out.
  return {input.pos, output.pos, result == 0, ZSTD_isError(result) ? ZSTD_getErrorName(result) : ""};
}

} // namespace zonvert
