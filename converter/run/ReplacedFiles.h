// The zone files a run on several threads replaces, let go of on a thread
// of their own.
//
// Renaming a zone file over the file of an earlier run frees the earlier
// file in the rename: its pages, and its blocks, which some file systems
// (ext4 mounted with "discard", as on many virtual machines) discard on the
// disk before the rename returns. The thread that renames the zone files in
// order would wait for that at every zone, while the workers wait for it.
// Here the earlier file is held across the rename (see AtomicFile::commit)
// and closed by a thread of its own, while the run goes on.
//
// At most a few files are held at once; beyond that, or when no thread can
// be started, a file is closed at once, as the rename would have freed it.
// The descriptors held are all closed before the object is gone, so that a
// zone then converted on one thread meets the limit on open files that a
// run on one thread meets.
#pragma once

#include "run/SmallStackThread.h"

#include <condition_variable>
#include <mutex>
#include <vector>

namespace zonvert {

class ReplacedFiles {
public:
  ReplacedFiles() = default;
  // Closes every file still held, and ends the thread.
  ~ReplacedFiles();
  ReplacedFiles(const ReplacedFiles &) = delete;
  ReplacedFiles &operator=(const ReplacedFiles &) = delete;

  // Takes `descriptor` (-1: none) to close.
  void release(int descriptor);

private:
  static constexpr std::size_t kMostHeld = 4;
  void closeHeld();

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<int> held_;
  bool ending_ = false;
  bool started_ = false;
  bool failedToStart_ = false;
  SmallStackThread thread_;
};

} // namespace zonvert
