// One diagnostic line of the reaction library on standard output.
//
// Every line starts with one blank. Texts are written as they stand, integers
// right-aligned in fields of 12 characters and doubles in fields of 24
// characters in exponent form with 15 digits after the point and an exponent
// of three digits. The line is assembled in a fixed buffer, so writing a
// diagnostic never allocates.
#pragma once

#include <string_view>

namespace vrex {

class ConsoleLine {
public:
  ConsoleLine();

  ConsoleLine &text(std::string_view words);
  ConsoleLine &integer(int value);
  ConsoleLine &real(double value);

  // Writes the line and a line end to standard output in one piece and
  // flushes it, so the message appears in order with output of the host
  // written after it. Holds the console lock (ProcessLocks.h) meanwhile.
  void write() const;

private:
  void append(std::string_view piece);

  char buffer_[256];
  int length_ = 0;
};

} // namespace vrex
