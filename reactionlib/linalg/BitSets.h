// Sets of rows or columns of a matrix of at most 64 as the bits of one word.
#pragma once

#include <bit>
#include <cstdint>

namespace vrex::bits {

constexpr std::uint64_t bit(int i) { return std::uint64_t{1} << i; }

// The columns (or rows) after k.
constexpr std::uint64_t after(int k) { return ~((std::uint64_t{2} << k) - 1); }

// The columns (or rows) 0 .. n - 1.
constexpr std::uint64_t firstOf(int n) { return n == 64 ? ~std::uint64_t{0} : bit(n) - 1; }

inline int lowest(std::uint64_t bits) { return std::countr_zero(bits); }
inline int highest(std::uint64_t bits) { return 63 - std::countl_zero(bits); }

} // namespace vrex::bits
