// The open Tecplot input file, read line by line through a large buffer.
//
// A line is everything up to its end: a line feed, a carriage return and a
// line feed, or a lone carriage return (the three conventions files arrive
// with). Lines may be of any length; a line that does not fit in the current
// read block is gathered in a buffer that grows with the longest line. A line
// holding a NUL byte ends its text at that byte, since the lines are handled
// as zero-terminated texts; the rest up to the line end is dropped. A UTF-8
// byte order mark at the start of the file is no part of its first line.
//
// The bytes come from a ByteSource (a plain file, a compressed stream, a
// file followed while written). Where a followed file's data written so far
// ends inside a line, that line is not handed out until its line end (or
// the end of the following) has come: a number there may not be whole yet.
#pragma once

#include "source/ByteSource.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace zonvert {

class TecplotInput {
public:
  // The size of the read block, unless told otherwise.
  static constexpr std::size_t kBlockBytes = std::size_t{1} << 20;

  // Reads `source`, which the caller keeps, `blockBytes` at a time.
  explicit TecplotInput(ByteSource &source, std::size_t blockBytes = kBlockBytes);
  // Reads an open stream as it stands; the caller keeps ownership and
  // closes it.
  explicit TecplotInput(std::FILE *stream);

  // The next line, without its line end. False at the end of the file.
  // Throws ConversionFailure when the stream reports a read error. The view
  // stays valid until the next call.
  bool nextLine(std::string_view &line);

  // The unread bytes of the read block, for a reader that takes whole lines
  // straight from it (the data lines of a zone, by the million): empty when
  // the next line does not start plainly there (a rest handed back, a line
  // feed of a carriage return pending, the file's first line).
  std::string_view unreadBlock() const {
    if (hasKept_ || feedMayFollowReturn_ || atStart_)
      return {};
    return {chunk_.get() + chunkPos_, chunkEnd_ - chunkPos_};
  }
  // The first `bytes` of unreadBlock(), whole lines with their line ends,
  // have been read.
  void skipRead(std::size_t bytes) { chunkPos_ += bytes; }

  // Hands the end of the line last returned back to the input: the next
  // call of nextLine returns `rest` (a suffix of that line, or all of it).
  // Lets a reader stop in the middle of a line, where one record or data
  // section ends and the next begins.
  void keepRest(std::string_view rest);

  // A place in the file to come back to: where a line starts.
  struct Position {
    std::uint64_t offset = 0;
    bool afterReturn = false; // a line feed there ends the line before
  };
  // Where the next line starts (with a kept rest: where that rest starts).
  Position position() const;
  // Where the line last returned starts in the file.
  std::uint64_t lineOffset() const { return lineOffset_; }
  // Moves to a place told before (or to any offset, for skipLinesUntil's
  // `midLine`); false when the stream cannot move (a pipe), which leaves it
  // where it was.
  bool seek(const Position &position);

  // Reads past the lines from where the input stands, up to the first line
  // for which `endsLines` is true (a line as nextLine returns it), which
  // stays to be read, or the end of the file; returns where they end.
  // Lines whose first item starts with a digit, a sign or a point are read
  // past without asking `endsLines`: one pass over the bytes finds where
  // lines start, so the bulk of a zone's data costs no more than that. The
  // input must have no rest handed back. With `midLine`, the input stands
  // within a line (after seek to any offset): the lines looked at start
  // after its end.
  std::uint64_t skipLinesUntil(bool (*endsLines)(std::string_view line), bool midLine = false);

  // A source of their own for the bytes from `offset` on, for another
  // thread (see ByteSource::readerFrom); null where there is none.
  std::unique_ptr<ByteSource> readerFrom(std::uint64_t offset) const { return source_->readerFrom(offset); }

  // Whether every byte of the data written so far has been read, so that
  // the next read would wait for more: only ever true for a file followed
  // while written. Reads what has come meanwhile, without waiting.
  bool wouldWait();

  // Once the file's last line has been read: the end of it (at most its
  // last 80 bytes) when no line end follows it, else empty. A file still
  // being written may end so in the middle of a value.
  std::string_view unendedLastLine() const { return unendedLastLine_; }

  // A flag that, once raised, makes the next read throw ReadingCancelled:
  // a run that has failed stops reading ahead. Looked at once per read block.
  void setCancelFlag(const std::atomic<bool> *flag) {
    cancel_ = flag;
    source_->setCancelFlag(flag);
  }

private:
  bool refill(Wait wait = Wait::ForMore);
  bool readLine(std::string_view &line);

  std::unique_ptr<ByteSource> ownSource_;
  ByteSource *source_;
  const std::atomic<bool> *cancel_ = nullptr;
  std::unique_ptr<char[]> chunk_;
  std::size_t blockBytes_ = kBlockBytes;
  std::size_t chunkPos_ = 0;
  std::size_t chunkEnd_ = 0;
  bool endOfFile_ = false;
  // The last line ended with a carriage return that was the last byte of a
  // block: a line feed starting the next block belongs to that line end.
  bool feedMayFollowReturn_ = false;
  // Lines that run past the end of a block are gathered here.
  std::string gathered_;
  std::string_view kept_;
  std::uint64_t keptOffset_ = 0;
  bool hasKept_ = false;
  std::string_view lastLine_;
  std::uint64_t lineOffset_ = 0;
  std::uint64_t chunkOffset_ = 0; // where the block starts in the file
  bool atStart_ = true;
  std::string unendedLastLine_;
};

} // namespace zonvert
