// Runs the built zonvert program in a scratch folder of its own and collects
// what it leaves behind: standard output, exit status and every file.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace zonvert::test {

struct RunResult {
  std::string stdoutText;
  int exitStatus = -1000;
  // Every regular file in the folder after the run (links to one
  // included), by name, except the run's own stdin and stdout captures.
  std::map<std::string, std::string> files;
};

struct RunRequest {
  std::vector<std::string> arguments;
  std::string stdinText;
  // Files placed in the folder before the run, by name.
  std::map<std::string, std::string> files;
  // Folders created in the folder before the run.
  std::vector<std::string> folders;
  // Shell commands run before the program, in the same shell (limits).
  std::string shellSetup;
};

RunResult runZonvert(const RunRequest &request);

// Starts zonvert as runZonvert does (without the shell set-up) and sends it
// `signalNumber` as soon as its standard output holds `mark`, or lets it end
// if it ends first. The exit status of a run ended by the signal is minus the
// signal's number.
RunResult runZonvertAndSignal(const RunRequest &request, const std::string &mark, int signalNumber);

} // namespace zonvert::test
