#include "run/ConsoleOutput.h"

#include <cstdio>

namespace zonvert::console {

namespace {
bool atLineStart = true;
}

void write(std::string_view text) {
  if (text.empty())
    return;
  std::fwrite(text.data(), 1, text.size(), stdout);
  atLineStart = text.back() == '\n';
}

void writeMessage(std::string_view message) {
  if (!atLineStart)
    write("\n");
  write(message);
}

void flush() { std::fflush(stdout); }

} // namespace zonvert::console
