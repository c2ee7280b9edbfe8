// Runs the built zonvert program in a scratch folder of its own and collects
// what it leaves behind: standard output, exit status and every file.
#pragma once

#include <functional>
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

// A run started in its scratch folder that goes on while the test works on
// the folder (a writer appending to the Tecplot file zonvert follows).
struct StartedRun {
  std::string folder;
  int processId = -1;
};

// Starts zonvert as runZonvertAndSignal does, calling `beforeStart` with
// the folder once the request's files are in place.
StartedRun startZonvert(const RunRequest &request,
                        const std::function<void(const std::string &folder)> &beforeStart = {});

// Waits until `done` holds or the run has ended, looking often, at most
// `limitSeconds` (generous: a limit is no verdict); true when `done` holds.
template <typename Condition> bool waitUntil(const StartedRun &run, Condition done, int limitSeconds = 60);
bool runHasEnded(const StartedRun &run);
void pauseBriefly();

// Waits for the run to end (killing it after `limitSeconds`, when the
// status is -1000) and collects what it left, as runZonvert does.
RunResult finishZonvert(const StartedRun &run, int limitSeconds = 60);

template <typename Condition> bool waitUntil(const StartedRun &run, Condition done, int limitSeconds) {
  for (int pause = 0; pause < limitSeconds * 1000; ++pause) {
    if (done())
      return true;
    if (runHasEnded(run))
      return done();
    pauseBriefly();
  }
  return false;
}

} // namespace zonvert::test
