#include "host/ConsoleLine.h"

#include "host/NumberFields.h"
#include "host/ProcessLocks.h"

#include <charconv>
#include <cstdio>
#include <cstring>

namespace vrex {

namespace {
constexpr int integerWidth = 12;
} // namespace

ConsoleLine::ConsoleLine() { append(" "); }

void ConsoleLine::append(std::string_view piece) {
  // Texts of the library are short; anything beyond the buffer is cut off
  // rather than written past its end.
  const std::size_t room = sizeof(buffer_) - static_cast<std::size_t>(length_);
  const std::size_t count = piece.size() < room ? piece.size() : room;
  std::memcpy(buffer_ + length_, piece.data(), count);
  length_ += static_cast<int>(count);
}

ConsoleLine &ConsoleLine::text(std::string_view words) {
  append(words);
  return *this;
}

ConsoleLine &ConsoleLine::integer(int value) {
  // Right-aligned in 12 characters, as printf's %12d; std::to_chars does not
  // read the locale.
  char digits[16];
  const int length = static_cast<int>(std::to_chars(digits, digits + sizeof(digits), value).ptr - digits);
  for (int pad = length; pad < integerWidth; ++pad) {
    append(" ");
  }
  append({digits, static_cast<std::size_t>(length)});
  return *this;
}

ConsoleLine &ConsoleLine::real(double value) {
  char field[32];
  const int written = formatDiagnosticReal(value, field);
  append({field, static_cast<std::size_t>(written)});
  return *this;
}

void ConsoleLine::write() const {
  // The line and its end in one write, so that lines of calls on different
  // threads never interleave; under the console lock, so that no line goes
  // out while the rates file may hold descriptor 1 (ProcessLocks.h).
  char line[sizeof(buffer_) + 1];
  std::memcpy(line, buffer_, static_cast<std::size_t>(length_));
  line[length_] = '\n';
  const std::lock_guard<std::mutex> hold(consoleLock());
  std::fwrite(line, 1, static_cast<std::size_t>(length_) + 1, stdout);
  std::fflush(stdout);
}

} // namespace vrex
