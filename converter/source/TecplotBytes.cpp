#include "source/TecplotBytes.h"

#include "source/GzipBytes.h"
#include "source/StreamBytes.h"
#include "source/ZstdBytes.h"

#include <algorithm>
#include <string_view>

namespace zonvert {

namespace {

// The first `count` bytes of the data (fewer where it is shorter).
std::string firstBytes(ByteSource &source, std::size_t count) {
  std::string bytes(count, '\0');
  std::size_t held = 0;
  while (held < count) {
    const std::size_t read = source.read(bytes.data() + held, count - held, Wait::ForMore);
    if (read == 0)
      break;
    held += read;
  }
  bytes.resize(held);
  return bytes;
}

bool startsWith(std::string_view bytes, const unsigned char *magic, std::size_t length) {
  return bytes.size() >= length && std::equal(magic, magic + length, bytes.begin(), [](unsigned char m, char b) {
           return m == static_cast<unsigned char>(b);
         });
}

} // namespace

TecplotBytes openTecplotBytes(std::FILE *stream, const std::string &path, std::optional<int> idleSecondsWhenFollowed) {
  TecplotBytes opened;
  std::unique_ptr<ByteSource> raw;
  std::string start;
  if (idleSecondsWhenFollowed) {
    auto followed = std::make_unique<FollowedFile>(fileno(stream), path, *idleSecondsWhenFollowed);
    opened.followed = followed.get();
    start = firstBytes(*followed, sizeof kZstdMagic);
    followed->seek(0);
    raw = std::move(followed);
  } else {
    auto plain = std::make_unique<StreamBytes>(stream);
    start = firstBytes(*plain, sizeof kZstdMagic);
    if (!plain->seek(0))
      plain->unread(start); // a pipe
    raw = std::move(plain);
  }
  if (startsWith(start, kGzipMagic, sizeof kGzipMagic))
    opened.bytes = std::make_unique<GzipBytes>(std::move(raw));
  else if (startsWith(start, kZstdMagic, sizeof kZstdMagic))
    opened.bytes = std::make_unique<ZstdBytes>(std::move(raw));
  else
    opened.bytes = std::move(raw);
  return opened;
}

} // namespace zonvert
