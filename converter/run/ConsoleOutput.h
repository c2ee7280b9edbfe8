// zonvert's console: standard output, where every prompt, zone number and
// message goes.
//
// It remembers whether the last byte written ended a line, so that a message
// always starts on a line of its own: after a prompt, or after the zone
// numbers of the progress line, a line feed comes first.
#pragma once

#include <string_view>

namespace zonvert::console {

void write(std::string_view text);

// Writes `message` (which ends with its line feed) on a line of its own.
void writeMessage(std::string_view message);

// Hands what was written to the terminal or the log now, not when the
// buffer fills: progress shows while the conversion runs.
void flush();

} // namespace zonvert::console
