// Tables of facts kept one row per value of an enumeration, in the order of
// the values, so that a value finds its row by index.
#pragma once

#include <cstddef>

namespace zonvert {

// Whether each row of `rows` stands at the index its `key` has.
template <class Row, std::size_t N, class Key> constexpr bool rowsStandAtTheirKeys(const Row (&rows)[N], Key Row::*key) {
  for (std::size_t row = 0; row < N; ++row)
    if (static_cast<std::size_t>(rows[row].*key) != row)
      return false;
  return true;
}

} // namespace zonvert
