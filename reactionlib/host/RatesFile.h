// The rates file "ratesAtFinish.dat" in the working directory of the host.
// It is opened and closed within each call that writes to it; nothing stays
// open between calls. Calls on several threads take turns: one call's
// file work is done before another's starts (ProcessLocks.h). It is written
// through a descriptor above the standard streams, close-on-exec: never
// through 0, 1 or 2, even in a host that has closed them, and never
// inherited by a program the host starts.
#pragma once

#include <cstddef>

namespace vrex {

inline constexpr const char *ratesFileName = "ratesAtFinish.dat";

// Appends `line` (a whole record with its line end) to the file. With
// startNewFile an existing file is deleted first, so the record becomes its
// first line. A file that cannot be deleted, opened or written is reported on
// standard output and the call goes on; the host process is never ended for
// it.
void appendRatesLine(const char *line, std::size_t length, bool startNewFile);

} // namespace vrex
