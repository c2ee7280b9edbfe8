#include "write/CompressedBlocks.h"

#include <bit>
#include <libdeflate.h>
#include <lz4.h>
#include <new>

namespace zonvert {

namespace {

// The fastest level: the values of a result file gain little from the
// slower ones, and the conversion is to keep pace with the disk.
constexpr int kCompressionLevel = 1;

static_assert(std::endian::native == std::endian::little, "the files are written little-endian");

} // namespace

BlockCompressor::BlockCompressor(VtuCompression compression) : compression_(compression) {
  switch (compression) {
  case VtuCompression::Zlib:
    deflate_ = libdeflate_alloc_compressor(kCompressionLevel);
    if (deflate_ == nullptr)
      throw std::bad_alloc();
    output_.resize(libdeflate_zlib_compress_bound(deflate_, CompressedArray::kBlockBytes));
    break;
  case VtuCompression::Lz4:
    lz4State_ = std::make_unique<char[]>(static_cast<std::size_t>(LZ4_sizeofState()));
    output_.resize(static_cast<std::size_t>(LZ4_compressBound(CompressedArray::kBlockBytes)));
    break;
  case VtuCompression::None:
    break;
  }
}

BlockCompressor::~BlockCompressor() { libdeflate_free_compressor(deflate_); }

std::span<const unsigned char> BlockCompressor::compress(std::span<const unsigned char> bytes) {
  // The bounds hold any block's compressed bytes, so the compression never
  // runs out of room.
  std::size_t size = 0;
  if (compression_ == VtuCompression::Zlib) {
    size = libdeflate_zlib_compress(deflate_, bytes.data(), bytes.size(), output_.data(), output_.size());
  } else {
    // LZ4's default acceleration (1), as LZ4_compress_default's.
    size = static_cast<std::size_t>(LZ4_compress_fast_extState(
        lz4State_.get(), reinterpret_cast<const char *>(bytes.data()), reinterpret_cast<char *>(output_.data()),
        static_cast<int>(bytes.size()), static_cast<int>(output_.size()), 1));
  }
  return {output_.data(), size};
}

CompressedArray::CompressedArray(OutputBuffer &out, int descriptor, BlockCompressor &compressor,
                                 std::uint64_t rawBytes, RepeatedBlocks *repeated)
    : out_(out), descriptor_(descriptor), compressor_(compressor),
      repeated_(compressor.compression() == VtuCompression::None ? nullptr : repeated), start_(out.position()),
      block_(std::make_unique_for_overwrite<unsigned char[]>(kBlockBytes)) {
  if (compressor.compression() == VtuCompression::None) {
    header_.assign(1, rawBytes);
  } else {
    const std::uint64_t blocks = (rawBytes + kBlockBytes - 1) / kBlockBytes;
    header_.assign(3 + blocks, 0);
    header_[0] = blocks;
    header_[1] = kBlockBytes;
    header_[2] = rawBytes % kBlockBytes;
  }
  // Room for the header, written when the sizes are known.
  out_.append(std::string_view(reinterpret_cast<const char *>(header_.data()), header_.size() * sizeof header_[0]));
}

void CompressedArray::compressBlock() {
  const std::span<const unsigned char> raw(block_.get(), used_);
  if (compressor_.compression() == VtuCompression::None) {
    out_.append(std::string_view(reinterpret_cast<const char *>(raw.data()), raw.size()));
    used_ = 0;
    return;
  }
  std::span<const unsigned char> compressed;
  if (repeated_ != nullptr)
    compressed = repeated_->find(blocksDone_, raw);
  if (compressed.empty()) {
    compressed = compressor_.compress(raw);
    if (repeated_ != nullptr)
      repeated_->keep(blocksDone_, raw, compressed);
  }
  header_[3 + blocksDone_++] = compressed.size();
  out_.append(std::string_view(reinterpret_cast<const char *>(compressed.data()), compressed.size()));
  used_ = 0;
}

int CompressedArray::finish() {
  if (used_ > 0)
    compressBlock();
  if (repeated_ != nullptr)
    repeated_->endAt(blocksDone_);
  // The header's room may still be in the buffer: out first, then over it.
  out_.flush();
  if (!out_.ok())
    return out_.error();
  return writeAllAt(descriptor_,
                    std::string_view(reinterpret_cast<const char *>(header_.data()), header_.size() * sizeof header_[0]),
                    start_);
}

} // namespace zonvert
