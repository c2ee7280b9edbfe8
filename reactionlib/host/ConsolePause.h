// The console pause after a serious diagnostic: the process waits until the
// operator enters an empty line.
#pragma once

namespace vrex {

// Waits for an empty line, but only where an operator can give one and only
// once per process: when standard input is a terminal and no pause has
// waited before. A batch host (standard input a pipe, a file or closed)
// never waits, and later diagnostics go on at once, so a host that meets many
// singular matrices is stopped once at most.
void pauseAtMostOncePerProcess();

// Prompts and reads standard input until an empty line, its end or a read
// error.
void pauseForEmptyLine();

} // namespace vrex
