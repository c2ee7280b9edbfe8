#include "read/TecplotInput.h"

#include "base/ConversionFailure.h"
#include "read/TecplotSyntax.h"
#include "source/StreamBytes.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zonvert {

namespace {

bool isLineBreak(char c) { return c == '\n' || c == '\r' || c == '\0'; }
bool isLineEnd(char c) { return c == '\n' || c == '\r'; }

// The first line feed or carriage return in [from, end), or end; with
// `nulToo`, a NUL byte too. One pass finds whichever comes first, sixteen
// bytes at a time, so a file with lone carriage returns costs no more than
// one with line feeds.
template <bool nulToo> const char *findBreak(const char *from, const char *end) {
#if defined(__SSE2__)
  const __m128i feed = _mm_set1_epi8('\n');
  const __m128i ret = _mm_set1_epi8('\r');
  while (end - from >= 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i *>(from));
    __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(block, feed), _mm_cmpeq_epi8(block, ret));
    if constexpr (nulToo)
      hits = _mm_or_si128(hits, _mm_cmpeq_epi8(block, _mm_setzero_si128()));
    if (const int mask = _mm_movemask_epi8(hits))
      return from + __builtin_ctz(static_cast<unsigned>(mask));
    from += 16;
  }
#endif
  while (from < end && !(nulToo ? isLineBreak(*from) : isLineEnd(*from)))
    ++from;
  return from;
}

// Where a line's text ends: at its line end, or at a NUL byte before it.
const char *findLineBreak(const char *from, const char *end) { return findBreak<true>(from, end); }

} // namespace

// The block keeps sixteen bytes to spare past its end, so that the values
// of its last line are copied sixteen bytes at a time too.
TecplotInput::TecplotInput(ByteSource &source, std::size_t blockBytes)
    : source_(&source), chunk_(new char[blockBytes + 16]), blockBytes_(blockBytes) {}

TecplotInput::TecplotInput(std::FILE *stream)
    : ownSource_(std::make_unique<StreamBytes>(stream)), source_(ownSource_.get()),
      chunk_(new char[kBlockBytes + 16]) {}

// False at the end of the data, and (not waiting) when nothing is at hand.
bool TecplotInput::refill(Wait wait) {
  if (endOfFile_)
    return false;
  if (cancel_ && cancel_->load(std::memory_order_relaxed))
    throw ReadingCancelled{};
  const std::size_t count = source_->read(chunk_.get(), blockBytes_, wait);
  if (count == 0 && !source_->atEnd())
    return false;
  chunkOffset_ += chunkEnd_;
  chunkPos_ = 0;
  chunkEnd_ = count;
  endOfFile_ = count == 0;
  return count > 0;
}

bool TecplotInput::wouldWait() {
  if (hasKept_ || chunkPos_ < chunkEnd_ || endOfFile_)
    return false;
  return !refill(Wait::No) && !endOfFile_;
}

bool TecplotInput::nextLine(std::string_view &line) {
  if (hasKept_) {
    // The view still points into the block or the gathered line: neither
    // has changed since the line was returned.
    hasKept_ = false;
    line = lastLine_ = kept_;
    lineOffset_ = keptOffset_;
    return true;
  }
  const bool atStart = atStart_;
  atStart_ = false;
  if (!readLine(line))
    return false;
  // Windows programs may start a text file with the UTF-8 byte order mark.
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  if (atStart && line.starts_with(kByteOrderMark)) {
    line.remove_prefix(kByteOrderMark.size());
    lineOffset_ += kByteOrderMark.size();
  }
  lastLine_ = line;
  return true;
}

void TecplotInput::keepRest(std::string_view rest) {
  kept_ = rest;
  keptOffset_ = lineOffset_ + static_cast<std::uint64_t>(rest.data() - lastLine_.data());
  hasKept_ = true;
}

TecplotInput::Position TecplotInput::position() const {
  if (hasKept_)
    return {keptOffset_, false};
  return {chunkOffset_ + chunkPos_, feedMayFollowReturn_};
}

bool TecplotInput::seek(const Position &position) {
  // A place in the block in hand needs no read: with a compressed stream,
  // going back even a little decompresses it from its start again.
  if (position.offset >= chunkOffset_ && position.offset <= chunkOffset_ + chunkEnd_) {
    chunkPos_ = static_cast<std::size_t>(position.offset - chunkOffset_);
  } else {
    if (!source_->seek(position.offset))
      return false;
    chunkOffset_ = position.offset;
    chunkPos_ = chunkEnd_ = 0;
    endOfFile_ = false;
  }
  feedMayFollowReturn_ = position.afterReturn;
  hasKept_ = false;
  atStart_ = position.offset == 0;
  unendedLastLine_.clear();
  return true;
}

bool TecplotInput::readLine(std::string_view &line) {
  // Fast path: the whole line lies in the current block and is returned as a
  // view into it. A line that runs past the block is gathered.
  bool started = false;  // some bytes of this line have been consumed
  bool textEnded = false; // a NUL byte ended the line's text
  gathered_.clear();
  for (;;) {
    if (chunkPos_ == chunkEnd_ && !refill())
      break;
    const char *from = chunk_.get() + chunkPos_;
    const char *end = chunk_.get() + chunkEnd_;
    if (feedMayFollowReturn_) {
      feedMayFollowReturn_ = false;
      if (*from == '\n') {
        ++chunkPos_;
        continue;
      }
    }
    if (!started)
      lineOffset_ = chunkOffset_ + chunkPos_;
    const char *stop = findLineBreak(from, end);
    const std::size_t take = static_cast<std::size_t>(stop - from);
    if (stop == end || *stop == '\0') {
      if (!textEnded)
        gathered_.append(from, take);
      textEnded = textEnded || stop != end;
      started = true;
      chunkPos_ += take + (stop != end ? 1 : 0);
      continue;
    }
    // A line feed, or a carriage return with or without a line feed after it.
    std::size_t consumed = take + 1;
    if (*stop == '\r') {
      if (stop + 1 == end)
        feedMayFollowReturn_ = true;
      else if (stop[1] == '\n')
        ++consumed;
    }
    chunkPos_ += consumed;
    if (!started) {
      line = std::string_view(from, take);
      return true;
    }
    if (!textEnded)
      gathered_.append(from, take);
    line = gathered_;
    return true;
  }
  // The file ends without a line end after its last line.
  line = gathered_;
  constexpr std::size_t kEndKept = 80;
  if (started && !textEnded)
    unendedLastLine_.assign(line.substr(line.size() - std::min(line.size(), kEndKept)));
  return started;
}

std::uint64_t TecplotInput::skipLinesUntil(bool (*endsLines)(std::string_view line), bool midLine) {
  // The line start looked at last, in the file; whether its first item is
  // still to be found; the text of a line that does not start with a
  // number, gathered until it is whole.
  Position lineStart = position();
  bool findingItem = !midLine;
  bool gathering = false;
  std::string lineText;
  bool stopped = false;
  while (!stopped && (chunkPos_ < chunkEnd_ || refill())) {
    const char *const bytes = chunk_.get();
    const char *const end = bytes + chunkEnd_;
    const char *at = bytes + chunkPos_;
    while (at < end) {
      if (findingItem) {
        while (at < end && (*at == ' ' || *at == '\t'))
          ++at;
        if (at == end)
          break;
        findingItem = false;
        gathering = !isNumberStart(*at);
        lineText.clear();
      }
      if (gathering) {
        const char *textEnd = findLineBreak(at, end);
        lineText.append(at, textEnd);
        at = textEnd;
        if (at == end)
          break;
        gathering = false;
        if (endsLines(lineText)) {
          stopped = true;
          break;
        }
      }
      const char *lineEnd = findBreak<false>(at, end);
      if (lineEnd == end) {
        at = end;
        break;
      }
      at = lineEnd + 1;
      lineStart = {chunkOffset_ + static_cast<std::uint64_t>(at - bytes), *lineEnd == '\r'};
      findingItem = true;
    }
    chunkPos_ = static_cast<std::size_t>(at - bytes);
  }
  // The file's last line, without a line end.
  if (!stopped && gathering && endsLines(lineText))
    stopped = true;
  if (!stopped) {
    feedMayFollowReturn_ = false;
    return position().offset;
  }
  if (!seek(lineStart))
    throw ConversionFailure("ERROR: CANNOT READ THE TECPLOT FILE AGAIN\n");
  return lineStart.offset;
}

} // namespace zonvert
