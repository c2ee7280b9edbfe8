// zonvert's command line: options first, then the file paths and the
// starting zone.
//
//   zonvert [options] <TECPLOT FILE PATH> <VTK FILE PATH> [<STARTING ZONE No.>]
//
// Options are the arguments before the first one that does not start with
// "-" (a lone "-" is a path); "--" ends them, so that a path starting with
// "-" can follow. What follows the first path is never an option: a
// negative starting zone ("-4") stays the starting zone. An output name
// that is one of the options ("zonvert in.dat --vtu out"), or an argument
// after the paths that is spelt like an option ("--vtu"), is refused rather
// than read as a name or the starting zone, so that a misplaced option never
// passes silently; so is a starting zone that is no whole number ("-v").
#pragma once

#include "run/ZoneSelection.h"
#include "source/FollowedFile.h"
#include "write/ZoneFormat.h"

#include <optional>
#include <string>
#include <vector>

namespace zonvert {

// What the options ask for. Without options: legacy files, no series file,
// and as many threads as the machine has.
struct ConversionOptions {
  ZoneFormat format = ZoneFormat::LegacyVtk;
  bool series = false;
  int threads = 1;
  // --follow: convert while the writer appends to the file, ending after
  // `idleSeconds` without growth (0: no limit).
  bool follow = false;
  int idleSeconds = kDefaultIdleSeconds;
  // --zones: the zones converted (with the starting zone).
  ZoneSelection zones = {};
  // --variables: the scalar fields written; none given: every one.
  std::optional<std::vector<std::string>> variables = std::nullopt;
  // --quiet: no progress display on standard error.
  bool quiet = false;
  // --compress: how XML files' arrays are compressed.
  VtuCompression compression = VtuCompression::Zlib;
};

inline constexpr int kMaxThreads = 64;

// The threads a run uses without --threads: the machine's hardware threads
// (1 when the system does not tell), at most kMaxThreads.
int defaultThreadCount();

struct CommandLine {
  // List: --list, the zones of the file without converting them (as JSON
  // with --json); the one path is the Tecplot file.
  enum class Action { Convert, List, Help, Version, Refuse };
  Action action = Action::Convert;
  ConversionOptions options;
  bool json = false;
  std::vector<std::string> positionals; // the paths and the starting zone
  std::string refusal;                  // Refuse: why, a complete line
};

CommandLine parseCommandLine(int argc, const char *const *argv);

// The text --help prints and a refused command line is followed by.
const std::string &usageText();

// The text --version prints.
std::string versionText();

} // namespace zonvert
