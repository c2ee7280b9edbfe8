#include "run/ProgressDisplay.h"

#include "files/ProcessSignals.h"
#include "source/CompressedBytes.h"

#include <algorithm>
#include <cstdio>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zonvert {

namespace {

constexpr auto kInterval = std::chrono::milliseconds(250);
constexpr double kMegabyte = 1e6;

// Saves the cursor before the line and restores it after: the line is
// drawn where the cursor stands and leaves it there.
constexpr const char *kSaveCursor = "\x1b" "7";
constexpr const char *kEraseToLineEnd = "\x1b[K";
constexpr const char *kRestoreCursor = "\x1b" "8";

void writeError(const std::string &text) {
  for (std::size_t done = 0; done < text.size();) {
    const ssize_t count = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
    if (count <= 0)
      return;
    done += static_cast<std::size_t>(count);
  }
}

// Standard output and standard error write to the same terminal.
bool sameTerminal() {
  struct stat out {}, error {};
  return isatty(STDOUT_FILENO) && fstat(STDOUT_FILENO, &out) == 0 && fstat(STDERR_FILENO, &error) == 0 &&
         out.st_rdev == error.st_rdev;
}

std::size_t terminalWidth() {
  winsize size{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
    return size.ws_col;
  return 80;
}

std::string duration(double seconds) {
  const auto whole = static_cast<long long>(seconds);
  char text[32];
  if (whole >= 3600)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", whole / 3600, whole / 60 % 60, whole % 60);
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
  return text;
}

} // namespace

bool ProgressDisplay::wanted(bool quiet) { return !quiet && isatty(STDERR_FILENO); }

ProgressDisplay::ProgressDisplay(int descriptor, ProgressInput input)
    : descriptor_(descriptor), input_(input), sharesTerminal_(sameTerminal()) {
  struct stat info {};
  if (input_ != ProgressInput::Followed && fstat(descriptor_, &info) == 0 && S_ISREG(info.st_mode))
    total_ = static_cast<std::uint64_t>(info.st_size);
  if (sharesTerminal_)
    console::setOverlay(this);
  draw();
  // The thread never runs the signal handler (see ProcessSignals.h). Where
  // no thread starts, the display stays as drawn now.
  BlockedEndingSignals blocked;
  thread_.start([this] { run(); });
}

ProgressDisplay::~ProgressDisplay() {
  {
    std::lock_guard lock(mutex);
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
  std::lock_guard lock(mutex);
  erase();
  if (sharesTerminal_)
    console::setOverlay(nullptr);
}

void ProgressDisplay::run() {
  std::unique_lock lock(mutex);
  while (!wake_.wait_for(lock, kInterval, [this] { return stopping_; })) {
    lock.unlock();
    draw();
    lock.lock();
  }
}

void ProgressDisplay::erase() {
  if (drawn_)
    writeError(kEraseToLineEnd);
  drawn_ = false;
}

void ProgressDisplay::draw() {
  std::string line = text();
  std::lock_guard lock(mutex);
  const std::size_t width = terminalWidth();
  const std::size_t column = sharesTerminal_ ? console::column() % width : 0;
  // Never up to the line's last column: the terminal would wrap it.
  const std::size_t room = width - column - 1;
  if (room < 10) {
    erase();
    return;
  }
  line.resize(std::min(line.size(), room));
  writeError(kSaveCursor + line + kEraseToLineEnd + kRestoreCursor);
  drawn_ = true;
}

std::string ProgressDisplay::text() const {
  const double seconds = std::chrono::duration<double>(Clock::now() - start_).count();
  const int zones = zones_.load(std::memory_order_relaxed);
  const std::string zoneText = std::to_string(zones) + (zones == 1 ? " zone" : " zones");
  char text[160];
  const off_t at = input_ == ProgressInput::Followed ? -1 : lseek(descriptor_, 0, SEEK_CUR);
  if (at < 0) {
    std::snprintf(text, sizeof text, "zonvert: %s%s, %s", input_ == ProgressInput::Followed ? "following, " : "",
                  zoneText.c_str(), duration(seconds).c_str());
    return text;
  }
  const double read = static_cast<double>(at) / kMegabyte;
  const double speed = seconds > 0 ? read / seconds : 0.0;
  const char *unit = input_ == ProgressInput::Compressed ? "MB compressed" : "MB";
  if (total_ == 0) {
    std::snprintf(text, sizeof text, "zonvert: %.1f %s, %s, %.1f MB/s, %s", read, unit, zoneText.c_str(), speed,
                  duration(seconds).c_str());
    return text;
  }
  const double total = static_cast<double>(total_) / kMegabyte;
  const double share = std::min(100.0, 100.0 * read / total);
  const std::string left = speed > 0 && seconds >= 0.5 ? duration(std::max(0.0, total - read) / speed) + " left"
                                                        : "--:-- left";
  std::snprintf(text, sizeof text, "zonvert: %.1f of %.1f %s (%.0f%%), %s, %.1f MB/s, %s", read, total, unit, share,
                zoneText.c_str(), speed, left.c_str());
  return text;
}

std::unique_ptr<ProgressDisplay> progressDisplay(std::FILE *file, const TecplotBytes &input, bool quiet) {
  if (!ProgressDisplay::wanted(quiet))
    return nullptr;
  ProgressInput kind = ProgressInput::Plain;
  if (input.followed)
    kind = ProgressInput::Followed;
  else if (dynamic_cast<const CompressedBytes *>(input.bytes.get()))
    kind = ProgressInput::Compressed;
  return std::make_unique<ProgressDisplay>(fileno(file), kind);
}

} // namespace zonvert
