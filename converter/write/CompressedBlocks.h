// One array of a VTK XML file's appended data, compressed as VTK's zlib
// or LZ4 compressor writes it: a header of 64-bit little-endian words (the
// number of blocks, the block size, the size of the last block when partial,
// else 0, then the compressed size of each block), then each block of at
// most kBlockBytes raw bytes compressed on its own, as a zlib stream or an
// LZ4 block. The zlib streams are made by libdeflate, which makes them
// several times faster than zlib itself; zlib (VTK's reader among its users)
// reads them as its own. Not compressed, the array is one 64-bit word, its
// size in bytes, and the bytes.
//
// The header comes before the blocks but holds their compressed sizes, so
// its room is kept when the array starts and it is written into the file
// once the last block is out; the array is never held whole in memory.
#pragma once

#include "write/OutputBuffer.h"
#include "write/RepeatedBlocks.h"
#include "write/ZoneFormat.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

struct libdeflate_compressor;

namespace zonvert {

// A block compressor, kept for every block of every array of every zone a
// thread writes.
class BlockCompressor {
public:
  explicit BlockCompressor(VtuCompression compression);
  ~BlockCompressor();
  BlockCompressor(const BlockCompressor &) = delete;
  BlockCompressor &operator=(const BlockCompressor &) = delete;

  VtuCompression compression() const { return compression_; }

  // The zlib stream or LZ4 block of `bytes` (at most kBlockBytes); the view
  // is valid until the next call. Not to be called without compression.
  std::span<const unsigned char> compress(std::span<const unsigned char> bytes);

private:
  VtuCompression compression_;
  libdeflate_compressor *deflate_ = nullptr;
  std::unique_ptr<char[]> lz4State_; // on the heap: 16 KiB is much for a small stack
  std::vector<unsigned char> output_;
};

class CompressedArray {
public:
  static constexpr std::size_t kBlockBytes = 32768;

  // Starts an array of `rawBytes` bytes at the current end of `out`, whose
  // file is `descriptor`; with `repeated`, the blocks the array repeats
  // from there are copied, and its blocks kept there for the next.
  CompressedArray(OutputBuffer &out, int descriptor, BlockCompressor &compressor, std::uint64_t rawBytes,
                  RepeatedBlocks *repeated = nullptr);

  template <typename T> void append(T value) {
    static_assert(kBlockBytes % sizeof(T) == 0, "values never straddle two blocks");
    std::memcpy(block_.get() + used_, &value, sizeof value);
    used_ += sizeof value;
    if (used_ == kBlockBytes)
      compressBlock();
  }

  // Appends raw bytes, which may straddle blocks.
  void appendBytes(std::span<const unsigned char> bytes) {
    while (bytes.size() >= kBlockBytes - used_) {
      const std::size_t part = kBlockBytes - used_;
      std::memcpy(block_.get() + used_, bytes.data(), part);
      used_ = kBlockBytes;
      compressBlock();
      bytes = bytes.subspan(part);
    }
    std::memcpy(block_.get() + used_, bytes.data(), bytes.size());
    used_ += bytes.size();
  }

  // Compresses the last block and writes the header. Returns 0, or the
  // errno value of a failed write. Every byte announced must have been
  // appended.
  int finish();

private:
  void compressBlock();

  OutputBuffer &out_;
  int descriptor_;
  BlockCompressor &compressor_;
  RepeatedBlocks *repeated_;
  std::uint64_t start_;
  std::vector<std::uint64_t> header_;
  std::unique_ptr<unsigned char[]> block_;
  std::size_t used_ = 0;
  std::size_t blocksDone_ = 0;
};

} // namespace zonvert
