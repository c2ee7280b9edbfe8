#include "run/ZonePipeline.h"

#include "files/ProcessSignals.h"
#include "read/TecplotReader.h"

#include <new>
#include <sys/resource.h>
#include <system_error>
#include <unistd.h>

namespace zonvert {

namespace {

// How much lower than the reading thread the workers stand: with a third of
// its weight, the reading thread has a core to itself whenever it can run.
constexpr int kWorkerNiceness = 5;

} // namespace

ZonePipeline::ZonePipeline(TecplotFile &file, const OutputPlan &plan, int startZone, int workers)
    : file_(file), plan_(plan), startZone_(startZone), maxRecords_(static_cast<std::size_t>(workers) + 1),
      maxAhead_(2 * (workers + 1)) {
  file_.input.setCancelFlag(&cancelled_);
  // The threads never run the signal handler (see ProcessSignals.h).
  BlockedEndingSignals blocked;
  try {
    // The reader last: should a thread fail to start, nothing is read yet.
    for (int worker = 0; worker < workers; ++worker)
      threads_.emplace_back(&ZonePipeline::writeZones, this);
    threads_.emplace_back(&ZonePipeline::readZones, this);
  } catch (const std::system_error &) {
    stop();
    throw ThreadsNotStarted{};
  }
}

ZonePipeline::~ZonePipeline() { stop(); }

void ZonePipeline::stop() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    cancelled_ = true;
  }
  changed_.notify_all();
  for (std::thread &thread : threads_)
    if (thread.joinable())
      thread.join();
  threads_.clear();
  file_.input.setCancelFlag(nullptr);
}

bool ZonePipeline::zoneRead(int index, int &zoneNumber) {
  std::unique_lock lock(mutex_);
  // Every zone before this one has been taken.
  zonesTaken_ = index;
  changed_.notify_all();
  changed_.wait(lock, [&] { return zonesRead_ > index || readerDone_; });
  if (zonesRead_ > index) {
    zoneNumber = zoneNumbers_.at(index);
    zoneNumbers_.erase(index);
    return true;
  }
  if (readerFailure_)
    throw *readerFailure_;
  return false;
}

WrittenZone ZonePipeline::zoneWritten(int index) {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return written_.contains(index); });
  WrittenZone zone = std::move(written_.at(index));
  written_.erase(index);
  zonesTaken_ = index + 1;
  changed_.notify_all();
  return zone;
}

void ZonePipeline::readZones() {
  for (int index = 0;; ++index) {
    std::unique_ptr<ZoneRecord> record;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] {
        return stopping_ || (index - zonesTaken_ < maxAhead_ && (!freeRecords_.empty() || recordsMade_ < maxRecords_));
      });
      if (stopping_)
        return;
      if (freeRecords_.empty()) {
        ++recordsMade_;
        record = std::make_unique<ZoneRecord>();
      } else {
        record = std::move(freeRecords_.back());
        freeRecords_.pop_back();
      }
    }
    std::optional<ConversionFailure> failure;
    bool read = false;
    try {
      read = readZone(file_, *record);
    } catch (const ReadingCancelled &) {
      return;
    } catch (const ConversionFailure &stop) {
      failure = stop;
    } catch (const std::bad_alloc &) {
      failure = ConversionFailure(kOutOfMemoryMessage);
    }
    std::lock_guard lock(mutex_);
    if (!read) {
      readerDone_ = true;
      readerFailure_ = failure;
      changed_.notify_all();
      return;
    }
    zonesRead_ = index + 1;
    zoneNumbers_[index] = record->zoneNumber;
    if (record->zoneNumber >= startZone_)
      queue_.emplace_back(index, std::move(record));
    else
      freeRecords_.push_back(std::move(record));
    changed_.notify_all();
  }
}

void ZonePipeline::writeZones() {
  // The reading thread sets the pace: where the threads outnumber the
  // cores, it goes first. (A thread's nice value is its own on Linux.)
  const auto thread = static_cast<id_t>(gettid());
  setpriority(PRIO_PROCESS, thread, getpriority(PRIO_PROCESS, thread) + kWorkerNiceness);
  for (;;) {
    std::pair<int, std::unique_ptr<ZoneRecord>> job;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
      if (stopping_)
        return;
      job = std::move(queue_.front());
      queue_.pop_front();
    }
    WrittenZone zone = writeZone(job.second->zoneNumber, *job.second, plan_);
    std::lock_guard lock(mutex_);
    freeRecords_.push_back(std::move(job.second));
    written_.emplace(job.first, std::move(zone));
    changed_.notify_all();
  }
}

} // namespace zonvert
