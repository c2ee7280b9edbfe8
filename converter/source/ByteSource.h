// The bytes of a Tecplot file, as the reader asks for them: from a plain
// file or a pipe, out of a gzip or zstd stream, or from a file followed while
// its writer appends to it.
//
// A source hands out the file's data in order, block by block, and says when
// it ends. A source followed while written does not end where the data
// written so far ends: a read waits there for more, until the following ends
// (see FollowedFile.h). Offsets are those of the data (for a compressed
// stream: of the text it holds), so that a reader can come back to a place
// it has passed.
#pragma once

#include "base/ConversionFailure.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace zonvert {

// Thrown by a read when the run it serves has been called off.
struct ReadingCancelled {};

// A compressed stream that is corrupt or cut short. The reader names the
// zone it was reading in the message.
struct StreamFailure : ConversionFailure {
  using ConversionFailure::ConversionFailure;
};

enum class Wait { ForMore, No };

class ByteSource {
public:
  virtual ~ByteSource() = default;

  // Reads at most `capacity` bytes (at least 1) into `into` and returns how
  // many; 0 at the end of the data. A followed source waits for more bytes
  // where the data written so far ends, unless told Wait::No: it then
  // returns 0 at once, and atEnd() tells whether that is the end. Throws
  // ConversionFailure (a read error, a followed file that shrank or was
  // replaced), StreamFailure or ReadingCancelled.
  virtual std::size_t read(char *into, std::size_t capacity, Wait wait) = 0;

  // After a read returned 0: whether the data has ended (false: nothing at
  // hand yet, only after Wait::No).
  virtual bool atEnd() const = 0;

  // Moves to `offset` of the data, a place read before; false when the
  // source cannot move back (a pipe), which leaves it where it was.
  virtual bool seek(std::uint64_t offset) = 0;

  // A source of its own for the data from `offset` on, that another thread
  // may read while this one reads on; null where the data cannot be read
  // so (a pipe, a compressed stream, a file followed while written).
  virtual std::unique_ptr<ByteSource> readerFrom(std::uint64_t /*offset*/) const { return nullptr; }

  // A flag that, once raised, makes a read that waits throw
  // ReadingCancelled (looked at while it waits, at least four times a
  // second).
  virtual void setCancelFlag(const std::atomic<bool> *) {}
};

} // namespace zonvert
