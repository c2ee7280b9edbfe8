#include "run/CommandLine.h"

#include "base/TextScan.h"
#include "run/VariableList.h"

#include <algorithm>
#include <climits>
#include <string_view>
#include <thread>

#ifndef ZONVERT_VERSION
#define ZONVERT_VERSION "unknown"
#endif

namespace zonvert {

namespace {

bool looksLikeLongOption(std::string_view argument) {
  return argument.size() > 2 && argument.starts_with("--") && argument[2] != '-';
}

// The options that take a value ("--threads N" or "--threads=N"), and the
// line told when it is missing.
struct ValueOption {
  std::string_view name;
  std::string_view missing;
};
constexpr ValueOption kValueOptions[] = {
    {"--compress", "ERROR: OPTION --compress NEEDS zlib, lz4 OR none.\n"},
    {"--threads", "ERROR: OPTION --threads NEEDS A NUMBER OF THREADS.\n"},
    {"--idle", "ERROR: OPTION --idle NEEDS A NUMBER OF SECONDS.\n"},
    {"--zones", "ERROR: OPTION --zones NEEDS A LIST OF ZONES.\n"},
    {"--variables", "ERROR: OPTION --variables NEEDS A LIST OF VARIABLE NAMES.\n"},
};

const ValueOption *valueOptionNamed(std::string_view name) {
  for (const ValueOption &option : kValueOptions)
    if (name == option.name)
      return &option;
  return nullptr;
}

// An option zonvert knows, as it may be spelt.
bool isKnownOption(std::string_view argument) {
  for (std::string_view option :
       {"--vtu", "--series", "--follow", "--list", "--json", "--quiet", "--help", "--version"})
    if (argument == option)
      return true;
  return valueOptionNamed(argument.substr(0, argument.find('='))) != nullptr;
}

CommandLine refuse(std::string reason) {
  CommandLine line;
  line.action = CommandLine::Action::Refuse;
  line.refusal = std::move(reason);
  return line;
}

// The thread count of "--threads N": a whole number in 1..kMaxThreads. An
// empty refusal when it is one.
std::string parseThreads(std::string_view text, int &threads) {
  const auto value = scanWholeDecimal(text);
  const std::string range = " (1 TO " + std::to_string(kMaxThreads) + ")";
  // "--threads in.dat out": the number was forgotten.
  if (!value || text.empty() || isScanSpace(text.front()))
    return "ERROR: OPTION --threads NEEDS A NUMBER OF THREADS" + range + ", NOT " + std::string(text) + "\n";
  if (*value < 1 || *value > kMaxThreads)
    return "ERROR: BAD NUMBER OF THREADS: " + std::string(text) + range + "\n";
  threads = static_cast<int>(*value);
  return {};
}

// The seconds of "--idle SECONDS": a whole number, 0 for no limit. An empty
// refusal when it is one.
std::string parseIdle(std::string_view text, int &seconds) {
  const auto value = scanWholeDecimal(text);
  if (!value || text.empty() || isScanSpace(text.front()) || *value < 0 || *value > INT_MAX)
    return "ERROR: OPTION --idle NEEDS A WHOLE NUMBER OF SECONDS (0 FOR NO LIMIT), NOT " + std::string(text) + "\n";
  seconds = static_cast<int>(*value);
  return {};
}

// The compression of "--compress zlib|lz4|none", in any case. An empty
// refusal when it is one.
std::string parseCompression(std::string_view text, VtuCompression &compression) {
  for (const VtuCompressionFacts &facts : kVtuCompressions) {
    if (equalsInAnyCase(text, upcase(facts.option))) {
      compression = facts.compression;
      return {};
    }
  }
  return "ERROR: OPTION --compress NEEDS zlib, lz4 OR none, NOT " + std::string(text) + "\n";
}

// The value of an option that takes one: after "=" or as the next argument.
bool optionValue(std::string_view argument, std::size_t equals, int argc, const char *const *argv, int &at,
                 std::string_view &value) {
  if (equals != std::string_view::npos)
    value = argument.substr(equals + 1);
  else if (at + 1 < argc)
    value = argv[++at];
  else
    return false;
  return true;
}

} // namespace

int defaultThreadCount() {
  const unsigned hardware = std::thread::hardware_concurrency();
  return static_cast<int>(std::clamp(hardware, 1u, static_cast<unsigned>(kMaxThreads)));
}

CommandLine parseCommandLine(int argc, const char *const *argv) {
  CommandLine line;
  line.options.threads = defaultThreadCount();
  bool idleGiven = false;
  bool compressGiven = false;
  bool list = false;
  int at = 1;
  for (; at < argc; ++at) {
    const std::string_view argument = argv[at];
    if (argument == "--") {
      ++at;
      break;
    }
    if (!argument.starts_with("-") || argument == "-")
      break;
    const std::size_t equals = argument.find('=');
    const std::string_view name = argument.substr(0, equals);
    if (name == "--help" && equals == std::string_view::npos) {
      line.action = CommandLine::Action::Help;
      return line;
    }
    if (name == "--version" && equals == std::string_view::npos) {
      line.action = CommandLine::Action::Version;
      return line;
    }
    std::string_view value;
    if (const ValueOption *option = valueOptionNamed(name);
        option && !optionValue(argument, equals, argc, argv, at, value))
      return refuse(std::string(option->missing));
    std::string refusal;
    if (name == "--vtu" && equals == std::string_view::npos) {
      line.options.format = ZoneFormat::Vtu;
    } else if (name == "--compress") {
      refusal = parseCompression(value, line.options.compression);
      compressGiven = true;
    } else if (name == "--series" && equals == std::string_view::npos) {
      line.options.series = true;
    } else if (name == "--follow" && equals == std::string_view::npos) {
      line.options.follow = true;
    } else if (name == "--list" && equals == std::string_view::npos) {
      list = true;
    } else if (name == "--json" && equals == std::string_view::npos) {
      line.json = true;
    } else if (name == "--quiet" && equals == std::string_view::npos) {
      line.options.quiet = true;
    } else if (name == "--zones") {
      if (const std::optional<ZoneSelection> zones = ZoneSelection::parse(value, refusal))
        line.options.zones = *zones;
    } else if (name == "--variables") {
      line.options.variables = parseVariableList(value, refusal);
    } else if (name == "--threads") {
      refusal = parseThreads(value, line.options.threads);
    } else if (name == "--idle") {
      refusal = parseIdle(value, line.options.idleSeconds);
      idleGiven = true;
    } else {
      return refuse("ERROR: UNKNOWN OPTION " + std::string(argument) + "\n");
    }
    if (!refusal.empty())
      return refuse(std::move(refusal));
  }
  if (idleGiven && !line.options.follow)
    return refuse("ERROR: OPTION --idle GOES WITH --follow\n");
  if (compressGiven && line.options.format != ZoneFormat::Vtu)
    return refuse("ERROR: OPTION --compress GOES WITH --vtu\n");
  if (line.json && !list)
    return refuse("ERROR: OPTION --json GOES WITH --list\n");
  for (; at < argc; ++at)
    line.positionals.emplace_back(argv[at]);
  // An option after the input path ("zonvert in.dat --vtu out") is no
  // output name, and what follows the two paths is the starting zone, never
  // an option.
  for (std::size_t k = 1; k < line.positionals.size(); ++k)
    if (k == 1 ? isKnownOption(line.positionals[k]) : looksLikeLongOption(line.positionals[k]))
      return refuse("ERROR: OPTIONS GO BEFORE THE FILE PATHS: " + line.positionals[k] + "\n");
  if (list) {
    if (line.options.follow)
      return refuse("ERROR: OPTION --list LISTS A FILE AS IT IS, NOT WITH --follow\n");
    if (line.options.variables)
      return refuse("ERROR: OPTION --list WRITES NO FIELDS: --variables DOES NOT GO WITH IT\n");
    if (line.positionals.size() != 1)
      return refuse("ERROR: OPTION --list TAKES ONE PATH, THE TECPLOT FILE'S\n");
    line.action = CommandLine::Action::List;
    return line;
  }
  // With more arguments after the paths, none is read.
  if (line.positionals.size() == 3 && !scanWholeDecimal(line.positionals[2]))
    return refuse("ERROR: THE STARTING ZONE IS NO WHOLE NUMBER: " + line.positionals[2] + "\n");
  return line;
}

const std::string &usageText() {
  static const std::string text =
      "USAGE: zonvert [OPTIONS] <TECPLOT FILE PATH> <VTK FILE PATH> [<STARTING ZONE No.>]\n"
      "       zonvert --list [--json] [--zones LIST] <TECPLOT FILE PATH>\n"
      "\n"
      "Converts each zone of a Tecplot ASCII file, from the starting zone on (0, the\n"
      "default, converts all), into a VTK unstructured-grid file of its own, named\n"
      "after the VTK file path without its extension, with the 0-based zone number\n"
      "and .vtk (or .vtu) added: out.vtk gives out0.vtk, out1.vtk, ...\n"
      "Without the two paths it asks for all three inputs. A Tecplot file compressed\n"
      "with gzip or zstd (told by its first bytes, not its name) is read as it is.\n"
      "\n"
      "OPTIONS (before the paths; -- ends them):\n"
      "  --vtu          write VTK XML files (.vtu: binary, zlib-compressed, values as\n"
      "                 64-bit floats) instead of legacy VTK files (.vtk: ASCII,\n"
      "                 values copied as text)\n"
      "  --compress zlib|lz4|none\n"
      "                 with --vtu: compress the arrays with zlib (the default),\n"
      "                 with LZ4 (faster, larger files; VTK 9 and ParaView 5.11\n"
      "                 read them) or not at all\n"
      "  --series       also write <name>.vtk.series (or <name>.vtu.series), the\n"
      "                 JSON file series that ParaView opens as one dataset with\n"
      "                 the time of each zone\n"
      "  --threads N    convert with N threads, 1 to 64 (default: the machine's\n"
      "                 hardware threads); with 1 it reads and writes on one thread\n"
      "  --follow       convert while a simulator still writes the file (a regular\n"
      "                 file, plain, gzip or zstd; not a pipe): each zone as soon\n"
      "                 as its data is complete, waiting for more at the end of\n"
      "                 what is written (with --series, the series file is\n"
      "                 rewritten after each zone); ends when no process has the\n"
      "                 file open for writing any more, after --idle seconds\n"
      "                 without growth, or on Ctrl-C or SIGTERM (the zone files and\n"
      "                 series file written stay; status 130 or 143); a file that\n"
      "                 shrinks or is replaced meanwhile ends it with status 1\n"
      "  --idle SECONDS with --follow: end after SECONDS without growth (default\n"
      "                 10800, three hours, for output every hour; 0: no limit)\n"
      "  --zones LIST   convert only the zones of LIST (numbered from 0, as printed):\n"
      "                 numbers and ranges FIRST:END or FIRST:END:STEP, END not\n"
      "                 included, FIRST left out 0, END left out the end of the\n"
      "                 file, separated by commas: 0,5,10:20,100: or 0::10 (every\n"
      "                 tenth); the others are read past. With a starting zone,\n"
      "                 both apply. Reading ends after the last zone of a list\n"
      "                 that has one\n"
      "  --variables LIST\n"
      "                 write only the scalar fields named in LIST, separated by\n"
      "                 commas, as the file names them (in case too); a name that\n"
      "                 holds a comma in double quotes (\"\" for a quote in it).\n"
      "                 The coordinates and the velocity vector are always written\n"
      "  --list         write no files: list each zone (number, title, time as the\n"
      "                 series file takes it, zone type, nodes, elements) and the\n"
      "                 variables, of the zones of --zones (default all)\n"
      "  --json         with --list: the list as JSON\n"
      "  --quiet        no progress display (shown on standard error when it is a\n"
      "                 terminal: bytes read, zones read, MB/s, time left)\n"
      "  --help         show this text\n"
      "  --version      show the version\n"
      "\n"
      "EXIT STATUS:\n"
      "  0    every zone asked for (from the starting zone on, of --zones)\n"
      "       converted (after FINISH.) or listed\n"
      "  1    bad command line, input missing, unreadable or not convertible\n"
      "  255  the output folder, a zone file or the series file cannot be written\n"
      "  130  (143) ended by Ctrl-C (SIGINT) or SIGTERM, which end the process;\n"
      "       zone files are written whole or not at all\n"
      "\n"
      "MEMORY (address space, as ulimit -v counts it), with N threads: at most\n"
      "  8 MiB + N x 1.5 MiB + 2 x the larger of 1 MiB and (N + 1) x the largest\n"
      "  zone, a zone counted as the text of its values (a repeat count n*v as its\n"
      "  text and a blank, plus 64 bytes per variable it gives values to) and 5\n"
      "  bytes per corner of its elements, what it shares with an earlier zone\n"
      "  included; with --vtu, N x 2 x the largest zone's listed cells more (5\n"
      "  bytes per corner and 9 per cell: each thread keeps the last ones it wrote)\n";
  return text;
}

std::string versionText() { return std::string("zonvert ") + ZONVERT_VERSION + "\n"; }

} // namespace zonvert
