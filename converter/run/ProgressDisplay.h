// The progress display of a long run: one line on standard error, when that
// is a terminal, drawn four times a second and erased at the end:
//
//   zonvert: 123.4 of 287.0 MB (43%), 12 zones, 95.3 MB/s, 0:02 left
//
// The bytes are those read of the input file: for gzip or zstd input those
// of the compressed file ("MB compressed"), and the speed too. For an input
// that tells no position (a pipe), and for a file followed while written,
// the zones and the time so far.
//
// Standard output stays exactly as without it. Where it is the same
// terminal, the line is drawn after the console's text, never wider than
// what is left of the terminal's line, and erased before the console writes
// (see console::Overlay); the cursor is saved and restored around it.
#pragma once

#include "run/ConsoleOutput.h"
#include "run/SmallStackThread.h"
#include "source/TecplotBytes.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace zonvert {

// What the display says of the input.
enum class ProgressInput { Plain, Compressed, Followed };

class ProgressDisplay final : public console::Overlay {
public:
  // True when a display is wanted: standard error is a terminal and --quiet
  // was not given.
  static bool wanted(bool quiet);

  // Starts drawing at once, for the input open as `descriptor`.
  ProgressDisplay(int descriptor, ProgressInput input);
  // Stops and erases the display.
  ~ProgressDisplay() override;
  ProgressDisplay(const ProgressDisplay &) = delete;
  ProgressDisplay &operator=(const ProgressDisplay &) = delete;

  // One more zone has been read.
  void zoneRead() { zones_.fetch_add(1, std::memory_order_relaxed); }

  void erase() override;

private:
  using Clock = std::chrono::steady_clock;
  void run();
  void draw();
  std::string text() const;

  const int descriptor_;
  const ProgressInput input_;
  std::uint64_t total_ = 0; // the file's size; 0: not known
  const bool sharesTerminal_;
  const Clock::time_point start_ = Clock::now();
  std::atomic<int> zones_{0};
  bool drawn_ = false; // with `mutex`
  bool stopping_ = false;
  std::condition_variable wake_;
  SmallStackThread thread_;
};

// The display of a run reading `input` from `file`, or none where it is not
// wanted (see ProgressDisplay::wanted).
std::unique_ptr<ProgressDisplay> progressDisplay(std::FILE *file, const TecplotBytes &input, bool quiet);

} // namespace zonvert
