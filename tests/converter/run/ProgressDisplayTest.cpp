// The progress display and the console on one terminal, in this process, so
// that ThreadSanitizer (preset tsan) watches the display's thread drawing
// while the console writes: on a pseudo-terminal that is both standard
// output and standard error, every byte the console wrote arrives in order,
// and after each drawing of the display comes another drawing or its
// erasing (the last one too), never console text.
#include "run/ConsoleOutput.h"
#include "run/ProgressDisplay.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <pty.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace zonvert {
namespace {

constexpr std::string_view kDrawStart = "\x1b" "7zonvert: ";
constexpr std::string_view kDrawEnd = "\x1b[K\x1b" "8";
constexpr std::string_view kErase = "\x1b[K";

TEST(ProgressDisplay, ConsoleTextAndTheDisplayNeverMixOnOneTerminal) {
  int terminal = -1, side = -1;
  ASSERT_EQ(openpty(&terminal, &side, nullptr, nullptr, nullptr), 0);
  termios raw{};
  ASSERT_EQ(tcgetattr(side, &raw), 0);
  cfmakeraw(&raw); // no CR added to line feeds
  ASSERT_EQ(tcsetattr(side, TCSANOW, &raw), 0);
  std::string seen;
  std::thread reader([&] {
    char bytes[4096];
    for (ssize_t count; (count = read(terminal, bytes, sizeof bytes)) > 0;)
      seen.append(bytes, static_cast<std::size_t>(count));
  });
  std::FILE *input = std::tmpfile();
  ASSERT_NE(input, nullptr);
  std::fflush(stdout);
  const int savedOutput = dup(STDOUT_FILENO), savedError = dup(STDERR_FILENO);
  dup2(side, STDOUT_FILENO);
  dup2(side, STDERR_FILENO);
  std::string written;
  {
    ProgressDisplay display(fileno(input), ProgressInput::Plain);
    // Zone numbers and messages as a run writes them, over about a second,
    // so that the display's thread draws between them.
    for (int zone = 0; zone < 400; ++zone) {
      const std::string text = zone % 50 == 49 ? "\nWARNING IN ZONE " + std::to_string(zone) + "\n"
                                                : std::to_string(zone) + " ";
      console::write(text);
      written += text;
      display.zoneRead();
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  std::fflush(stdout);
  dup2(savedOutput, STDOUT_FILENO);
  dup2(savedError, STDERR_FILENO);
  close(savedOutput);
  close(savedError);
  close(side); // the reader ends once no one holds the terminal's side open
  reader.join();
  close(terminal);
  std::fclose(input);

  std::string text;
  int draws = 0;
  for (std::size_t at = 0; at < seen.size();) {
    if (seen.compare(at, kDrawStart.size(), kDrawStart) == 0) {
      const std::size_t end = seen.find(kDrawEnd, at);
      ASSERT_NE(end, std::string::npos) << "a drawing not ended at " << at;
      at = end + kDrawEnd.size();
      ++draws;
      const bool followed = seen.compare(at, kDrawStart.size(), kDrawStart) == 0 ||
                            seen.compare(at, kErase.size(), kErase) == 0;
      ASSERT_TRUE(followed) << "console text right after a drawing, at " << at << ": " << seen.substr(at, 20);
    } else if (seen.compare(at, kErase.size(), kErase) == 0) {
      at += kErase.size();
    } else {
      text += seen[at++];
    }
  }
  EXPECT_GE(draws, 1);
  EXPECT_EQ(text, written);
}

} // namespace
} // namespace zonvert
