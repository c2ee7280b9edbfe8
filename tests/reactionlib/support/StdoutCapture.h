// Captures everything written to standard output (file descriptor 1, so also
// output of a loaded shared library) between construction and finish().
#pragma once

#include <cstdio>
#include <string>

namespace vrex::test {

class StdoutCapture {
public:
  StdoutCapture();
  ~StdoutCapture();
  StdoutCapture(const StdoutCapture &) = delete;
  StdoutCapture &operator=(const StdoutCapture &) = delete;

  // Restores standard output and returns what was written meanwhile.
  std::string finish();

private:
  std::FILE *sink_ = nullptr;
  int savedDescriptor_ = -1;
};

// Replaces standard input by a file holding `content` (for the console pause).
void feedStdin(const std::string &content);

} // namespace vrex::test
