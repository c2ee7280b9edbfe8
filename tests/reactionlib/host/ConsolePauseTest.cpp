// The console pause as an operator at a terminal meets it.
#include "host/ConsolePause.h"

#include "StdoutCapture.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace vrex {
namespace {

using test::feedStdin;
using test::StdoutCapture;

TEST(ConsolePause, EndsAtTheFirstEmptyLine) {
  feedStdin("not yet\n\nleft for the host\n");
  StdoutCapture capture;
  pauseForEmptyLine();
  EXPECT_EQ(capture.finish(), " Press Enter to continue.\n");
  char rest[64] = {};
  ASSERT_NE(std::fgets(rest, sizeof(rest), stdin), nullptr);
  EXPECT_STREQ(rest, "left for the host\n");
}

} // namespace
} // namespace vrex
