// The console program: obtains the Tecplot file, the output name and the
// starting zone from the command line or the prompts, then converts every
// zone from the starting zone onward to a VTK file of its own.
#pragma once

#include "run/CommandLine.h"

#include <cstdio>
#include <string>

namespace zonvert {

inline constexpr std::size_t kMaxPathLength = 255;

// The output name without the extension of its last path component: up to
// the last "." when that dot lies after the last "/", else the whole name.
std::string outputBaseName(const std::string &outputName);

// Converts the zones of an open Tecplot file (plain, gzip or zstd) from
// `startZone` onward that the options select, as they say, printing
// progress and any error message on standard output. The folder of the zone files is checked first,
// and no zone file may be the open file itself. `inputPath` names the file
// in messages and, with --follow, is watched. Returns the exit status; the
// caller closes the file.
int convertZones(std::FILE *file, const std::string &outputName, int startZone,
                 const ConversionOptions &options = {}, const std::string &inputPath = {});

// Runs the whole program with the given arguments (options first, see
// CommandLine.h), prompting on `consoleInput` when the paths are missing.
// Returns the process exit status: 0 after "FINISH." (and after --help or
// --version), 1 after a failure, -1 when a zone file cannot be created.
int runConverter(int argc, const char *const *argv, std::FILE *consoleInput);

} // namespace zonvert
