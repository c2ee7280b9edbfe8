#include "write/CompressedBlocks.h"

#include <bit>
#include <new>
#include <zlib.h>

namespace zonvert {

namespace {

// zlib's fastest level: the values of a result file gain little from the
// slower ones, and the conversion is to keep pace with the disk.
constexpr int kCompressionLevel = Z_BEST_SPEED;

static_assert(std::endian::native == std::endian::little, "the files are written little-endian");

} // namespace

struct BlockCompressor::Stream {
  z_stream z{};
};

BlockCompressor::BlockCompressor() : stream_(std::make_unique<Stream>()) {
  if (deflateInit(&stream_->z, kCompressionLevel) != Z_OK)
    throw std::bad_alloc();
  output_.resize(deflateBound(&stream_->z, CompressedArray::kBlockBytes));
}

BlockCompressor::~BlockCompressor() { deflateEnd(&stream_->z); }

std::span<const unsigned char> BlockCompressor::compress(std::span<const unsigned char> bytes) {
  z_stream &z = stream_->z;
  deflateReset(&z);
  z.next_in = const_cast<unsigned char *>(bytes.data());
  z.avail_in = static_cast<uInt>(bytes.size());
  z.next_out = output_.data();
  z.avail_out = static_cast<uInt>(output_.size());
  // The bound holds the whole stream, so one call finishes it.
  if (deflate(&z, Z_FINISH) != Z_STREAM_END)
    throw std::bad_alloc();
  return {output_.data(), output_.size() - z.avail_out};
}

CompressedArray::CompressedArray(OutputBuffer &out, int descriptor, BlockCompressor &compressor,
                                 std::uint64_t rawBytes)
    : out_(out), descriptor_(descriptor), compressor_(compressor), start_(out.position()), block_(kBlockBytes) {
  const std::uint64_t blocks = (rawBytes + kBlockBytes - 1) / kBlockBytes;
  header_.assign(3 + blocks, 0);
  header_[0] = blocks;
  header_[1] = kBlockBytes;
  header_[2] = rawBytes % kBlockBytes;
  // Room for the header, written when the sizes are known.
  out_.append(std::string_view(reinterpret_cast<const char *>(header_.data()), header_.size() * sizeof header_[0]));
}

void CompressedArray::compressBlock() {
  const auto compressed = compressor_.compress({block_.data(), used_});
  header_[3 + blocksDone_++] = compressed.size();
  out_.append(std::string_view(reinterpret_cast<const char *>(compressed.data()), compressed.size()));
  used_ = 0;
}

int CompressedArray::finish() {
  if (used_ > 0)
    compressBlock();
  // The header's room may still be in the buffer: out first, then over it.
  out_.flush();
  if (!out_.ok())
    return out_.error();
  return writeAllAt(descriptor_,
                    std::string_view(reinterpret_cast<const char *>(header_.data()), header_.size() * sizeof header_[0]),
                    start_);
}

} // namespace zonvert
