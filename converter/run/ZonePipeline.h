// A run on several threads: one thread reads the zones, worker threads
// write them into their temporaries, and the caller's thread
// takes them in order (see ZoneSequence), so that files, console and errors
// are exactly those of a run on one thread.
//
// Zones travel in batches: one large zone alone, or as many small ones as
// make a batch's worth of text together, so that a file of many small zones
// costs one hand-over per batch, not per zone. The reader fills a batch, one
// worker writes all its zones, the caller takes them one by one. Zones of a
// few KiB cost their files' system calls more than anything else, and
// creating and renaming files in one folder from several threads only makes
// them wait for each other: the caller writes such zones itself.
//
// The reading thread keeps the workers going, so they run at a lower
// priority: where threads outnumber cores, it goes first.
//
// A large zone that needs nothing of the file but its header has its data
// read by the worker too (see readZone): the reading thread only finds
// where it ends, and goes on to the next zone while the workers read.
//
// Memory stays bounded: there are `workers` + 1 batches, each holding one
// zone or small zones of at most 1 MiB / (`workers` + 1) of text together
// (and at least 16 KiB); a batch keeps its zones until the caller has taken
// the last of them, and is then filled again. A zone read apart is held in
// its batch as its header only, and read into the one record its worker
// keeps.
#pragma once

#include "read/TecplotFile.h"
#include "read/TecplotReader.h"
#include "run/SmallStackThread.h"
#include "run/ZoneSelection.h"
#include "run/ZoneSequence.h"
#include "zone/ZoneRecord.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace zonvert {

// Thrown when the system starts no more threads (a limit on processes or
// on address space); nothing has been read then.
struct ThreadsNotStarted {};

// The next zone in order, as the reader and the workers left it.
struct ZoneTurn {
  enum class Kind {
    Zone,        // read (and when selected, written, unless small or the workers were stopped)
    EndOfFile,   // no zone: the file ended
    ReadFailure, // reading it failed
    ReadAgain,   // reading its data apart failed or found its end elsewhere: it is to be read in the file
    NotRead,     // the reading stopped before it; the file stands where it starts
  };
  Kind kind = Kind::NotRead;
  // Where reading the zone starts (Zone, ReadFailure, ReadAgain): its records, or the
  // empty zones read past before it.
  const ReadingPoint *start = nullptr;
  // Zone: the zone, with its number in the file.
  const ZoneRecord *record = nullptr;
  WrittenZone *written = nullptr;     // Zone, when written by a worker; else the caller writes it
  // ReadFailure: why; null when there was no memory even for that.
  const ConversionFailure *failure = nullptr;
};

class ZonePipeline {
public:
  // Starts the reader and `workers` worker threads on `file`, writing the
  // zones `selection` selects as `plan` says.
  // With `canReadAgain` (and a file not followed), a large zone's data is
  // read by the worker that writes it (see readZone): the reading thread
  // only finds where it ends. Should
  // that reading fail, the zone's turn is ReadAgain.
  ZonePipeline(TecplotFile &file, const OutputPlan &plan, const ZoneSelection &selection, int workers,
               bool canReadAgain);
  // Calls the run off: the reader stops at its next read block, the workers
  // after the zone in hand, and the temporaries not taken are removed.
  ~ZonePipeline();
  ZonePipeline(const ZonePipeline &) = delete;
  ZonePipeline &operator=(const ZonePipeline &) = delete;

  // Waits for the zone read `index`-th, the one after the zone taken before
  // (0 at first; empty zones are no zones here), and hands it over; what it
  // points to stays valid until the next call. A selected zone (by its
  // number in the file) comes once it is written.
  ZoneTurn next(int index);

  // Ends the threads once the reader has finished the zone in hand and each
  // worker the zone in hand, and removes every temporary not taken yet: the
  // zones read stay to be taken with next(), without a written file, and
  // after them the turn says how the reading ended (NotRead: the file
  // stands where the next zone starts). For an input that cannot be read
  // again, so that no zone read is lost.
  void stopAfterZonesInHand();

private:
  struct Batch;
  void stopThreads(bool cancelReading);
  void readZones();
  bool fill(Batch &batch, ReadingPoint &previous);
  void writeZones();
  void release(Batch &batch);
  bool selectsAny(const Batch &batch) const;
  static bool endsWithZoneApart(const Batch &batch);
  bool findApartEnd(Batch &batch);
  bool readApart(Batch &batch, ZoneRecord &record);

  TecplotFile &file_;
  const OutputPlan plan_;
  const ZoneSelection selection_;
  const bool readsApart_;
  const std::uint64_t batchBytes_;
  const std::size_t batchZones_;

  std::mutex mutex_;
  std::condition_variable changed_;
  bool stopping_ = false;      // the threads are to end
  bool threadsEnded_ = false;  // and have ended
  // Read by the threads between zones (and by the input per read block).
  std::atomic<bool> cancelled_{false};
  std::atomic<bool> finishing_{false};
  // Each list has room for every batch from the start: the threads never
  // allocate memory to hand a batch over.
  std::vector<std::unique_ptr<Batch>> batches_;
  std::vector<Batch *> free_;
  std::vector<Batch *> inOrder_; // being read or not yet taken wholly, in zone order
  std::vector<Batch *> toWrite_; // in zone order

  std::vector<SmallStackThread> threads_;
};

} // namespace zonvert
