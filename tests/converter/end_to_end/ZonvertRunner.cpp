#include "end_to_end/ZonvertRunner.h"

#include "support/FileContents.h"

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace zonvert::test {

namespace {

std::string quoted(const std::string &text) {
  std::string result = "'";
  for (char c : text) {
    if (c == '\'')
      result += "'\\''";
    else
      result += c;
  }
  return result + "'";
}

fs::path makeScratchFolder() {
  std::string pattern = (fs::temp_directory_path() / "zonvert-e2e-XXXXXX").string();
  if (!mkdtemp(pattern.data()))
    throw std::runtime_error("cannot create a scratch folder");
  return pattern;
}

// Puts the request's files, folders and standard input in place.
void prepareFolder(const fs::path &folder, const RunRequest &request) {
  for (const auto &sub : request.folders)
    fs::create_directories(folder / sub);
  for (const auto &[name, content] : request.files)
    writeFile((folder / name).string(), content);
  writeFile((folder / ".stdin").string(), request.stdinText);
}

// Collects what the run left and removes the folder.
RunResult collectRun(const fs::path &folder, int exitStatus) {
  RunResult result;
  result.exitStatus = exitStatus;
  result.stdoutText = readFile((folder / ".stdout").string());
  for (const auto &entry : fs::recursive_directory_iterator(folder)) {
    // A link to a regular file counts with its target's content; a link
    // loop, a FIFO or a folder does not count.
    std::error_code error;
    if (!fs::is_regular_file(entry.path(), error))
      continue;
    const std::string name = entry.path().lexically_relative(folder).string();
    if (name != ".stdin" && name != ".stdout")
      result.files[name] = readFile(entry.path().string());
  }
  fs::remove_all(folder);
  return result;
}

} // namespace

RunResult runZonvert(const RunRequest &request) {
  const fs::path folder = makeScratchFolder();
  prepareFolder(folder, request);
  // Appended piece by piece: GCC 12 at -O3 warns (-Wrestrict, wrongly) about
  // a literal added in front of a temporary string.
  std::string command = "cd ";
  for (const std::string &piece :
       {quoted(folder.string()), std::string(" && "), request.shellSetup, std::string(" "), quoted(ZONVERT_PATH)})
    command += piece;
  for (const auto &argument : request.arguments) {
    command += ' ';
    command += quoted(argument);
  }
  command += " < .stdin > .stdout";
  const int raw = std::system(command.c_str());
  return collectRun(folder, WIFEXITED(raw) ? WEXITSTATUS(raw) : -1000);
}

StartedRun startZonvert(const RunRequest &request, const std::function<void(const std::string &)> &beforeStart) {
  const fs::path folder = makeScratchFolder();
  prepareFolder(folder, request);
  if (beforeStart)
    beforeStart(folder.string());
  // Everything the child needs is made before the fork.
  const std::string stdinPath = (folder / ".stdin").string();
  const std::string stdoutPath = (folder / ".stdout").string();
  std::vector<std::string> words = {ZONVERT_PATH};
  words.insert(words.end(), request.arguments.begin(), request.arguments.end());
  std::vector<char *> argv;
  for (auto &word : words)
    argv.push_back(word.data());
  argv.push_back(nullptr);

  const pid_t child = fork();
  if (child == 0) {
    const int in = open(stdinPath.c_str(), O_RDONLY);
    const int out = open(stdoutPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (chdir(folder.c_str()) != 0 || in < 0 || out < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0)
      _exit(127);
    execv(argv[0], argv.data());
    _exit(127);
  }
  return {folder.string(), child};
}

bool runHasEnded(const StartedRun &run) {
  siginfo_t info{};
  return waitid(P_PID, static_cast<id_t>(run.processId), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
         info.si_pid == run.processId;
}

void pauseBriefly() {
  const timespec pause{0, 1'000'000};
  nanosleep(&pause, nullptr);
}

RunResult finishZonvert(const StartedRun &run, int limitSeconds) {
  const pid_t child = run.processId;
  int status = 0;
  const bool ended = waitUntil(
                         run, [] { return false; }, limitSeconds) ||
                     runHasEnded(run);
  if (!ended)
    kill(child, SIGKILL);
  waitpid(child, &status, 0);
  if (!ended)
    return collectRun(run.folder, -1000);
  return collectRun(run.folder, WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status));
}

RunResult runZonvertAndSignal(const RunRequest &request, const std::string &mark, int signalNumber) {
  const StartedRun run = startZonvert(request);
  const std::string stdoutPath = run.folder + "/.stdout";
  // Polls the progress output: the moment is set by what the run has done,
  // never by a time.
  int status = 0;
  while (waitpid(run.processId, &status, WNOHANG) == 0) {
    if (readFile(stdoutPath).find(mark) != std::string::npos) {
      kill(run.processId, signalNumber);
      waitpid(run.processId, &status, 0);
      break;
    }
    const timespec pause{0, 100'000};
    nanosleep(&pause, nullptr);
  }
  return collectRun(run.folder, WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status));
}

} // namespace zonvert::test
