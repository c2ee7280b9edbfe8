#include "ChildProcess.h"

#include <cstdio>

#include <sys/wait.h>
#include <unistd.h>

namespace vrex::test {

int inChildProcess(const std::function<int()> &body, const char *output,
                   unsigned watchdogSeconds) {
  std::fflush(stdout);
  const pid_t child = fork();
  if (child == 0) {
    alarm(watchdogSeconds);
    if (output != nullptr && std::freopen(output, "w", stdout) == nullptr) {
      _exit(90);
    }
    _exit(body());
  }
  int status = 0;
  waitpid(child, &status, 0);
  return status;
}

} // namespace vrex::test
