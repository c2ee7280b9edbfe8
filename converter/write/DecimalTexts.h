// The decimal texts of the node indices a legacy file's cells list by the
// million: a blank and up to four digits in one 8-byte store per number
// below 10 000, and four more digits, zero-padded, in one 4-byte store per
// further group of four. The tables of those texts are made at compile time
// and shared by every thread (120 KiB, whatever the zones).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zonvert {

class DecimalTexts {
public:
  // Every text writeSpaced writes: " " and up to 20 digits, and the store's
  // width past them.
  static constexpr std::size_t kMostBytes = 24;

  // Writes " " and the decimal digits of `value` at `at`, which must have
  // room for kMostBytes bytes, and returns where they end.
  static char *writeSpaced(char *at, std::uint64_t value) {
    if (value < kGroup)
      return writeSmall(at, value);
    if (value < kGroup * kGroup) {
      const std::uint64_t high = value / kGroup;
      return writeGroup(writeSmall(at, high), value - high * kGroup);
    }
    return writeLarge(at, value);
  }

private:
  static constexpr std::uint64_t kGroup = 10'000;

  struct Tables {
    // Per number below kGroup: " " and its digits in the low bytes, their
    // length in the top byte.
    std::array<std::uint64_t, kGroup> spaced;
    // Per number below kGroup: its four digits, zero-padded.
    std::array<std::uint32_t, kGroup> padded;
  };
  static constexpr Tables makeTables() {
    Tables tables{};
    for (std::uint64_t number = 0; number < kGroup; ++number) {
      const char digits[4] = {static_cast<char>('0' + number / 1000), static_cast<char>('0' + number / 100 % 10),
                              static_cast<char>('0' + number / 10 % 10), static_cast<char>('0' + number % 10)};
      const std::uint64_t length = number >= 1000 ? 4 : number >= 100 ? 3 : number >= 10 ? 2 : 1;
      std::uint64_t spaced = static_cast<unsigned char>(' ');
      for (std::uint64_t k = 0; k < length; ++k)
        spaced |= static_cast<std::uint64_t>(static_cast<unsigned char>(digits[4 - length + k])) << (8 * (k + 1));
      tables.spaced[number] = spaced | (length + 1) << 56;
      std::uint32_t padded = 0;
      for (std::uint32_t k = 0; k < 4; ++k)
        padded |= static_cast<std::uint32_t>(static_cast<unsigned char>(digits[k])) << (8 * k);
      tables.padded[number] = padded;
    }
    return tables;
  }
  static const Tables kTables;

  static char *writeSmall(char *at, std::uint64_t value) {
    const std::uint64_t slot = kTables.spaced[value];
    std::memcpy(at, &slot, sizeof slot);
    return at + (slot >> 56);
  }
  static char *writeGroup(char *at, std::uint64_t group) {
    std::memcpy(at, &kTables.padded[group], 4);
    return at + 4;
  }
  static char *writeLarge(char *at, std::uint64_t value);
};

} // namespace zonvert
