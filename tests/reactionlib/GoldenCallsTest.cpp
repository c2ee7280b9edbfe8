// Fifty calls through the loaded library whose every output is pinned bit
// for bit: concOut and the carried value as the hex of their doubles, the
// status, the console text and the rates record. Realistic reactive steps
// (hourly and daily), flushing steps, held species, results that need
// bounding and bad calls. Any change of a result shows up here, so the
// library's inner structure can be reshaped without changing what a host
// gets.
//
// The expected outputs are in golden_calls.txt beside this file. After a
// change that is meant to alter an output, rewrite the file with
//   VREX_GOLDEN_RECORD=1 ./vrexdll_test --gtest_filter='GoldenCalls.*'
// and review the difference.
#include "LoadedVrexDll.h"

#include "NodeStates.h"
#include "network/NetworkSizes.h"
#include "StdoutCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

namespace vrex {
namespace {

using test::LoadedVrexDll;
using test::ScratchDirectory;
using test::VrexCall;

constexpr double nan = std::numeric_limits<double>::quiet_NaN();
constexpr double inf = std::numeric_limits<double>::infinity();
constexpr double day = 86400.0;

struct GoldenCall {
  const char *name;
  // Start state: a realistic state of this seed, or the plausible unvaried
  // state (the inflow composition) for seed 0.
  std::uint64_t seed;
  std::function<void(VrexCall &)> setup;
};

void holdSpecies(VrexCall &c, int species, double value) {
  c.concIn[species - 1] = value;
  c.fixFlags[species - 1] = 1;
}

void flushing(VrexCall &c) {
  c.switchValue = 0.001;
  c.timeStep = 60.0;
}

const GoldenCall goldenCalls[] = {
    // Reactive hourly steps from realistic states, some writing a record.
    {"hourly1", 1, [](VrexCall &c) { c.status = -1; }},
    {"hourly2", 2, [](VrexCall &) {}},
    {"hourly3", 3, [](VrexCall &c) { c.status = -2; c.recordTag1 = 3.0; c.recordTag2 = 0.5; }},
    {"hourly4", 4, [](VrexCall &) {}},
    {"hourly5", 5, [](VrexCall &c) { c.status = -1; c.recordTag1 = -1234.56785; c.recordTag2 = 1e8; }},
    {"hourly6", 6, [](VrexCall &) {}},
    {"hourly7", 7, [](VrexCall &) {}},
    {"hourly8", 8, [](VrexCall &c) { c.carriedValue = -3.25e-7; }},
    {"hourly9", 9, [](VrexCall &) {}},
    {"hourly10", 10, [](VrexCall &) {}},
    {"hourly11", 11, [](VrexCall &c) { c.status = -2; c.recordTag1 = nan; c.recordTag2 = -inf; }},
    {"hourly12", 12, [](VrexCall &) {}},
    {"inflowHourly", 0, [](VrexCall &c) { c.status = -1; }},
    {"inflowMinute", 0, [](VrexCall &c) { c.timeStep = 60.0; }},
    {"switchAtThreshold", 13, [](VrexCall &c) { c.switchValue = 0.002; c.status = -1; }},
    // Daily steps: decaying species shrink towards subnormal values.
    {"daily1", 1, [](VrexCall &c) { c.timeStep = day; c.status = -1; }},
    {"daily2", 2, [](VrexCall &c) { c.timeStep = day; }},
    {"daily3", 3, [](VrexCall &c) { c.timeStep = day; }},
    {"daily4", 4, [](VrexCall &c) { c.timeStep = day; }},
    {"daily5", 5, [](VrexCall &c) { c.timeStep = day; }},
    {"daily6", 6, [](VrexCall &c) { c.timeStep = day; }},
    {"inflowDaily", 0, [](VrexCall &c) { c.timeStep = day; c.status = -1; }},
    // Flushing steps.
    {"flushing20", 20, [](VrexCall &c) { flushing(c); c.status = -1; }},
    {"flushing21", 21, [](VrexCall &c) { flushing(c); }},
    {"flushingHour", 22, [](VrexCall &c) { flushing(c); c.timeStep = 3600.0; c.status = -2; }},
    {"flushingInflow", 0, [](VrexCall &c) { flushing(c); c.status = -1; }},
    {"flushingNegativeSwitch", 23, [](VrexCall &c) { flushing(c); c.switchValue = -5.0; }},
    {"flushingHeld", 24, [](VrexCall &c) { flushing(c); holdSpecies(c, 1, 2e-9); }},
    // Held species.
    {"heldTinyNegative", 6, [](VrexCall &c) { holdSpecies(c, 12, -1e-25); }},
    {"heldTinyPositive", 6, [](VrexCall &c) { holdSpecies(c, 12, 1e-25); }},
    {"heldZero", 6, [](VrexCall &c) { holdSpecies(c, 12, 0.0); c.status = -1; }},
    {"heldPair", 14, [](VrexCall &c) { holdSpecies(c, 7, 2e-8); holdSpecies(c, 31, c.concIn[30]); }},
    {"heldNegative", 5, [](VrexCall &c) { holdSpecies(c, 12, -1e-12); }},
    {"heldLast", 15, [](VrexCall &c) { holdSpecies(c, 39, 0.25); c.status = -1; }},
    {"heldSevenAndEightAtZero", 16, [](VrexCall &c) { holdSpecies(c, 7, 0.0); holdSpecies(c, 8, 0.0); }},
    // Results that need bounding.
    {"boundsInFlushing", 5,
     [](VrexCall &c) {
       flushing(c);
       c.concIn[21] = 1e30;
       c.concIn[22] = inf;
       c.concIn[23] = nan;
       c.concIn[24] = 1e-25;
       c.concIn[25] = -2e30;
     }},
    {"hugeValuesInFlushing", 3, [](VrexCall &c) { flushing(c); c.concIn[0] = 1e308; c.timeStep = 1e300; }},
    {"estimatesBelowFloor", 13,
     [](VrexCall &c) { c.concGuess[30] = 0.0; c.concGuess[31] = -5.0; c.concGuess[32] = 1e-30; }},
    // Bad calls.
    {"speciesCount38", 1, [](VrexCall &c) { c.nSpecies = 38; c.status = -1; }},
    {"speciesCountZero", 1, [](VrexCall &c) { c.nSpecies = 0; }},
    {"nanStart", 3, [](VrexCall &c) { c.concIn[4] = c.concGuess[4] = nan; }},
    {"nanEstimate", 3, [](VrexCall &c) { c.concGuess[30] = nan; }},
    {"infiniteEstimate", 3, [](VrexCall &c) { c.concGuess[0] = inf; }},
    {"nanTimeStep", 3, [](VrexCall &c) { c.timeStep = nan; }},
    {"zeroTimeStep", 3, [](VrexCall &c) { c.timeStep = 0.0; c.status = -1; }},
    {"negativeTimeStep", 3, [](VrexCall &c) { c.timeStep = -3600.0; }},
    {"hugeTimeStep", 3, [](VrexCall &c) { c.timeStep = 1e300; }},
    {"nanSwitch", 3, [](VrexCall &c) { c.switchValue = nan; }},
    {"nanTimeStepInFlushing", 3, [](VrexCall &c) { flushing(c); c.timeStep = nan; c.status = -1; }},
    {"zeroTimeStepInFlushing", 3, [](VrexCall &c) { flushing(c); c.timeStep = 0.0; }},
};

std::string hexOf(double value) {
  std::uint64_t bits = 0;
  std::memcpy(&bits, &value, sizeof(bits));
  char text[20];
  std::snprintf(text, sizeof(text), "%016llx", static_cast<unsigned long long>(bits));
  return text;
}

// FNV-1a of the start concentrations: tells a changed input from a changed
// output when a call no longer matches.
std::string fingerprint(const double *values, int count) {
  std::uint64_t hash = 1469598103934665603ull;
  const auto *bytes = reinterpret_cast<const unsigned char *>(values);
  for (std::size_t k = 0; k < sizeof(double) * static_cast<std::size_t>(count); ++k) {
    hash = (hash ^ bytes[k]) * 1099511628211ull;
  }
  char text[20];
  std::snprintf(text, sizeof(text), "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

// Console lines. A run of lines that repeats a group of one or two lines
// is written once as "repeat N", the group, "end".
void describeConsole(const std::string &printed, std::ostream &out) {
  std::vector<std::string> lines;
  std::istringstream text(printed);
  for (std::string line; std::getline(text, line);) {
    lines.push_back(line);
  }
  auto repeats = [&lines](std::size_t at, std::size_t unit) {
    std::size_t count = 1;
    while (at + (count + 1) * unit <= lines.size() &&
           std::equal(lines.begin() + static_cast<long>(at), lines.begin() + static_cast<long>(at + unit),
                      lines.begin() + static_cast<long>(at + count * unit))) {
      ++count;
    }
    return count;
  };
  for (std::size_t at = 0; at < lines.size();) {
    std::size_t unit = 1;
    std::size_t count = repeats(at, 1);
    if (count == 1 && at + 2 <= lines.size()) {
      unit = 2;
      count = repeats(at, 2);
    }
    if (count == 1) {
      out << "say " << lines[at++] << '\n';
      continue;
    }
    out << "repeat " << count << '\n';
    for (std::size_t k = 0; k < unit; ++k) {
      out << "say " << lines[at + k] << '\n';
    }
    out << "end\n";
    at += count * unit;
  }
}

// Everything a host gets from one call, as the lines of the golden file.
std::string describeCall(const LoadedVrexDll &library, const GoldenCall &golden) {
  VrexCall call;
  double start[ncomp];
  if (golden.seed == 0) {
    test::plausibleState(start);
  } else {
    test::realisticState(start, golden.seed);
  }
  call.startFrom(start);
  golden.setup(call);
  for (double &out : call.concOut) {
    out = -7.0;
  }

  std::remove("ratesAtFinish.dat");
  test::feedStdin(""); // a console pause ends at once
  test::StdoutCapture capture;
  library.invoke(call);
  const std::string printed = capture.finish();

  std::ostringstream out;
  out << "call " << golden.name << " in " << fingerprint(call.concIn, ncomp) << '\n';
  out << "status " << call.status << " carried " << hexOf(call.carriedValue) << '\n';
  out << "out";
  for (double value : call.concOut) {
    out << ' ' << hexOf(value);
  }
  out << '\n';
  describeConsole(printed, out);
  std::ifstream record("ratesAtFinish.dat");
  for (std::string line; std::getline(record, line);) {
    out << "record " << line << '\n';
  }
  return out.str();
}

// The golden file, split into the blocks of its calls.
std::vector<std::string> readGoldenBlocks() {
  std::ifstream in(GOLDEN_CALLS_FILE);
  std::vector<std::string> blocks;
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("call ", 0) == 0) {
      blocks.emplace_back();
    }
    if (!blocks.empty()) {
      blocks.back() += line + '\n';
    }
  }
  return blocks;
}

TEST(GoldenCalls, EveryOutputMatchesBitForBit) {
  ScratchDirectory scratch;
  LoadedVrexDll library;
  std::vector<std::string> actual;
  for (const GoldenCall &golden : goldenCalls) {
    actual.push_back(describeCall(library, golden));
  }

  if (std::getenv("VREX_GOLDEN_RECORD") != nullptr) {
    std::ofstream out(GOLDEN_CALLS_FILE);
    out << "# Outputs of invokevrex for the calls of GoldenCallsTest.cpp: doubles as the hex\n"
           "# of their bits, console lines after \"say\" (a group of lines repeated N times in a\n"
           "# row between \"repeat N\" and \"end\"),\n"
           "# the rates file's lines after \"record\".\n";
    for (const std::string &block : actual) {
      out << block;
    }
    GTEST_SKIP() << "recorded " << actual.size() << " calls in " << GOLDEN_CALLS_FILE;
  }

  const std::vector<std::string> expected = readGoldenBlocks();
  ASSERT_EQ(expected.size(), actual.size()) << "calls in " << GOLDEN_CALLS_FILE;
  for (std::size_t k = 0; k < actual.size(); ++k) {
    EXPECT_EQ(actual[k], expected[k]) << "call " << goldenCalls[k].name;
  }
}

} // namespace
} // namespace vrex
