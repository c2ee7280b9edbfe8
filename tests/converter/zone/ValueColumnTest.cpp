// A column filled with values and runs at random serves exactly the values
// a plain list of them holds: in order, by index, and in runs taken in parts.
#include "zone/ValueColumn.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zonvert::test {
namespace {

TEST(ValueColumn, ServesTheValuesOfItsRunsAndPlainValues) {
  std::uint64_t state = 19;
  auto below = [&state](std::uint64_t bound) {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::size_t>((state >> 33) % bound);
  };
  ValueColumn column;
  // Filled again and again: cleared, a column keeps its blocks, not its runs.
  for (std::size_t entries : {20000, 3000, 30, 0, 1}) {
    column.clear();
    std::vector<std::string> expected; // a run's value as often as it counts
    for (std::size_t entry = 0; entry < entries; ++entry) {
      std::string text(1 + below(40), '0');
      for (char &c : text)
        c = static_cast<char>('0' + below(10));
      // Runs of 1 to 3 values, some of up to 2000, some twice (one run).
      for (int again = below(5) == 0 ? 1 + (below(3) == 0) : 0; again > 0; --again) {
        const std::size_t count = 1 + below(below(10) == 0 ? 2000 : 3);
        column.addRun(text, count);
        expected.insert(expected.end(), count, text);
      }
      if (expected.empty() || expected.back() != text || below(2) == 0) {
        text.copy(column.room(text.size()), text.size());
        column.added(text.size());
        expected.push_back(text);
      }
    }
    ASSERT_EQ(column.size(), expected.size());
    ValueColumn::Cursor cursor(column);
    for (std::size_t k = 0; k < expected.size(); ++k)
      ASSERT_EQ(cursor.next(), expected[k]) << "value " << k << " of " << entries << " entries";
    for (std::size_t k = expected.size(); k-- > 0; k -= std::min(k, below(300)))
      ASSERT_EQ(column.at(k), expected[k]) << "value " << k;
    // In parts of up to `most` values: one value, as many as asked and held.
    ValueColumn::Cursor parts(column);
    for (std::size_t k = 0; k < expected.size();) {
      const std::size_t most = 1 + below(3000);
      const ValueColumn::Cursor::Taken taken = parts.take(most);
      ASSERT_GE(taken.count, 1u);
      ASSERT_LE(taken.count, std::min(most, expected.size() - k));
      for (std::size_t part = 0; part < taken.count; ++part)
        ASSERT_EQ(taken.text, expected[k + part]) << "value " << k + part;
      k += taken.count;
    }
  }
}

} // namespace
} // namespace zonvert::test
