// Buffered output to an open file descriptor: text is gathered in a buffer
// and handed to the system in big blocks, so writing a zone of millions of
// values costs few system calls. The buffer starts small and doubles each
// time it is handed over full, up to 1 MiB: a small zone takes little
// memory, a large one is written in large blocks. A thread keeps the
// largest buffer it has used for its next file (at most 1 MiB per thread),
// so that a run of large zones does not map and fault in fresh memory for
// every file.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string_view>

namespace zonvert {

class OutputBuffer {
public:
  // Writes to `descriptor`; the caller keeps ownership and closes it.
  explicit OutputBuffer(int descriptor, std::uint64_t start = 0);
  // Leaves the buffer to the thread's next OutputBuffer.
  ~OutputBuffer();
  OutputBuffer(const OutputBuffer &) = delete;
  OutputBuffer &operator=(const OutputBuffer &) = delete;

  void append(std::string_view text) {
    if (text.size() > capacity_ - used_)
      flush();
    if (text.size() > capacity_) {
      writeThrough(text);
      return;
    }
    std::copy(text.begin(), text.end(), buffer_.get() + used_);
    used_ += text.size();
  }
  // Appends a long text, handing it to the system as it stands rather than
  // copying it into the buffer first.
  void appendLarge(std::string_view text) {
    if (text.size() < kDirectBytes) {
      append(text);
      return;
    }
    flush();
    writeThrough(text);
  }
  void append(char c) {
    if (used_ == capacity_)
      flush();
    buffer_[used_++] = c;
  }
  // Room for `bytes` bytes (at most kLeastBytes), to be filled at the place
  // returned; wrote() then tells where the bytes written end.
  char *room(std::size_t bytes) {
    if (bytes > capacity_ - used_)
      flush();
    return buffer_.get() + used_;
  }
  void wrote(const char *end) { used_ = static_cast<std::size_t>(end - buffer_.get()); }

  // Appends a signed decimal integer without fill, like "%d".
  void appendInt(std::int64_t value);

  // Hands everything gathered so far to the system.
  void flush();
  // Bytes appended since the buffer was made (written or not), counted
  // from `start`, the file position the descriptor stood at.
  std::uint64_t position() const { return written_ + used_; }
  // False once any write has failed; error() then tells why (an errno value).
  bool ok() const { return error_ == 0; }
  int error() const { return error_; }

  // The buffer's size at first: the most room() may ask for.
  static constexpr std::size_t kLeastBytes = std::size_t{1} << 14;

private:
  static constexpr std::size_t kDirectBytes = std::size_t{1} << 16;
  static constexpr std::size_t kMostBytes = std::size_t{1} << 20;
  void writeThrough(std::string_view text);

  int descriptor_;
  std::unique_ptr<char[]> buffer_;
  std::size_t capacity_ = kLeastBytes;
  std::size_t used_ = 0;
  std::uint64_t written_ = 0;
  int error_ = 0;
};

// Writes all of `bytes` at `offset` of the file, whatever the file position.
// Returns 0, or the errno value of the failed write.
int writeAllAt(int descriptor, std::string_view bytes, std::uint64_t offset);

} // namespace zonvert
