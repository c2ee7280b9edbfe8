#include "run/ZonePipeline.h"

#include "files/ProcessSignals.h"
#include "read/TecplotReader.h"

#include <algorithm>
#include <new>
#include <sys/resource.h>
#include <unistd.h>

namespace zonvert {

namespace {

// How much lower than the reading thread the workers stand: with a third of
// its weight, the reading thread has a core to itself whenever it can run.
constexpr int kWorkerNiceness = 5;

// The text and the zones all batches hold together at most, besides a zone
// that fills a batch alone: a hand-over costs tens of microseconds, a batch
// of this share of it a good deal more to read and write.
constexpr std::uint64_t kAllBatchesBytes = std::uint64_t{1} << 20;
constexpr std::uint64_t kLeastBatchBytes = std::uint64_t{16} << 10;
constexpr std::size_t kAllBatchesZones = 1024;
constexpr std::size_t kLeastBatchZones = 4;
constexpr std::size_t kMostBatchZones = 256;

// Zones this small (of text, on average in a batch) cost their files' system
// calls more than anything: creating, writing and renaming files in one
// folder from several threads at once only makes them wait for each other,
// so the caller's thread writes them itself, in turn.
constexpr std::uint64_t kSmallZoneBytes = std::uint64_t{4} << 10;

} // namespace

struct ZonePipeline::Batch {
  explicit Batch(std::size_t zones) : written(zones), largestHeld(zones, 0) {}

  int first = 0;         // the index of its first zone, in the order zones are read
  std::size_t count = 0; // zones read into it
  // Kept with their memory from batch to batch (see release), each record
  // with where its zone's data is, when the reader read past it for the
  // worker to read.
  std::vector<std::unique_ptr<ZoneRecord>> records;
  std::vector<std::unique_ptr<ZoneApart>> apart;
  // The first zone whose data read apart failed, or ended elsewhere than
  // where the reader found its end: from it on, the zones are to be read in
  // the file.
  std::size_t readApartFailed = SIZE_MAX;
  // The last zone may be read apart: the reader finds where its data ends
  // once the batch is handed over. Whether it has looked, and where (none:
  // its reading failed or was called off).
  bool apartEndKnown = false;
  std::optional<std::uint64_t> apartEnd;
  // Where each zone read starts, and the zone its reading ended at.
  std::vector<ReadingPoint> starts;
  std::vector<std::uint64_t> bytes; // of each zone read, in the file
  enum class Ending { More, EndOfFile, Failure, Stopped } ending = Ending::More;
  // Failure: why reading zone first + count failed; none when out of memory.
  std::optional<ConversionFailure> failure;
  std::vector<WrittenZone> written;         // by zone, from the starting zone on
  std::vector<std::uint64_t> largestHeld;   // the largest zone each record has held
  bool read = false;     // the reader is done with it
  bool byWorker = false; // a worker writes its zones from the starting zone on (else the caller does)
  bool done = false;     // and the worker
};

ZonePipeline::ZonePipeline(TecplotFile &file, const OutputPlan &plan, const ZoneSelection &selection, int workers,
                           bool canReadAgain)
    : file_(file), plan_(plan), selection_(selection), readsApart_(canReadAgain && !plan.options.follow),
      batchBytes_(std::max(kLeastBatchBytes, kAllBatchesBytes / static_cast<std::uint64_t>(workers + 1))),
      batchZones_(std::clamp(kAllBatchesZones / static_cast<std::size_t>(workers + 1), kLeastBatchZones,
                             kMostBatchZones)),
      threads_(static_cast<std::size_t>(workers) + 1) {
  for (int batch = 0; batch <= workers; ++batch) {
    batches_.push_back(std::make_unique<Batch>(batchZones_));
    free_.push_back(batches_.back().get());
  }
  inOrder_.reserve(batches_.size());
  toWrite_.reserve(batches_.size());
  file_.input.setCancelFlag(&cancelled_);
  // The threads never run the signal handler (see ProcessSignals.h).
  BlockedEndingSignals blocked;
  // The reader last: should a thread fail to start, nothing is read yet.
  bool started = true;
  for (int worker = 0; worker < workers && started; ++worker)
    started = threads_[static_cast<std::size_t>(worker)].start([this] { writeZones(); });
  if (started)
    started = threads_.back().start([this] { readZones(); });
  if (!started) {
    stopThreads(true);
    file_.input.setCancelFlag(nullptr);
    throw ThreadsNotStarted{};
  }
}

ZonePipeline::~ZonePipeline() {
  stopThreads(true);
  file_.input.setCancelFlag(nullptr);
}

void ZonePipeline::stopThreads(bool cancelReading) {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    finishing_ = true;
    if (cancelReading)
      cancelled_ = true;
  }
  changed_.notify_all();
  for (SmallStackThread &thread : threads_)
    thread.join();
  std::lock_guard lock(mutex_);
  threadsEnded_ = true;
}

void ZonePipeline::stopAfterZonesInHand() {
  stopThreads(false);
  // The zones not taken keep their records; their temporaries go.
  for (Batch *batch : inOrder_)
    for (WrittenZone &zone : batch->written)
      zone = WrittenZone{};
}

ZoneTurn ZonePipeline::next(int index) {
  std::unique_lock lock(mutex_);
  for (;;) {
    changed_.wait(lock, [&] { return threadsEnded_ || (!inOrder_.empty() && inOrder_.front()->read); });
    if (inOrder_.empty() || !inOrder_.front()->read)
      return {};
    Batch &batch = *inOrder_.front();
    const auto zone = static_cast<std::size_t>(index - batch.first);
    ZoneTurn turn;
    if (zone < batch.count) {
      const bool written = selection_.selects(batch.records[zone]->zoneNumber) && batch.byWorker && !threadsEnded_;
      const bool readApart = batch.apart[zone]->held;
      if (written || readApart)
        changed_.wait(lock, [&] { return batch.done || threadsEnded_; });
      turn.start = &batch.starts[zone];
      if (readApart && (zone >= batch.readApartFailed || !batch.done)) {
        turn.kind = ZoneTurn::Kind::ReadAgain;
        return turn;
      }
      turn.kind = ZoneTurn::Kind::Zone;
      turn.record = batch.records[zone].get();
      turn.written = written ? &batch.written[zone] : nullptr;
      return turn;
    }
    switch (batch.ending) {
    case Batch::Ending::More:
      release(batch);
      inOrder_.erase(inOrder_.begin());
      free_.push_back(&batch);
      changed_.notify_all();
      continue;
    case Batch::Ending::EndOfFile:
      turn.kind = ZoneTurn::Kind::EndOfFile;
      return turn;
    case Batch::Ending::Failure:
      turn.kind = ZoneTurn::Kind::ReadFailure;
      turn.start = &batch.starts[zone];
      turn.failure = batch.failure ? &*batch.failure : nullptr;
      return turn;
    case Batch::Ending::Stopped:
      return turn;
    }
  }
}

// A batch taken wholly: its temporaries not taken are removed. Its records
// keep their memory for the next batch, unless together they have held
// more than twice a batch's worth (a record after the first of a batch may
// take a large zone now and then; the first takes every large zone and is
// kept whatever it holds).
// The batch handed over, its last zone to be read apart: reads past its
// data, for the next zone, and tells the worker where it ended. False when
// that failed (the worker then has the zone read in the file) or was called
// off: the reading ends.
bool ZonePipeline::findApartEnd(Batch &batch) {
  std::optional<std::uint64_t> end;
  try {
    end = findZoneApartEnd(file_, *batch.records[batch.count - 1]);
  } catch (const ReadingCancelled &) {
  } catch (const ConversionFailure &) {
  } catch (const std::bad_alloc &) {
  }
  {
    std::lock_guard lock(mutex_);
    batch.apartEnd = end;
    batch.apartEndKnown = true;
  }
  changed_.notify_all();
  return end.has_value();
}

// Only a batch's last zone is read apart (see fill).
bool ZonePipeline::endsWithZoneApart(const Batch &batch) {
  return batch.count > 0 && batch.apart[batch.count - 1]->held;
}

// Reads the zone the batch's last zone is, apart, into `record`. False
// when that fails, or ends elsewhere than where the reader found the end of
// its data: the zone is then read in the file (its failure told as there).
bool ZonePipeline::readApart(Batch &batch, ZoneRecord &record) {
  std::optional<std::uint64_t> end;
  try {
    end = readZoneApart(*batch.records[batch.count - 1], *batch.apart[batch.count - 1], record);
  } catch (const ConversionFailure &) {
  } catch (const std::bad_alloc &) {
  }
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return batch.apartEndKnown || stopping_; });
  return end && batch.apartEndKnown && end == batch.apartEnd;
}

bool ZonePipeline::selectsAny(const Batch &batch) const {
  for (std::size_t zone = 0; zone < batch.count; ++zone)
    if (selection_.selects(batch.records[zone]->zoneNumber))
      return true;
  return false;
}

void ZonePipeline::release(Batch &batch) {
  std::uint64_t held = 0;
  for (std::size_t zone = 0; zone < batch.count; ++zone) {
    batch.written[zone] = WrittenZone{};
    batch.largestHeld[zone] = std::max(batch.largestHeld[zone], batch.bytes[zone]);
  }
  for (std::size_t zone = 1; zone < batch.records.size(); ++zone)
    held += batch.largestHeld[zone];
  if (held > 2 * batchBytes_) {
    batch.records.resize(std::min<std::size_t>(batch.records.size(), 1));
    batch.apart.resize(batch.records.size());
    std::fill(batch.largestHeld.begin() + 1, batch.largestHeld.end(), 0);
  }
}

void ZonePipeline::readZones() {
  ReadingPoint previous;
  int next = 0;
  for (;;) {
    Batch *batch = nullptr;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return stopping_ || !free_.empty(); });
      if (stopping_)
        return;
      batch = free_.back();
      free_.pop_back();
      batch->first = next;
      batch->count = 0;
      batch->starts.clear();
      batch->bytes.clear();
      batch->ending = Batch::Ending::More;
      batch->failure.reset();
      batch->read = batch->byWorker = batch->done = false;
      batch->readApartFailed = SIZE_MAX;
      batch->apartEndKnown = false;
      batch->apartEnd.reset();
      inOrder_.push_back(batch);
    }
    if (!fill(*batch, previous))
      return;
    std::uint64_t bytes = 0;
    for (std::uint64_t zoneBytes : batch->bytes)
      bytes += zoneBytes;
    {
      std::lock_guard lock(mutex_);
      batch->read = true;
      batch->byWorker = (batch->count > 0 && bytes >= batch->count * kSmallZoneBytes && selectsAny(*batch)) ||
                        endsWithZoneApart(*batch);
      batch->done = !batch->byWorker;
      if (batch->byWorker)
        toWrite_.push_back(batch);
    }
    changed_.notify_all();
    if (endsWithZoneApart(*batch) && !findApartEnd(*batch))
      return;
    if (batch->ending != Batch::Ending::More)
      return;
    next = batch->first + static_cast<int>(batch->count);
  }
}

// Reads zones into the batch until it holds its worth, or the file ends, or
// reading fails or is to stop. False when the run is called off.
bool ZonePipeline::fill(Batch &batch, ReadingPoint &previous) {
  std::uint64_t bytes = 0;
  while (batch.count < batchZones_ && bytes < batchBytes_) {
    if (finishing_) {
      batch.ending = Batch::Ending::Stopped;
      return true;
    }
    try {
      // Until the zone's start is noted, nothing of it has been read: a
      // failure here leaves the file where the zone starts.
      try {
        batch.starts.push_back(readingPoint(file_, &previous));
        batch.bytes.push_back(0);
      } catch (const std::bad_alloc &) {
        batch.ending = Batch::Ending::Stopped;
        return true;
      }
      const ReadingPoint &start = batch.starts.back();
      if (batch.records.size() == batch.count) {
        batch.records.push_back(std::make_unique<ZoneRecord>());
        batch.apart.push_back(std::make_unique<ZoneApart>());
      }
      if (!readZone(file_, *batch.records[batch.count], readsApart_ ? batch.apart[batch.count].get() : nullptr)) {
        batch.ending = Batch::Ending::EndOfFile;
        return true;
      }
      // A zone to be read apart ends the batch: it is handed over at once,
      // and its data read past after that (see readZones).
      if (batch.apart[batch.count]->held) {
        previous = start;
        ++batch.count;
        return true;
      }
      const std::uint64_t zoneBytes = file_.input.position().offset - start.position.offset;
      batch.bytes.back() = zoneBytes;
      bytes += zoneBytes;
      previous = start;
      ++batch.count;
      // A zone of a followed file is written as soon as it is read, not once
      // more zones (which may be hours apart) have come.
      if (plan_.options.follow)
        return true;
    } catch (const ReadingCancelled &) {
      return false;
    } catch (ConversionFailure &failure) {
      batch.ending = Batch::Ending::Failure;
      batch.failure = std::move(failure);
      return true;
    } catch (const std::bad_alloc &) {
      batch.ending = Batch::Ending::Failure;
      return true;
    }
  }
  return true;
}

void ZonePipeline::writeZones() {
  // The reading thread sets the pace: where the threads outnumber the
  // cores, it goes first. (A thread's nice value is its own on Linux.)
  const auto thread = static_cast<id_t>(gettid());
  setpriority(PRIO_PROCESS, thread, getpriority(PRIO_PROCESS, thread) + kWorkerNiceness);
  ZoneWriterMemory memory(plan_.options.compression);
  // The zones this worker reads apart, one after another: the batches hold
  // only their headers.
  ZoneRecord apartRecord;
  for (;;) {
    Batch *batch = nullptr;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return stopping_ || !toWrite_.empty(); });
      if (stopping_)
        return;
      batch = toWrite_.front();
      toWrite_.erase(toWrite_.begin());
    }
    for (std::size_t zone = 0; zone < batch->count; ++zone) {
      if (finishing_) {
        batch->readApartFailed = zone;
        break;
      }
      const ZoneRecord &record = *batch->records[zone];
      const bool readsApart = batch->apart[zone]->held;
      if (readsApart && !readApart(*batch, apartRecord)) {
        batch->readApartFailed = zone;
        break;
      }
      if (selection_.selects(record.zoneNumber))
        batch->written[zone] = writeZone(record.zoneNumber, readsApart ? apartRecord : record, plan_, memory);
    }
    {
      std::lock_guard lock(mutex_);
      batch->done = true;
    }
    changed_.notify_all();
  }
}

} // namespace zonvert
