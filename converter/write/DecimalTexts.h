// The decimal texts of the node indices a legacy file's cells list by the
// million: made once per zone by counting up in decimal, one digit carried
// at a time (no division), and then copied, a blank and up to six digits in
// one 8-byte store per index.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace zonvert {

class DecimalTexts {
public:
  // Every text the store writes: " " and up to 20 digits, and the store's
  // width past them.
  static constexpr std::size_t kMostBytes = 24;

  // The texts of 0 to count - 1 (at most the first million; larger numbers
  // are put together from these).
  explicit DecimalTexts(std::size_t count);

  // Texts of at least 0 to count - 1, made once per thread for the largest
  // count asked for so far and kept: the zones of a file mostly share their
  // node count.
  static const DecimalTexts &upTo(std::size_t count);

  // Writes " " and the decimal digits of `value` at `at`, which must have
  // room for kMostBytes bytes, and returns where they end.
  char *writeSpaced(char *at, std::uint64_t value) const {
    if (value < slots_.size()) {
      const std::uint64_t slot = slots_[value];
      std::memcpy(at, &slot, sizeof slot);
      return at + (slot >> 56);
    }
    return writeLarge(at, value);
  }

private:
  char *writeLarge(char *at, std::uint64_t value) const;

  // Per number: its text in the low seven bytes, its length in the top byte.
  std::vector<std::uint64_t> slots_;
};

} // namespace zonvert
