// The open Tecplot input file, read line by line through a large buffer.
//
// A line is everything up to its end: a line feed, a carriage return and a
// line feed, or a lone carriage return (the three conventions files arrive
// with). Lines may be of any length; a line that does not fit in the current
// read block is gathered in a buffer that grows with the longest line. A line
// holding a NUL byte ends its text at that byte, since the lines are handled
// as zero-terminated texts; the rest up to the line end is dropped. A UTF-8
// byte order mark at the start of the file is no part of its first line.
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace zonvert {

class TecplotInput {
public:
  // Takes an open stream; the caller keeps ownership and closes it.
  explicit TecplotInput(std::FILE *stream);

  // The next line, without its line end. False at the end of the file.
  // Throws ConversionFailure when the stream reports a read error. The view
  // stays valid until the next call.
  bool nextLine(std::string_view &line);

  // Hands the end of the line last returned back to the input: the next
  // call of nextLine returns `rest` (a suffix of that line, or all of it).
  // Lets a reader stop in the middle of a line, where one record or data
  // section ends and the next begins.
  void keepRest(std::string_view rest) {
    kept_ = rest;
    hasKept_ = true;
  }

  // Running number of the next zone line accepted in this file.
  int nextZoneNumber = 0;

private:
  bool refill();
  bool readLine(std::string_view &line);

  std::FILE *stream_;
  std::unique_ptr<char[]> chunk_;
  std::size_t chunkPos_ = 0;
  std::size_t chunkEnd_ = 0;
  bool endOfFile_ = false;
  // The last line ended with a carriage return that was the last byte of a
  // block: a line feed starting the next block belongs to that line end.
  bool feedMayFollowReturn_ = false;
  // Lines that run past the end of a block are gathered here.
  std::string gathered_;
  std::string_view kept_;
  bool hasKept_ = false;
  bool atStart_ = true;
};

} // namespace zonvert
