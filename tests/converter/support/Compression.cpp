#include "support/Compression.h"

#include <algorithm>
#include <stdexcept>
#include <zlib.h>
#include <zstd.h>

namespace zonvert::test {

namespace {

std::string gzipMember(const std::string &text) {
  z_stream stream{};
  if (deflateInit2(&stream, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("deflateInit2");
  std::string out(deflateBound(&stream, text.size()), '\0');
  stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(text.data()));
  stream.avail_in = static_cast<uInt>(text.size());
  stream.next_out = reinterpret_cast<Bytef *>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (result != Z_STREAM_END)
    throw std::runtime_error("deflate");
  return out;
}

std::string zstdFrame(const std::string &text) {
  std::string out(ZSTD_compressBound(text.size()), '\0');
  const std::size_t size = ZSTD_compress(out.data(), out.size(), text.data(), text.size(), 3);
  if (ZSTD_isError(size))
    throw std::runtime_error(ZSTD_getErrorName(size));
  out.resize(size);
  return out;
}

} // namespace

std::string compressedStream(const std::string &text, Encoding encoding) {
  switch (encoding) {
  case Encoding::Gzip:
    return gzipMember(text);
  case Encoding::Zstd:
    return zstdFrame(text);
  case Encoding::Plain:
    break;
  }
  return text;
}

std::string compressed(const std::string &text, Encoding encoding, std::size_t splitAt) {
  if (encoding == Encoding::Plain)
    return text;
  splitAt = std::min(splitAt, text.size());
  return compressedStream(text.substr(0, splitAt), encoding) + compressedStream(text.substr(splitAt), encoding);
}

const char *nameOf(Encoding encoding) {
  switch (encoding) {
  case Encoding::Gzip:
    return "gzip";
  case Encoding::Zstd:
    return "zstd";
  case Encoding::Plain:
    break;
  }
  return "plain";
}

} // namespace zonvert::test
