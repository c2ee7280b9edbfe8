#include "source/GzipBytes.h"

#include <algorithm>
#include <climits>
#include <new>
#include <zlib.h>

namespace zonvert {

namespace {

// zlib's window bits for the largest window, plus 16: a gzip header and
// trailer around the deflate data.
constexpr int kGzipWindowBits = 15 + 16;

} // namespace

GzipBytes::GzipBytes(std::unique_ptr<ByteSource> raw)
    : CompressedBytes(std::move(raw), "GZIP"), stream_(std::make_unique<z_stream>()) {
  if (inflateInit2(stream_.get(), kGzipWindowBits) != Z_OK)
    throw std::bad_alloc();
}

GzipBytes::~GzipBytes() { inflateEnd(stream_.get()); }

void GzipBytes::restart() { inflateReset(stream_.get()); }

CompressedBytes::Step GzipBytes::decode(const char *in, std::size_t inSize, char *out, std::size_t outSize) {
  z_stream &stream = *stream_;
  stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(in));
  stream.avail_in = static_cast<uInt>(std::min<std::size_t>(inSize, UINT_MAX));
  stream.next_out = reinterpret_cast<Bytef *>(out);
  stream.avail_out = static_cast<uInt>(std::min<std::size_t>(outSize, UINT_MAX));
  const uInt availIn = stream.avail_in;
  const uInt availOut = stream.avail_out;
  const int result = inflate(&stream, Z_NO_FLUSH);
  Step step{availIn - stream.avail_in, availOut - stream.avail_out, false, {}};
  switch (result) {
  case Z_OK:
  case Z_BUF_ERROR: // no progress without more input or room
    return step;
  case Z_STREAM_END:
    // A member ends; another may follow it.
    inflateReset(&stream);
    step.streamEnded = true;
    return step;
  case Z_MEM_ERROR:
    throw std::bad_alloc();
  default:
    step.corruption = stream.msg ? stream.msg : "not deflate data";
    return step;
  }
}

} // namespace zonvert
