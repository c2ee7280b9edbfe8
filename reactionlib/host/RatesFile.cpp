#include "host/RatesFile.h"

#include "host/ConsoleLine.h"
#include "host/ProcessLocks.h"

#include <cerrno>
#include <cstring>
#include <mutex>
#include <fcntl.h>
#include <unistd.h>

namespace vrex {

namespace {

void reportFailure(const char *what, int error) {
  ConsoleLine()
      .text("Rates file ")
      .text(ratesFileName)
      .text(": ")
      .text(what)
      .text(" (")
      .text(std::strerror(error))
      .text("); no rates record written")
      .write();
}

// Writes all of `data`, resuming after partial writes and interruptions.
bool writeAll(int descriptor, const char *data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(descriptor, data, size);
    if (written < 0) {
      if (errno == EINTR) {
        continue;
      }
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

// Opens the file for appending, close-on-exec, on a descriptor above the
// standard streams, or returns -1 with errno set. open takes the lowest free
// descriptor, which is 0, 1 or 2 in a host that has closed one of them; the
// file is then moved above 2 and the low descriptor closed again, under the
// console lock, so that no line of the library goes into the file. The
// standard streams the host has closed stay closed.
int openAboveStandardStreams() {
  const std::lock_guard<std::mutex> hold(consoleLock());
  const int descriptor = ::open(ratesFileName, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (descriptor < 0 || descriptor > STDERR_FILENO) {
    return descriptor;
  }
  const int moved = ::fcntl(descriptor, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
  const int error = errno;
  ::close(descriptor);
  errno = error;
  return moved;
}

} // namespace

void appendRatesLine(const char *line, std::size_t length, bool startNewFile) {
  // Plain descriptors rather than buffered streams: the record is written in
  // one piece and no memory is allocated for it.
  const std::lock_guard<std::mutex> hold(ratesFileLock());
  // Without a successful deletion the file would not start with this call's
  // record, so a failed deletion skips the record rather than appending it.
  if (startNewFile && ::unlink(ratesFileName) != 0 && errno != ENOENT) {
    reportFailure("cannot be deleted", errno);
    return;
  }
  const int descriptor = openAboveStandardStreams();
  if (descriptor < 0) {
    reportFailure("cannot be opened for appending", errno);
    return;
  }
  const bool written = writeAll(descriptor, line, length);
  const int writeError = errno;
  if (::close(descriptor) != 0 && written) {
    reportFailure("cannot be closed", errno);
    return;
  }
  if (!written) {
    reportFailure("cannot be written", writeError);
  }
}

} // namespace vrex
