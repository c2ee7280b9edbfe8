// The text of a compressed Tecplot file, decompressed as it is read: never
// to disk, never whole into memory, a block at a time as the reader asks.
//
// Streams written one after another into one file (gzip members, zstd
// frames: what `cat a.gz b.gz` or a writer that compresses each zone on its
// own makes) are read as one text, as `gzip -d` and `zstd -d` read them. A
// stream that is corrupt, or that the file cuts short (also exactly between
// two zones), is a StreamFailure, never the end of the text.
//
// A place read before is found again by decompressing once more from the
// start of the file up to it (a move forward decompresses up to the place):
// a return to an earlier zone costs the decompression of everything before
// that zone again.
#pragma once

#include "source/ByteSource.h"

#include <memory>

namespace zonvert {

class CompressedBytes : public ByteSource {
public:
  std::size_t read(char *into, std::size_t capacity, Wait wait) override;
  bool atEnd() const override { return ended_; }
  bool seek(std::uint64_t offset) override;
  void setCancelFlag(const std::atomic<bool> *flag) override { raw_->setCancelFlag(flag); }

protected:
  // Decompresses what `raw` holds; `format` names the format in messages.
  CompressedBytes(std::unique_ptr<ByteSource> raw, const char *format);

  // One step of the decoder: what it took of `in` and gave into `out`,
  // whether a stream (a gzip member, a zstd frame) ended exactly there, so
  // that the file may end there or the next stream start, and what is wrong
  // with the data where it is corrupt (the text decoded before it counts).
  struct Step {
    std::size_t consumed = 0;
    std::size_t produced = 0;
    bool streamEnded = false;
    std::string corruption;
  };
  virtual Step decode(const char *in, std::size_t inSize, char *out, std::size_t outSize) = 0;
  // Makes the decoder ready for the start of the file again.
  virtual void restart() = 0;

private:
  [[noreturn]] void corrupt(const std::string &detail) const;
  [[noreturn]] void cutShort() const;

  std::unique_ptr<ByteSource> raw_;
  const char *format_;
  std::unique_ptr<char[]> input_;
  std::size_t inputPos_ = 0;
  std::size_t inputEnd_ = 0;
  std::uint64_t produced_ = 0; // bytes of text handed out: the offset of the next
  bool atStreamEnd_ = false;   // the last stream read ended, no new one started
  bool outputPending_ = false; // the decoder filled the last block: it may hold more
  bool ended_ = false;
  // Corruption found after text that was handed out first: told at the next read.
  std::string corruption_;
  std::unique_ptr<char[]> skipped_; // what a move forward decompresses into
};

} // namespace zonvert
