#include "BadCallCase.h"

#include "NodeStates.h"
#include "network/NetworkSizes.h"
#include "StdoutCapture.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vrex::test {

namespace {
bool insideReturnedBounds(double x) { return std::fabs(x) >= 1e-20 && std::fabs(x) <= 1e30; }
} // namespace

void expectBoundedAnswer(const LoadedVrexDll &library, const BadCall &bad) {
  double conc[ncomp];
  realisticState(conc, 3);
  VrexCall call;
  call.startFrom(conc);
  bad.spoil(call);

  StdoutCapture capture;
  library.invoke(call);
  const std::string printed = capture.finish();

  EXPECT_TRUE(bad.statuses.count(call.status)) << "status " << call.status;
  for (int i = 0; i < ncomp; ++i)
    EXPECT_TRUE(insideReturnedBounds(call.concOut[i])) << "species " << i + 1 << ": " << call.concOut[i];
  EXPECT_EQ(call.carriedValue, 0.7);
  EXPECT_EQ(printed.find("out of bounds...reset to +/-1e30") != std::string::npos, bad.boundsMessage) << printed;
}

} // namespace vrex::test
