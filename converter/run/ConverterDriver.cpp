#include "run/ConverterDriver.h"

#include "base/ConversionFailure.h"
#include "base/TextScan.h"
#include "read/TecplotReader.h"
#include "run/ConsoleOutput.h"
#include "run/ProgressDisplay.h"
#include "run/ZoneInventory.h"
#include "run/ZonePipeline.h"
#include "run/ZoneSequence.h"
#include "source/TecplotBytes.h"
#include "write/SeriesFile.h"
#include "write/ZoneFiles.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <memory>
#include <new>
#include <optional>
#include <vector>
#include <sys/stat.h>
#include <unistd.h>

namespace zonvert {

namespace {

constexpr const char *kLastUpdate = "May.29.2008";

struct RunInputs {
  std::string inputPath;
  std::string outputName;
  int startZone = 0;
};

int clampToInt(std::int64_t value) {
  if (value > INT_MAX)
    return INT_MAX;
  if (value < INT_MIN)
    return INT_MIN;
  return static_cast<int>(value);
}

void checkLength(const std::string &text, const char *what) {
  if (text.size() > kMaxPathLength)
    throw ConversionFailure(std::string("ERROR: ") + what + " IS LONGER THAN 255 CHARACTERS.\n");
}

// An empty output name (also what a closed console gives) would write the
// zone files as 0.vtk, 1.vtk, ... into the current folder.
void checkOutputName(const std::string &outputName) {
  checkLength(outputName, "OUTPUT NAME");
  if (outputName.empty())
    throw ConversionFailure("ERROR: OUTPUT NAME IS EMPTY.\n");
}

// The first character after any white space, which the scan formats skip.
int firstNonSpace(std::FILE *consoleInput) {
  int c = std::fgetc(consoleInput);
  while (c != EOF && isScanSpace(static_cast<char>(c)))
    c = std::fgetc(consoleInput);
  return c;
}

// Reads one word from the console as the scan format "%s" does. Stops
// reading one character past the longest name accepted, so a long word never
// overruns anything and is then refused whole.
std::string readConsoleWord(std::FILE *consoleInput) {
  std::string word;
  for (int c = firstNonSpace(consoleInput); c != EOF && !isScanSpace(static_cast<char>(c));
       c = std::fgetc(consoleInput)) {
    word.push_back(static_cast<char>(c));
    if (word.size() > kMaxPathLength)
      break;
  }
  return word;
}

// Reads a decimal integer from the console as "%d" does; 0 when there is none.
int readConsoleInt(std::FILE *consoleInput) {
  std::string text;
  int c = firstNonSpace(consoleInput);
  if (c == '+' || c == '-') {
    text.push_back(static_cast<char>(c));
    c = std::fgetc(consoleInput);
  }
  // Digits past 20 cannot change the clamped value.
  while (c >= '0' && c <= '9' && text.size() < 21) {
    text.push_back(static_cast<char>(c));
    c = std::fgetc(consoleInput);
  }
  const auto value = scanDecimal(text);
  return value ? clampToInt(*value) : 0;
}

RunInputs promptForInputs(std::FILE *consoleInput) {
  RunInputs inputs;
  console::write("THIS IS A DATA CONVERSION TOOL FROM TECPLOT TO VTK. \n");
  console::write(std::string("* LAST UPDATE: ") + kLastUpdate + "\n");
  console::write("* YOU CAN ALSO START WITH ARGUMENTS: zonvert.exe <TECPLOT FILE PATH> <VTK FILE PATH> <OPTION: "
                 "STARTING ZONE No.>\n\n");
  console::write("ENTER YOUR TECPLOT FILE NAME.\n> ");
  console::flush();
  inputs.inputPath = readConsoleWord(consoleInput);
  checkLength(inputs.inputPath, "INPUT FILE PATH");
  console::write("\n\nENTER OUTPUTTED VTK FILE NAME.\n> ");
  console::flush();
  inputs.outputName = readConsoleWord(consoleInput);
  checkOutputName(inputs.outputName);
  console::write("\n\nENTER STARTING ZONE(TIMESTEP) INDEX FOR CONVERSION. FOR ALL DATASET, JUST ENTER 0.\n> ");
  console::flush();
  inputs.startZone = readConsoleInt(consoleInput);
  return inputs;
}

RunInputs inputsFromArguments(const std::vector<std::string> &positionals) {
  RunInputs inputs{positionals[0], positionals[1], 0};
  checkLength(inputs.inputPath, "INPUT FILE PATH");
  checkOutputName(inputs.outputName);
  // The starting zone is read only when it is the last of exactly three
  // arguments; with more, every zone is converted.
  if (positionals.size() == 3) {
    if (const auto value = scanDecimal(positionals[2]))
      inputs.startZone = clampToInt(*value);
  }
  return inputs;
}

ConversionFailure cannotRead(const std::string &path, int error) {
  return ConversionFailure("ERROR: CANNOT READ THE TECPLOT FILE " + path + ": " + std::strerror(error) + "\n");
}

// Opens the Tecplot file, telling a missing file from one that exists but
// cannot be read.
std::FILE *openInput(const std::string &path) {
  std::FILE *file = std::fopen(path.c_str(), "r");
  if (!file) {
    const int error = errno;
    if (error == ENOENT || error == ENOTDIR)
      throw ConversionFailure("ERROR: File not found." + path + "\n");
    throw cannotRead(path, error);
  }
  // A folder opens, but every read of it fails.
  struct stat info {};
  if (fstat(fileno(file), &info) == 0 && S_ISDIR(info.st_mode)) {
    std::fclose(file);
    throw cannotRead(path, EISDIR);
  }
  return file;
}

// Why a followed run ended, for the console (empty while it goes on).
std::string followEnding(const FollowedFile &file, const std::string &path, int idleSeconds) {
  switch (file.ending()) {
  case FollowedFile::Ending::NoWriter:
    return "END OF FOLLOWING: NO PROCESS HAS " + path + " OPEN FOR WRITING.\n";
  case FollowedFile::Ending::Idle:
    return "END OF FOLLOWING: " + path + " HAS NOT GROWN FOR " + std::to_string(idleSeconds) + " SECONDS.\n";
  case FollowedFile::Ending::None:
    break;
  }
  return {};
}

// The folder the zone files go to: the base name up to its last slash.
std::string outputFolder(const std::string &baseName) {
  const std::size_t slash = baseName.rfind('/');
  if (slash == std::string::npos)
    return ".";
  return slash == 0 ? "/" : baseName.substr(0, slash);
}

// Finds a folder that cannot take the zone files before the first zone is
// read, not after minutes of reading. Status -1, as for a zone file that
// cannot be created.
void checkOutputFolder(const std::string &baseName) {
  const std::string folder = outputFolder(baseName);
  struct stat info {};
  int error = 0;
  if (stat(folder.c_str(), &info) != 0)
    error = errno;
  else if (!S_ISDIR(info.st_mode))
    error = ENOTDIR;
  else if (access(folder.c_str(), W_OK | X_OK) != 0)
    error = errno;
  if (error != 0)
    throw ConversionFailure("ERROR: CANNOT WRITE ZONE FILES IN FOLDER " + folder + ": " + std::strerror(error) + "\n",
                            kWriteFailureStatus);
}

// A zone file name or series file name longer than the folder takes would
// be found only when that file is renamed into place, after the zones
// before it (or all of them) were converted; zone file names the series
// file cannot list, only at the end. The first zone file and the series
// file are checked before the first zone is read.
void checkOutputNames(const std::string &baseName, int startZone, const ConversionOptions &options) {
  const std::string firstZoneFile = zoneFileName(baseName, std::max(startZone, 0), options.format);
  if (options.series)
    if (const std::string problem = seriesNameProblem(firstZoneFile); !problem.empty())
      throw ConversionFailure(problem);
  const std::string folder = outputFolder(baseName);
  const long longest = pathconf(folder.c_str(), _PC_NAME_MAX);
  if (longest <= 0)
    return;
  std::vector<std::string> names = {firstZoneFile};
  if (options.series)
    names.push_back(seriesFileName(baseName, options.format));
  for (const std::string &path : names) {
    const std::string name = path.substr(path.rfind('/') + 1);
    if (name.size() > static_cast<std::size_t>(longest))
      throw ConversionFailure("ERROR: OUTPUT NAME TOO LONG: " + name + " HAS " + std::to_string(name.size()) +
                              " BYTES, FOLDER " + folder + " TAKES AT MOST " + std::to_string(longest) + ".\n");
  }
}

// Reads and writes the zones from where the file stands on, on this
// thread, up to the last zone selected. Zones are numbered as in the file:
// a zone that holds no nodes is read past (no number, no file), and the
// zones after it keep their numbers. The number of the first zone read is
// on the console already when `firstShown`.
//
// With `mostZones`, at most so many: true when zones may follow them.
bool convertOnOneThread(TecplotFile &tecplot, ZoneSequence &sequence, const OutputPlan &plan,
                        const ZoneSelection &selection, bool firstShown = false, int mostZones = INT_MAX) {
  ZoneRecord zone;
  ZoneWriterMemory memory(plan.options.compression);
  for (bool shown = firstShown; mostZones > 0 && readZone(tecplot, zone); shown = false, --mostZones) {
    if (!shown)
      sequence.zoneRead(zone.zoneNumber);
    if (selection.selects(zone.zoneNumber))
      sequence.zoneWritten(writeZone(zone.zoneNumber, zone, plan, memory));
    if (selection.endsBy(zone.zoneNumber))
      return false;
  }
  return mostZones == 0;
}

// After a failure at the zone read `first`-th on threads, with the threads
// ended: the zones the reader had read, and then the rest of the file, on
// this thread. Only for an input that cannot be read again.
void convertHeldZones(ZonePipeline &pipeline, TecplotFile &tecplot, ZoneSequence &sequence, const OutputPlan &plan,
                      const ZoneSelection &selection, int first, bool firstShown) {
  int zoneIndex = first;
  ZoneWriterMemory memory(plan.options.compression);
  for (;; ++zoneIndex) {
    const ZoneTurn turn = pipeline.next(zoneIndex);
    if (turn.kind == ZoneTurn::Kind::EndOfFile)
      return;
    if (turn.kind == ZoneTurn::Kind::ReadFailure)
      throw turn.failure ? *turn.failure : ConversionFailure(kOutOfMemoryMessage);
    if (turn.kind == ZoneTurn::Kind::NotRead)
      break;
    const ZoneRecord &zone = *turn.record;
    if (zoneIndex != first || !firstShown)
      sequence.zoneRead(zone.zoneNumber);
    if (selection.selects(zone.zoneNumber))
      sequence.zoneWritten(writeZone(zone.zoneNumber, zone, plan, memory));
    if (selection.endsBy(zone.zoneNumber))
      return;
  }
  convertOnOneThread(tecplot, sequence, plan, selection, zoneIndex == first && firstShown);
}

// The files the zone files replace, let go of on a thread of their own
// while the zones' files come from the threads (see ReplacedFiles).
class ReleasingReplaced {
public:
  explicit ReleasingReplaced(ZoneSequence &sequence) : sequence_(sequence) { sequence.releaseReplacedOn(&files_); }
  ~ReleasingReplaced() { sequence_.releaseReplacedOn(nullptr); }
  ReleasingReplaced(const ReleasingReplaced &) = delete;
  ReleasingReplaced &operator=(const ReleasingReplaced &) = delete;

private:
  ZoneSequence &sequence_;
  ReplacedFiles files_;
};

// Threads change nothing but the time a run takes. Where a zone fails on
// them (a full disk, a limit on memory or open files, a write error, or
// what would fail on one thread too), the threads end, the temporaries of
// the zones after it are removed, and that zone and every later one are
// converted on this thread alone, as a run on one thread would meet them:
// read again from where the zone starts, or, from an input that cannot be
// read again, from the zones read so far.
//
// A zone whose data a worker read apart and found to end elsewhere than
// the reading thread did is read in the file on this thread, and the
// threads start again after it.
void convertOnThreads(TecplotFile &tecplot, ZoneSequence &sequence, const OutputPlan &plan,
                      const ZoneSelection &selection, bool canReadAgain) {
  std::optional<ZonePipeline> pipeline;
  ZoneTurn turn;
  int zoneIndex = 0;
  ZoneWriterMemory memory(plan.options.compression); // for the small zones this thread writes
  for (;;) {
    try {
      pipeline.emplace(tecplot, plan, selection, plan.options.threads, canReadAgain);
    } catch (const ThreadsNotStarted &) {
      convertOnOneThread(tecplot, sequence, plan, selection);
      return;
    }
    // Ends with the threads' zones: a zone converted on this thread alone
    // meets what a run on one thread meets.
    std::optional<ReleasingReplaced> releasing(std::in_place, sequence);
    for (zoneIndex = 0;; ++zoneIndex) {
      turn = pipeline->next(zoneIndex);
      if (turn.kind == ZoneTurn::Kind::EndOfFile)
        return;
      if (turn.kind != ZoneTurn::Kind::Zone)
        break;
      const ZoneRecord &zone = *turn.record;
      sequence.zoneRead(zone.zoneNumber);
      if (selection.selects(zone.zoneNumber) &&
          sequence.placeZoneFile(turn.written ? std::move(*turn.written)
                                              : writeZone(zone.zoneNumber, zone, plan, memory)))
        break;
      if (selection.endsBy(zone.zoneNumber))
        return;
    }
    releasing.reset();
    if (turn.kind != ZoneTurn::Kind::ReadAgain)
      break;
    const ReadingPoint start = *turn.start;
    pipeline.reset();
    tecplot.lastReadApart = {};
    if (!returnTo(tecplot, start))
      throw ConversionFailure("ERROR: CANNOT READ THE TECPLOT FILE: " + std::string(std::strerror(errno)) + "\n");
    if (!convertOnOneThread(tecplot, sequence, plan, selection, false, 1))
      return;
  }
  const bool shown = turn.kind == ZoneTurn::Kind::Zone;
  if (turn.kind == ZoneTurn::Kind::NotRead) {
    // The reader stopped where the zone starts.
    pipeline.reset();
    convertOnOneThread(tecplot, sequence, plan, selection);
    return;
  }
  if (canReadAgain) {
    const ReadingPoint start = *turn.start;
    pipeline.reset();
    if (returnTo(tecplot, start)) {
      convertOnOneThread(tecplot, sequence, plan, selection, shown);
      return;
    }
    throw ConversionFailure("ERROR: CANNOT READ THE TECPLOT FILE: " + std::string(std::strerror(errno)) + "\n");
  }
  if (turn.kind == ZoneTurn::Kind::ReadFailure)
    throw turn.failure ? *turn.failure : ConversionFailure(kOutOfMemoryMessage);
  pipeline->stopAfterZonesInHand();
  convertHeldZones(*pipeline, tecplot, sequence, plan, selection, zoneIndex, shown);
}

} // namespace

std::string outputBaseName(const std::string &outputName) {
  const std::size_t slash = outputName.rfind('/');
  const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
  const std::size_t dot = outputName.rfind('.');
  return dot == std::string::npos || dot < nameStart ? outputName : outputName.substr(0, dot);
}

int convertZones(std::FILE *file, const std::string &outputName, int startZone, const ConversionOptions &options,
                 const std::string &inputPath) {
  try {
    const std::string baseName = outputBaseName(outputName);
    checkOutputFolder(baseName);
    checkOutputNames(baseName, startZone, options);
    console::write("\n\n--\n");
    console::write("START CONVERSION.\n");
    const OutputPlan plan{baseName, options, identityOf(file)};
    ZoneSelection selection = options.zones;
    selection.startAt(startZone);
    ZoneSequence sequence(plan);
    console::write("READING ZONE: ");
    std::optional<ConversionFailure> failure;
    TecplotBytes input;
    std::unique_ptr<ProgressDisplay> progress;
    try {
      input = openTecplotBytes(file, inputPath,
                               options.follow ? std::optional<int>(options.idleSeconds) : std::nullopt);
      progress = progressDisplay(file, input, options.quiet);
      sequence.showProgressOn(progress.get());
      TecplotFile tecplot(*input.bytes);
      if (options.threads > 1)
        convertOnThreads(tecplot, sequence, plan, selection, std::ftell(file) >= 0);
      else
        convertOnOneThread(tecplot, sequence, plan, selection);
    } catch (const ConversionFailure &stop) {
      failure = stop;
    } catch (const std::bad_alloc &) {
      // The zone's memory is released by now.
      failure = ConversionFailure(kOutOfMemoryMessage);
    }
    sequence.showProgressOn(nullptr);
    progress.reset();
    if (!failure)
      if (const std::string warning = selection.missingZonesWarning(sequence.lastZoneRead()); !warning.empty())
        console::writeMessage(warning);
    if (input.followed)
      if (const std::string ending = followEnding(*input.followed, inputPath, options.idleSeconds); !ending.empty())
        console::writeMessage(ending);
    return sequence.finish(failure);
  } catch (const ConversionFailure &failure) {
    console::writeMessage(failure.message);
    return failure.exitStatus;
  } catch (const std::bad_alloc &) {
    console::writeMessage(kOutOfMemoryMessage);
    return kFailureStatus;
  }
}

int runConverter(int argc, const char *const *argv, std::FILE *consoleInput) {
  int status = 0;
  try {
    const CommandLine line = parseCommandLine(argc, argv);
    switch (line.action) {
    case CommandLine::Action::Help:
      console::write(usageText());
      break;
    case CommandLine::Action::Version:
      console::write(versionText());
      break;
    case CommandLine::Action::Refuse:
      console::writeMessage(line.refusal);
      console::write("\n" + usageText());
      status = kFailureStatus;
      break;
    case CommandLine::Action::List: {
      checkLength(line.positionals[0], "INPUT FILE PATH");
      const std::unique_ptr<std::FILE, int (*)(std::FILE *)> file(openInput(line.positionals[0]), &std::fclose);
      listZones(file.get(), line.positionals[0], line.options.zones, line.json, line.options.quiet);
      break;
    }
    case CommandLine::Action::Convert: {
      const RunInputs inputs =
          line.positionals.size() >= 2 ? inputsFromArguments(line.positionals) : promptForInputs(consoleInput);
      std::FILE *file = openInput(inputs.inputPath);
      if (line.options.follow)
        if (std::string problem = followProblem(fileno(file), inputs.inputPath); !problem.empty()) {
          std::fclose(file);
          throw ConversionFailure(std::move(problem));
        }
      status = convertZones(file, inputs.outputName, inputs.startZone, line.options, inputs.inputPath);
      std::fclose(file);
      break;
    }
    }
  } catch (const ConversionFailure &failure) {
    console::writeMessage(failure.message);
    status = failure.exitStatus;
  } catch (const std::bad_alloc &) {
    console::writeMessage(kOutOfMemoryMessage);
    status = kFailureStatus;
  }
  console::flush();
  return status;
}

} // namespace zonvert
