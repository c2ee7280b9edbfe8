#include "host/ConsolePause.h"

#include "host/ProcessLocks.h"

#include <atomic>
#include <cstdio>
#include <cstring>

#include <unistd.h>

namespace vrex {

namespace {

// Set by the first pause that waits, on whatever thread.
std::atomic<bool> hasPaused{false};

// Reads one line from standard input. Returns false at end of file or on a
// read error; otherwise tells through isEmpty whether the line held nothing
// but its line end. A line longer than the buffer is consumed piece by piece.
bool readLine(bool &isEmpty) {
  char piece[128];
  isEmpty = true;
  for (;;) {
    if (std::fgets(piece, sizeof(piece), stdin) == nullptr) {
      return false;
    }
    const std::size_t length = std::strlen(piece);
    const bool complete = length > 0 && piece[length - 1] == '\n';
    const std::size_t content = complete ? length - 1 : length;
    // A carriage return before the line end still makes an empty line.
    const bool onlyReturn = content == 1 && piece[0] == '\r';
    if (content > 0 && !onlyReturn) {
      isEmpty = false;
    }
    if (complete) {
      return true;
    }
  }
}

} // namespace

void pauseForEmptyLine() {
  {
    const std::lock_guard<std::mutex> hold(consoleLock());
    std::fputs(" Press Enter to continue.\n", stdout);
    std::fflush(stdout);
  }
  bool isEmpty = false;
  while (readLine(isEmpty)) {
    if (isEmpty) {
      return;
    }
  }
  // End of file or closed input: nobody can answer, so go on.
  std::clearerr(stdin);
}

void pauseAtMostOncePerProcess() {
  if (isatty(STDIN_FILENO) == 0 || hasPaused.exchange(true)) {
    return;
  }
  pauseForEmptyLine();
}

} // namespace vrex
