// Calls from several threads at once, as a simulator's parallel node loop
// makes them: every result bit for bit that of the same call made alone,
// every rates record whole and with its own call's tags and rates, a new
// file's first record the one of the call that started it, and console lines
// whole. CI runs this program under ThreadSanitizer too.
#include "LoadedVrexDll.h"

#include "NodeStates.h"
#include "network/NetworkSizes.h"
#include "StdoutCapture.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace vrex {
namespace {

using test::LoadedVrexDll;
using test::ScratchDirectory;
using test::VrexCall;

constexpr int threadCount = 4;
constexpr int callCount = 48;
constexpr int newFileCall = 29; // the one call with mode -1

// Realistic hourly steps; every fourth a flushing step, every seventh one
// whose NaN start value prints the bounds line. Each call writes a record
// tagged with its number.
std::vector<VrexCall> makeCalls() {
  std::vector<VrexCall> calls(callCount);
  for (int k = 0; k < callCount; ++k) {
    double conc[ncomp];
    test::realisticState(conc, static_cast<std::uint64_t>(k % 12 + 1));
    VrexCall &call = calls[static_cast<std::size_t>(k)];
    call.startFrom(conc);
    call.status = k == newFileCall ? -1 : -2;
    call.recordTag1 = k;
    call.recordTag2 = -k;
    if (k % 4 == 3) {
      call.switchValue = 0.001;
      call.timeStep = 60.0;
    }
    if (k % 7 == 5) {
      call.concIn[22] = std::numeric_limits<double>::quiet_NaN();
      call.switchValue = 0.001;
    }
  }
  return calls;
}

std::vector<std::string> linesOf(const std::string &text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    lines.push_back(line);
  }
  return lines;
}

struct Expected {
  std::vector<VrexCall> results;
  std::vector<std::string> records; // each call's record line
  std::multiset<std::string> consoleLines;
};

// The calls one after another, each in a fresh rates file.
Expected runSerially(const LoadedVrexDll &library, std::vector<VrexCall> calls) {
  Expected expected;
  test::StdoutCapture capture;
  for (VrexCall &call : calls) {
    std::remove("ratesAtFinish.dat");
    library.invoke(call);
    expected.records.push_back(test::fileContent("ratesAtFinish.dat"));
  }
  for (const std::string &line : linesOf(capture.finish())) {
    expected.consoleLines.insert(line);
  }
  expected.results = calls;
  return expected;
}

TEST(ConcurrentCalls, GiveTheResultsAndRecordsOfSerialCalls) {
  ScratchDirectory scratch;
  LoadedVrexDll library;
  const std::vector<VrexCall> calls = makeCalls();
  const Expected expected = runSerially(library, calls);

  std::remove("ratesAtFinish.dat");
  std::vector<VrexCall> results = calls;
  test::StdoutCapture capture;
  std::vector<std::thread> threads;
  for (int t = 0; t < threadCount; ++t) {
    threads.emplace_back([&library, &results, t] {
      for (int k = t; k < callCount; k += threadCount) {
        library.invoke(results[static_cast<std::size_t>(k)]);
      }
    });
  }
  for (std::thread &thread : threads) {
    thread.join();
  }
  const std::vector<std::string> console = linesOf(capture.finish());

  for (int k = 0; k < callCount; ++k) {
    const VrexCall &got = results[static_cast<std::size_t>(k)];
    const VrexCall &want = expected.results[static_cast<std::size_t>(k)];
    EXPECT_EQ(got.status, want.status) << "call " << k;
    EXPECT_EQ(0, std::memcmp(got.concOut, want.concOut, sizeof(got.concOut))) << "call " << k;
    EXPECT_EQ(0, std::memcmp(&got.carriedValue, &want.carriedValue, sizeof(double))) << "call " << k;
  }

  // Each record is whole and is the serial record of the call its first tag
  // names; the file starts with the record of the call that started it anew.
  std::map<std::string, int> callOfRecord;
  for (int k = 0; k < callCount; ++k) {
    callOfRecord[expected.records[static_cast<std::size_t>(k)]] = k;
  }
  std::istringstream file(test::fileContent("ratesAtFinish.dat"));
  std::vector<int> recorded;
  for (std::string line; std::getline(file, line);) {
    const auto found = callOfRecord.find(line + '\n');
    ASSERT_NE(found, callOfRecord.end()) << "not a record of any call: " << line;
    recorded.push_back(found->second);
  }
  ASSERT_FALSE(recorded.empty());
  EXPECT_EQ(recorded.front(), newFileCall);
  EXPECT_EQ(std::set<int>(recorded.begin(), recorded.end()).size(), recorded.size())
      << "a record written twice";

  // The same console lines, each whole, in whatever order.
  EXPECT_EQ(std::multiset<std::string>(console.begin(), console.end()), expected.consoleLines);
  EXPECT_FALSE(expected.consoleLines.empty());
}

} // namespace
} // namespace vrex
