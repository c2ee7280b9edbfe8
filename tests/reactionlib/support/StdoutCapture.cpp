#include "StdoutCapture.h"

#include <unistd.h>

namespace vrex::test {

StdoutCapture::StdoutCapture() {
  std::fflush(stdout);
  sink_ = std::tmpfile();
  savedDescriptor_ = dup(STDOUT_FILENO);
  dup2(fileno(sink_), STDOUT_FILENO);
}

StdoutCapture::~StdoutCapture() { finish(); }

std::string StdoutCapture::finish() {
  if (savedDescriptor_ < 0) {
    return {};
  }
  std::fflush(stdout);
  dup2(savedDescriptor_, STDOUT_FILENO);
  close(savedDescriptor_);
  savedDescriptor_ = -1;
  std::string text;
  std::rewind(sink_);
  char piece[4096];
  std::size_t count = 0;
  while ((count = std::fread(piece, 1, sizeof(piece), sink_)) > 0) {
    text.append(piece, count);
  }
  std::fclose(sink_);
  sink_ = nullptr;
  return text;
}

void feedStdin(const std::string &content) {
  std::FILE *source = std::tmpfile();
  std::fwrite(content.data(), 1, content.size(), source);
  std::rewind(source);
  dup2(fileno(source), STDIN_FILENO);
  std::fclose(source);
  // Drop anything stdin had buffered from the previous source.
  std::fseek(stdin, 0, SEEK_SET);
  std::clearerr(stdin);
}

} // namespace vrex::test
