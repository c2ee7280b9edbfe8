// The in-order part of a run: the console lines and the renaming of each
// zone's temporary to its name, zone after zone, exactly as a run on one
// thread does them, whichever thread wrote the zone and when.
//
// Per zone: its number once it is read and every earlier zone is done;
// then, if it is written, its file renamed to its name and its warnings
// (each warning once per run). The first failure ends the sequence: the
// files of the zones before it stay, the zone at fault and every later zone
// get none. At the end, the series file lists the zone files written (and
// where the file is followed while written, after each zone too).
#pragma once

#include "base/ConversionFailure.h"
#include "files/AtomicFile.h"
#include "run/CommandLine.h"
#include "run/ProgressDisplay.h"
#include "run/ReplacedFiles.h"
#include "write/SeriesFile.h"
#include "write/ZoneFiles.h"
#include "zone/ZoneRecord.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <sys/types.h>
#include <vector>

namespace zonvert {

// The file being read, by device and inode, so that a file name that
// reaches it through any link is known. Not known for a stream without a
// file behind it.
struct FileIdentity {
  bool known = false;
  dev_t device = 0;
  ino_t inode = 0;
};

FileIdentity identityOf(std::FILE *file);

// What the zone files are and where they go.
struct OutputPlan {
  std::string baseName;
  ConversionOptions options;
  FileIdentity input;
};

// A zone written into its temporary, waiting for its turn to be renamed; or
// the failure that kept it from being written.
struct WrittenZone {
  int zoneNumber = 0; // in the file
  std::string path;
  std::unique_ptr<AtomicFile> file;
  std::vector<std::string> nameWarnings; // told once per run
  std::vector<std::string> warnings;     // told for this zone
  double time = 0.0;
  std::optional<ConversionFailure> failure;
  bool outOfMemory = false; // the failure, when there was no memory for its message
};

// Writes the zone numbered `zoneNumber` in the file into a temporary of its
// file, with the memory the calling thread keeps for that; any failure is
// kept in the result, not thrown, so that it is told in its turn.
WrittenZone writeZone(int zoneNumber, const ZoneRecord &zone, const OutputPlan &plan, ZoneWriterMemory &memory);

class ZoneSequence {
public:
  explicit ZoneSequence(OutputPlan plan) : plan_(std::move(plan)) {}

  // The zone numbered `zoneNumber` in the file has been read: its number
  // goes to the console.
  void zoneRead(int zoneNumber);
  // Its file is renamed to its name and its warnings told; throws the
  // failure that kept it from being written, or that of the renaming.
  void zoneWritten(WrittenZone zone);
  // The same, returning that failure instead of throwing it.
  std::optional<ConversionFailure> placeZoneFile(WrittenZone zone);
  // Ends the run after `failure` (or none): tells it, writes the series file
  // and returns the exit status.
  int finish(const std::optional<ConversionFailure> &failure);

  // Counts the zones read on `progress` too (null: no display).
  void showProgressOn(ProgressDisplay *progress) { progress_ = progress; }

  // Hands the files the zone files replace to `files` to let go of (null:
  // the rename lets go of them).
  void releaseReplacedOn(ReplacedFiles *files) { replaced_ = files; }

  // The number of the last zone read, -1 before the first.
  int lastZoneRead() const { return lastZoneRead_; }

private:
  void writeSeries(int &status);
  std::optional<ConversionFailure> writeSeriesFile() const;

  OutputPlan plan_;
  // The name warnings told: as many as the file's VARIABLES records name
  // long names, not one per zone.
  std::set<std::string> warningsGiven_;
  int lastZoneRead_ = -1;
  ProgressDisplay *progress_ = nullptr;
  ReplacedFiles *replaced_ = nullptr;
  // Only with --series: the zone files written.
  std::vector<SeriesEntry> series_;
};

} // namespace zonvert
