// A run on several threads: one thread reads and tokenizes the zones, worker
// threads write them into their temporaries, and the caller's thread takes
// them in order (see ZoneSequence), so that files, console and errors are
// exactly those of a run on one thread.
//
// The reading thread has the most to do and sets the pace, so the workers
// run at a lower priority: where threads outnumber cores, it goes first.
//
// Memory stays bounded: at most `workers` + 1 zone records exist (one
// being read, the others queued or being written; a record is reused once
// its zone is written), and the reader stays at most 2 x (`workers` + 1)
// zones ahead of the zones taken in order, which bounds the temporaries
// waiting for their turn.
#pragma once

#include "read/TecplotFile.h"
#include "run/ZoneSequence.h"
#include "zone/ZoneRecord.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace zonvert {

// Thrown when the system starts no more threads (a limit on processes or
// on address space); nothing has been read then.
struct ThreadsNotStarted {};

class ZonePipeline {
public:
  // Starts the reader and `workers` worker threads on `file`, writing the
  // zones from `startZone` on as `plan` says.
  ZonePipeline(TecplotFile &file, const OutputPlan &plan, int startZone, int workers);
  // Calls the run off: the reader stops at its next read block, the workers
  // after the zone in hand, and the temporaries not taken are removed.
  ~ZonePipeline();
  ZonePipeline(const ZonePipeline &) = delete;
  ZonePipeline &operator=(const ZonePipeline &) = delete;

  // Waits until the zone read `index`-th (the next one) is read: true, with
  // its number in the file, or false when the file ended before it. Throws
  // the failure that stopped the reader.
  bool zoneRead(int index, int &zoneNumber);
  // Waits for the zone read `index`-th (from the starting zone on) to be
  // written.
  WrittenZone zoneWritten(int index);

private:
  void stop();
  void readZones();
  void writeZones();

  TecplotFile &file_;
  const OutputPlan plan_;
  const int startZone_;
  const std::size_t maxRecords_;
  const int maxAhead_;

  std::mutex mutex_;
  std::condition_variable changed_;
  bool stopping_ = false;
  std::atomic<bool> cancelled_{false};
  // Reader: zones read so far, and how it ended.
  int zonesRead_ = 0;
  bool readerDone_ = false;
  std::optional<ConversionFailure> readerFailure_;
  // Zones handed over in order (read and, if written, taken) so far.
  int zonesTaken_ = 0;
  std::size_t recordsMade_ = 0;
  std::vector<std::unique_ptr<ZoneRecord>> freeRecords_;
  std::map<int, int> zoneNumbers_; // of the zones read, not yet handed over
  std::deque<std::pair<int, std::unique_ptr<ZoneRecord>>> queue_;
  std::map<int, WrittenZone> written_;

  std::vector<std::thread> threads_;
};

} // namespace zonvert
