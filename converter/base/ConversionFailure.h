// A condition that ends a conversion run: the message to print on standard
// output (complete, with its line feed) and the process exit status.
//
// The reader and the writer throw it; the driver prints the message, closes
// the input and returns the status. Keeping the "end of the run" in one place
// lets tests and fuzzers drive the reader and writer without the process
// ending under them, while the program itself still ends with the status.
#pragma once

#include <cstdio>
#include <string>
#include <utility>

namespace zonvert {

inline constexpr int kFailureStatus = 1;      // every failure but the one below
inline constexpr int kWriteFailureStatus = -1; // a zone file could not be created or written

inline constexpr const char *kOutOfMemoryMessage = "ERROR: OUT OF MEMORY.\n";

struct ConversionFailure {
  std::string message;
  int exitStatus = kFailureStatus;

  explicit ConversionFailure(std::string text, int status = kFailureStatus)
      : message(std::move(text)), exitStatus(status) {}
};

// A text formatted as printf formats it, of any length.
template <typename... Args> std::string formattedText(const char *pattern, Args... args) {
  std::string text(static_cast<std::size_t>(std::snprintf(nullptr, 0, pattern, args...)), '\0');
  std::snprintf(text.data(), text.size() + 1, pattern, args...);
  return text;
}

// A failure (status 1) whose message is formatted as printf formats it.
template <typename... Args> ConversionFailure formattedFailure(const char *pattern, Args... args) {
  return ConversionFailure(formattedText(pattern, args...));
}

} // namespace zonvert
