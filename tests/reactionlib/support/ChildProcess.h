// A piece of a test run in a child process, for what may end or change the
// process: signals, traps, closed or replaced descriptors, fork.
#pragma once

#include <functional>

namespace vrex::test {

// Runs `body` in a child process with its standard output going to `output`
// (nullptr: left as it is) and a watchdog that ends a child still running
// after `watchdogSeconds` with SIGALRM; the child exits with what `body`
// returns. Returns the child's wait status.
int inChildProcess(const std::function<int()> &body, const char *output = "/dev/null",
                   unsigned watchdogSeconds = 30);

} // namespace vrex::test
