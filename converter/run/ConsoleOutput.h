// zonvert's console: standard output, where every prompt, zone number and
// message goes.
//
// It remembers whether the last byte written ended a line, so that a message
// always starts on a line of its own: after a prompt, or after the zone
// numbers of the progress line, a line feed comes first.
#pragma once

#include <cstddef>
#include <mutex>
#include <string_view>

namespace zonvert::console {

void write(std::string_view text);

// Writes `message` (which ends with its line feed) on a line of its own.
void writeMessage(std::string_view message);

// Hands what was written to the terminal or the log now, not when the
// buffer fills: progress shows while the conversion runs.
void flush();

// Something drawn on the terminal that standard output writes to as well
// (the progress display, after the console's text on its line): while one
// is set, each write takes its lock, erases it, and hands the text to the
// terminal at once, so that the two never mix.
class Overlay {
public:
  virtual ~Overlay() = default;
  // Erases what is drawn, with `mutex` held.
  virtual void erase() = 0;
  std::mutex mutex;
};

// Sets the overlay (null: none).
void setOverlay(Overlay *overlay);

// The bytes written after the last line feed: where on its line the
// console's text ends.
std::size_t column();

} // namespace zonvert::console
