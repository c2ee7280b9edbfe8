// The blocks of one array as the last zone that kept them wrote them, raw
// and compressed, so that a zone whose array repeats them (the cells of a
// time series on one mesh, zone after zone) copies each compressed block
// after comparing its raw bytes, instead of compressing it again: 32 KiB
// compared rather than compressed. The bytes written are those a fresh
// compression makes, for the compressor makes the same stream from the
// same bytes.
//
// The blocks take the array's raw bytes and its compressed bytes (at most a
// few bytes more per block than the raw ones) once, and keep them for the
// next zone. Memory that cannot be had drops them: keeping them is never a
// reason to fail.
#pragma once

#include <cstddef>
#include <span>
#include <vector>

namespace zonvert {

class RepeatedBlocks {
public:
  // The compressed stream of block `index` when that block held exactly
  // `raw`; empty otherwise (a stream is never empty).
  std::span<const unsigned char> find(std::size_t index, std::span<const unsigned char> raw) const;
  // Keeps `raw` and its stream `compressed` as block `index`; the blocks
  // before it are kept already.
  void keep(std::size_t index, std::span<const unsigned char> raw, std::span<const unsigned char> compressed);
  // Drops the blocks from `count` on: the array had `count` blocks.
  void endAt(std::size_t count);

private:
  struct Block {
    std::vector<unsigned char> raw;
    std::vector<unsigned char> compressed;
  };
  std::vector<Block> blocks_;
};

} // namespace zonvert
