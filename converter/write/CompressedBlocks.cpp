#include "write/CompressedBlocks.h"

#include <bit>
#include <libdeflate.h>
#include <new>

namespace zonvert {

namespace {

// The fastest level: the values of a result file gain little from the
// slower ones, and the conversion is to keep pace with the disk.
constexpr int kCompressionLevel = 1;

static_assert(std::endian::native == std::endian::little, "the files are written little-endian");

} // namespace

BlockCompressor::BlockCompressor() : compressor_(libdeflate_alloc_compressor(kCompressionLevel)) {
  if (compressor_ == nullptr)
    throw std::bad_alloc();
  output_.resize(libdeflate_zlib_compress_bound(compressor_, CompressedArray::kBlockBytes));
}

BlockCompressor::~BlockCompressor() { libdeflate_free_compressor(compressor_); }

std::span<const unsigned char> BlockCompressor::compress(std::span<const unsigned char> bytes) {
  // The bound holds any block's stream, so the compression never runs out
  // of room.
  const std::size_t size =
      libdeflate_zlib_compress(compressor_, bytes.data(), bytes.size(), output_.data(), output_.size());
  return {output_.data(), size};
}

CompressedArray::CompressedArray(OutputBuffer &out, int descriptor, BlockCompressor &compressor,
                                 std::uint64_t rawBytes, RepeatedBlocks *repeated)
    : out_(out), descriptor_(descriptor), compressor_(compressor), repeated_(repeated), start_(out.position()),
      block_(std::make_unique_for_overwrite<unsigned char[]>(kBlockBytes)) {
  const std::uint64_t blocks = (rawBytes + kBlockBytes - 1) / kBlockBytes;
  header_.assign(3 + blocks, 0);
  header_[0] = blocks;
  header_[1] = kBlockBytes;
  header_[2] = rawBytes % kBlockBytes;
  // Room for the header, written when the sizes are known.
  out_.append(std::string_view(reinterpret_cast<const char *>(header_.data()), header_.size() * sizeof header_[0]));
}

void CompressedArray::compressBlock() {
  const std::span<const unsigned char> raw(block_.get(), used_);
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
