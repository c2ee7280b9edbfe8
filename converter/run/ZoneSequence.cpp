#include "run/ZoneSequence.h"

#include "files/ProcessSignals.h"
#include "run/ConsoleOutput.h"
#include "write/OutputBuffer.h"
#include "write/ZoneFiles.h"

#include <cstring>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace zonvert {

namespace {

bool isTheInput(const std::string &fileName, const FileIdentity &input) {
  struct stat info {};
  return input.known && stat(fileName.c_str(), &info) == 0 && info.st_dev == input.device &&
         info.st_ino == input.inode;
}

std::string lastComponent(const std::string &path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace

FileIdentity identityOf(std::FILE *file) {
  struct stat info {};
  const int descriptor = fileno(file);
  if (descriptor < 0 || fstat(descriptor, &info) != 0)
    return {};
  return {true, info.st_dev, info.st_ino};
}

WrittenZone writeZone(int zoneNumber, const ZoneRecord &zone, const OutputPlan &plan, ZoneWriterMemory &memory) {
  WrittenZone written;
  written.zoneNumber = zoneNumber;
  try {
    written.path = zoneFileName(plan.baseName, zoneNumber, plan.options.format);
    if (isTheInput(written.path, plan.input))
      throw ConversionFailure("ERROR: ZONE FILE " + written.path + " WOULD OVERWRITE THE TECPLOT FILE BEING READ.\n");
    written.file = std::make_unique<AtomicFile>();
    WriteReport report;
    const auto &fields = plan.options.variables;
    if (!writeZoneFile(*written.file, written.path, zone, plan.options.format, report, memory,
                       fields ? &*fields : nullptr))
      throw ConversionFailure("ERROR: writeVTKFile() " + written.path + ": " + report.failureReason + "\n",
                              kWriteFailureStatus);
    written.nameWarnings = std::move(report.nameWarnings);
    written.warnings = std::move(report.warnings);
    if (plan.options.series)
      written.time = zoneTime(zone);
  } catch (ConversionFailure &failure) {
    written.file.reset();
    written.failure = std::move(failure);
  } catch (const std::bad_alloc &) {
    // No memory for the message now: it is made when the zone's turn comes.
    written.file.reset();
    written.outOfMemory = true;
  }
  return written;
}

void ZoneSequence::zoneRead(int zoneNumber) {
  lastZoneRead_ = zoneNumber;
  if (progress_)
    progress_->zoneRead();
  console::write(std::to_string(zoneNumber) + " ");
  console::flush();
}

void ZoneSequence::zoneWritten(WrittenZone zone) {
  if (std::optional<ConversionFailure> failure = placeZoneFile(std::move(zone)))
    throw *failure;
}

std::optional<ConversionFailure> ZoneSequence::placeZoneFile(WrittenZone zone) {
  if (zone.outOfMemory)
    return ConversionFailure(kOutOfMemoryMessage);
  if (zone.failure)
    return zone.failure;
  // A followed file's series is rewritten after each zone file, so that a
  // viewer reloading it sees the new zone; the two are renamed into place
  // as one step, so that a signal ending the run finds them agreeing.
  const bool following = plan_.options.follow;
  std::optional<TemporaryFileStep> together;
  if (following && plan_.options.series)
    together.emplace();
  std::string reason;
  int replaced = -1;
  if (!zone.file->commit(reason, replaced_ ? &replaced : nullptr))
    return ConversionFailure("ERROR: writeVTKFile() " + zone.path + ": " + reason + "\n", kWriteFailureStatus);
  if (replaced_)
    replaced_->release(replaced);
  for (const std::string &warning : zone.nameWarnings)
    if (warningsGiven_.insert(warning).second)
      console::writeMessage(warning);
  for (const std::string &warning : zone.warnings)
    console::writeMessage(warning);
  if (plan_.options.series)
    series_.push_back({lastComponent(zone.path), zone.time, zone.zoneNumber});
  // A series file that cannot be written is told at the end.
  if (together)
    (void)writeSeriesFile();
  if (following)
    console::flush();
  return std::nullopt;
}

int ZoneSequence::finish(const std::optional<ConversionFailure> &failure) {
  int status = 0;
  if (failure) {
    console::writeMessage(failure->message);
    status = failure->exitStatus;
  }
  if (plan_.options.series)
    writeSeries(status);
  // "\nFINISH.\n" after the zone numbers; after a warning line, no empty line.
  if (!failure && status == 0)
    console::writeMessage("FINISH.\n");
  return status;
}

// The series lists the zone files written, also when a later zone failed.
void ZoneSequence::writeSeries(int &status) {
  const std::string warning = duplicateTimeWarning(series_, seriesFileName(plan_.baseName, plan_.options.format));
  if (!warning.empty())
    console::writeMessage(warning);
  const std::optional<ConversionFailure> failure = writeSeriesFile();
  if (!failure)
    return;
  console::writeMessage(failure->message);
  if (status == 0)
    status = failure->exitStatus;
}

std::optional<ConversionFailure> ZoneSequence::writeSeriesFile() const {
  const std::string name = seriesFileName(plan_.baseName, plan_.options.format);
  if (isTheInput(name, plan_.input))
    return ConversionFailure("ERROR: SERIES FILE " + name + " WOULD OVERWRITE THE TECPLOT FILE BEING READ.\n");
  AtomicFile file;
  std::string reason;
  bool written = file.create(name, reason);
  if (written) {
    OutputBuffer out(file.descriptor());
    out.append(seriesText(series_));
    out.flush();
    if (!out.ok()) {
      reason = std::strerror(out.error());
      written = false;
    }
  }
  if (!written || !file.commit(reason))
    return ConversionFailure("ERROR: CANNOT WRITE THE SERIES FILE " + name + ": " + reason + "\n", kWriteFailureStatus);
  return std::nullopt;
}

} // namespace zonvert
