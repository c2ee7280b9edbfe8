// A column filled with values and runs at random serves exactly the values
// a plain list of them holds: in order through a cursor, by index, and in
// runs taken whole or in parts. (How the legacy writer writes runs is
// checked end to end against the same file with its repeat counts written
// out.)
#include "zone/ValueColumn.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zonvert::test {
namespace {

// A fixed pseudo-random sequence, the same on every machine.
class Numbers {
public:
  std::uint32_t below(std::uint32_t bound) {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(state_ >> 33) % bound;
  }

private:
  std::uint64_t state_ = 19;
};

struct Filled {
  std::vector<std::string> expected; // every value, a run's as often as it counts
  std::size_t runsAdded = 0;
};

// Adds values of 1 to 40 bytes and runs of 1 to 2000 values (now and then
// two runs of one value in a row, which make one) until `entries` are added.
Filled fill(ValueColumn &column, std::size_t entries, Numbers &numbers) {
  Filled filled;
  for (std::size_t entry = 0; entry < entries; ++entry) {
    std::string text(1 + numbers.below(40), 'a');
    for (char &c : text)
      c = static_cast<char>('0' + numbers.below(10));
    if (numbers.below(5) == 0) {
      const std::size_t count = 1 + numbers.below(numbers.below(10) == 0 ? 2000 : 3);
      column.addRun(text, count);
      filled.expected.insert(filled.expected.end(), count, text);
      if (numbers.below(3) == 0) {
        column.addRun(text, 7);
        filled.expected.insert(filled.expected.end(), 7, text);
      }
      ++filled.runsAdded;
    } else {
      char *to = column.room(text.size());
      text.copy(to, text.size());
      column.added(text.size());
      filled.expected.push_back(text);
    }
  }
  return filled;
}

TEST(ValueColumn, ServesTheValuesOfItsRunsAndPlainValues) {
  Numbers numbers;
  ValueColumn column;
  // Filled again and again: cleared, a column keeps its blocks and drops its
  // runs.
  for (std::size_t entries : {20000, 3000, 30, 0, 1}) {
    column.clear();
    const Filled filled = fill(column, entries, numbers);
    const std::vector<std::string> &expected = filled.expected;
    ASSERT_EQ(column.size(), expected.size());
    EXPECT_LE(column.runs().size(), filled.runsAdded);

    ValueColumn::Cursor cursor(column);
    for (std::size_t k = 0; k < expected.size(); ++k)
      ASSERT_EQ(cursor.next(), expected[k]) << "value " << k << " of " << entries << " entries";

    for (std::size_t k = 0; k < expected.size(); k += 1 + numbers.below(300))
      ASSERT_EQ(column.at(k), expected[k]) << "value " << k;
    if (!expected.empty()) {
      EXPECT_EQ(column.at(expected.size() - 1), expected.back());
    }

    // Taken in parts of up to `most` values: each part one value, its
    // count within what was asked and the run still left.
    ValueColumn::Cursor parts(column);
    for (std::size_t k = 0; k < expected.size();) {
      const std::size_t most = 1 + numbers.below(3000);
      const ValueColumn::Cursor::Taken taken = parts.take(most);
      ASSERT_GE(taken.count, 1u);
      ASSERT_LE(taken.count, std::min(most, expected.size() - k));
      for (std::size_t part = 0; part < taken.count; ++part)
        ASSERT_EQ(taken.text, expected[k + part]) << "value " << k + part;
      EXPECT_TRUE(taken.ofRun || taken.count == 1);
      k += taken.count;
    }
  }
}

} // namespace
} // namespace zonvert::test
