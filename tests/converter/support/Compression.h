// A text compressed as gzip or zstd files are: in two streams, one after the
// other (two gzip members, two zstd frames), split at `splitAt`, as `cat
// a.gz b.gz` or a writer that compresses each part on its own makes them.
#pragma once

#include <string>

namespace zonvert::test {

enum class Encoding { Plain, Gzip, Zstd };

std::string compressed(const std::string &text, Encoding encoding, std::size_t splitAt);

// The text as one stream (one gzip member, one zstd frame).
std::string compressedStream(const std::string &text, Encoding encoding);

// "plain", "gzip" or "zstd".
const char *nameOf(Encoding encoding);

} // namespace zonvert::test
