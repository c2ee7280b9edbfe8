// A Tecplot file followed while its writer (a simulator) appends to it.
//
// Where the data written so far ends, a read waits for more instead of
// ending: it wakes when the file changes (inotify, where the file system
// tells of changes; elsewhere it looks four times a second) and reads on.
// The following ends, and reads return the end of the data, when
//  - no other process has the file open for writing any more: looked at
//    when the data written so far has been read, first and whenever a writer
//    closes the file; on a file system shared over a network, where writers
//    on other machines cannot be seen, this never ends the following;
//  - the file has not grown for the idle limit (0: no limit).
// A file that shrinks below what was read, whose bytes already read are
// written over, or whose name comes to name another file (or none) while
// it is followed, has been started again, as a restarted simulator does:
// that is a ConversionFailure, and the zones read before stay converted.
#pragma once

#include "source/ByteSource.h"

#include <chrono>
#include <string>
#include <sys/types.h>

namespace zonvert {

// Idle limit without --idle: longer than the hour between two zones of
// hourly output, with room for a slow step.
inline constexpr int kDefaultIdleSeconds = 3 * 60 * 60;

// Why the file open as `descriptor`, named `path`, cannot be followed (a
// complete line), or empty when it can: only a regular file grows.
std::string followProblem(int descriptor, const std::string &path);

class FollowedFile final : public ByteSource {
public:
  enum class Ending { None, NoWriter, Idle };

  // Follows the file open as `descriptor` (the caller keeps it open and
  // closes it), named `path`. Throws ConversionFailure (followProblem) when
  // it cannot be followed.
  FollowedFile(int descriptor, std::string path, int idleSeconds);
  ~FollowedFile() override;
  FollowedFile(const FollowedFile &) = delete;
  FollowedFile &operator=(const FollowedFile &) = delete;

  std::size_t read(char *into, std::size_t capacity, Wait wait) override;
  bool atEnd() const override { return ending_ != Ending::None; }
  bool seek(std::uint64_t offset) override;
  void setCancelFlag(const std::atomic<bool> *flag) override { cancel_ = flag; }

  // Why the following ended (None while it goes on).
  Ending ending() const { return ending_; }

private:
  using Clock = std::chrono::steady_clock;

  [[noreturn]] void startedAgain(const std::string &what) const;
  void checkTail();
  void keepTail(const char *bytes, std::size_t count);
  void checkStillTheFile();
  bool writerCheckDue(Clock::time_point now);
  void waitForChange(Clock::time_point now);

  int descriptor_;
  std::string path_;
  dev_t device_ = 0;
  ino_t inode_ = 0;
  const int idleSeconds_;
  const std::atomic<bool> *cancel_ = nullptr;
  int changes_ = -1;          // inotify descriptor, or -1: looking four times a second
  bool writersVisible_ = true; // a local file system: its writers can be seen
  bool closeSeen_ = true;      // a writer closed the file (at first: as if)
  bool noWriterSeen_ = false;  // no writer, and read once more after that
  Clock::time_point lastGrowth_;
  Clock::time_point lastWriterCheck_;
  std::uint64_t offset_ = 0;    // of the next read
  std::uint64_t highWater_ = 0; // the bytes read so far
  std::string tail_;            // the last bytes before highWater_
  Ending ending_ = Ending::None;
};

} // namespace zonvert
