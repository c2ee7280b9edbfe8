// The bytes of the Tecplot file a run reads, as its first bytes tell: a
// gzip stream (1f 8b) or a zstd stream (28 b5 2f fd) is decompressed as it
// is read, whatever the file's name; anything else is read as it stands.
// With --follow the file is followed while its writer appends to it,
// compressed or not.
#pragma once

#include "source/ByteSource.h"
#include "source/FollowedFile.h"

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace zonvert {

struct TecplotBytes {
  std::unique_ptr<ByteSource> bytes;
  FollowedFile *followed = nullptr; // the file under `bytes`, when followed
};

// The bytes of the Tecplot file open as `stream`, named `path` (the caller
// keeps it open and closes it). With `idleSecondsWhenFollowed`, the file
// is followed (see FollowedFile.h): it must be a regular file. Reads the
// first bytes (where the file is followed and still empty, waits for them).
TecplotBytes openTecplotBytes(std::FILE *stream, const std::string &path,
                              std::optional<int> idleSecondsWhenFollowed = std::nullopt);

} // namespace zonvert
