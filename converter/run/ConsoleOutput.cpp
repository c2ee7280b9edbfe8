#include "run/ConsoleOutput.h"

#include <cstdio>

namespace zonvert::console {

namespace {
bool atLineStart = true;
std::size_t lineBytes = 0;
Overlay *overlay = nullptr;

void writeBytes(std::string_view text) {
  std::fwrite(text.data(), 1, text.size(), stdout);
  atLineStart = text.back() == '\n';
  const std::size_t lineFeed = text.rfind('\n');
  lineBytes = lineFeed == std::string_view::npos ? lineBytes + text.size() : text.size() - lineFeed - 1;
}
} // namespace

void write(std::string_view text) {
  if (text.empty())
    return;
  if (!overlay)
    return writeBytes(text);
  std::lock_guard lock(overlay->mutex);
  overlay->erase();
  writeBytes(text);
  std::fflush(stdout);
}

void writeMessage(std::string_view message) {
  if (!atLineStart)
    write("\n");
  write(message);
}

void flush() { std::fflush(stdout); }

void setOverlay(Overlay *newOverlay) {
  std::fflush(stdout);
  overlay = newOverlay;
}

std::size_t column() { return lineBytes; }

} // namespace zonvert::console
