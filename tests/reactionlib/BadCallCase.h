// One bad call a host can make, and the check every such call must pass
// through the loaded library: it comes back with one of its statuses, every
// concentration inside the returned bounds, the carried value handed back,
// and the bounds line printed exactly when a result had to be bounded.
#pragma once

#include "LoadedVrexDll.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <set>
#include <string>

namespace vrex::test {

struct BadCall {
  std::string name;
  std::function<void(VrexCall &)> spoil;
  std::set<int> statuses; // the status codes the call may end with
  bool boundsMessage;     // whether the bounds line must appear
};

inline void PrintTo(const BadCall &bad, std::ostream *out) { *out << bad.name; }

// Makes the call on a realistic node spoiled as `bad` says and checks it
// with GoogleTest expectations.
void expectBoundedAnswer(const LoadedVrexDll &library, const BadCall &bad);

// Fixture of a table of bad calls: the loaded library, working in a scratch
// folder of its own.
class BadCallTest : public testing::TestWithParam<BadCall> {
protected:
  void check() { expectBoundedAnswer(library, GetParam()); }

  ScratchDirectory scratch;
  LoadedVrexDll library;
};

} // namespace vrex::test
