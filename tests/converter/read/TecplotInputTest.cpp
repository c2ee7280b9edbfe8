// Lines of a Tecplot file as the input hands them out: every line end, any
// length, across read blocks.
#include "base/ConversionFailure.h"
#include "read/TecplotInput.h"
#include "support/MemoryStream.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace zonvert {
namespace {

std::vector<std::string> allLines(const std::string &text) {
  test::MemoryStream stream(text);
  TecplotInput input(stream.get());
  std::vector<std::string> lines;
  std::string_view line;
  while (input.nextLine(line))
    lines.emplace_back(line);
  return lines;
}

TEST(TecplotInput, LinesEndAtLineFeedReturnOrBothAndAreNeverCut) {
  const std::string longLine(3'000'000, 'a'); // longer than a read block
  const std::vector<std::pair<std::string, std::vector<std::string>>> cases = {
      {"", {}},
      {"one\ntwo", {"one", "two"}},
      {"crlf\r\n\r\n", {"crlf", ""}},
      {"lone\rcr\r\rend", {"lone", "cr", "", "end"}},
      {"cr then crlf\r\r\n", {"cr then crlf", ""}},
      {longLine + "\r\n" + longLine + "\rx\n", {longLine, longLine, "x"}},
      {std::string("1 2\0 3 4\nz\n", 11), {"1 2", "z"}},
      {std::string("\0a\0\r\n", 5), {""}},
  };
  for (const auto &[text, expected] : cases)
    EXPECT_EQ(allLines(text), expected) << text.substr(0, 40);
}

TEST(TecplotInput, LinesStraddlingReadChunksComeBackWhole) {
  // Several megabytes of lines of varying length, so that many lines cross
  // the boundary of the reader's internal blocks.
  std::string text;
  std::vector<std::string> expected;
  const std::string lineEnds[] = {"\n", "\r\n", "\r"};
  for (int i = 0; text.size() < 3'500'000; ++i) {
    std::string line = std::to_string(i) + std::string(static_cast<std::size_t>(i % 97), 'x');
    expected.push_back(line);
    text += line + lineEnds[i % 3];
  }
  EXPECT_EQ(allLines(text), expected);
}

TEST(TecplotInput, ReadErrorSaysWhy) {
  // A folder opens as a stream, but every read of it fails.
  std::FILE *folder = std::fopen("/", "r");
  ASSERT_NE(folder, nullptr);
  TecplotInput input(folder);
  std::string_view line;
  try {
    input.nextLine(line);
    ADD_FAILURE() << "a failed read passed for the end of the file";
  } catch (const ConversionFailure &failure) {
    EXPECT_EQ(failure.message, "ERROR: CANNOT READ THE TECPLOT FILE: Is a directory\n");
  }
  std::fclose(folder);
}

} // namespace
} // namespace zonvert
