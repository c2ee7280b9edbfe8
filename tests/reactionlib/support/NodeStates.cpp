#include "NodeStates.h"

#include "step/ReactiveStep.h"

#include <cmath>
#include <random>

namespace vrex::test {

const double flushingTargets[20] = {
    9.998887134932133e-12,  1.5833329656059214e-12, 2.4999989058083205e-12, 1.9166660446268136e-12,
    8.333332288112949e-12,  8.333331819491971e-19,  2.7916660106373e-16,    2.499998897337991e-15,
    1.4999999940062958e-12, 1.9999999920083944e-11, 2.7916659259340053e-14, 8.333331819491971e-19,
    8.333331819491971e-19,  8.333331819491971e-19,  8.333331819491971e-19,  1.773333037657671e-15,
    1.6647500707305756e-29, 3.0491659306021923e-32, 1.108666011153181e-29,  1.5547220527090042e-32};

namespace {

constexpr double solidFactor = 2650.0; // netpar(58)

} // namespace

void plausibleState(double *conc, std::uint64_t seed, double spread) {
  for (int i = 0; i < 20; ++i) {
    conc[i] = flushingTargets[i] / flushingCoefficient;
  }
  conc[20] = 1e-4; // minerals 21 to 23
  conc[21] = 1e-4;
  conc[22] = 1e-6;
  conc[23] = conc[0];                // 24: exchange partner of species 1
  conc[24] = conc[16];               // 25: of species 17
  conc[25] = conc[1];                // 26: of species 2
  conc[26] = conc[2];                // 27: of species 3
  conc[27] = conc[3];                // 28: of species 4
  conc[36] = 1e-8;                   // 37: sorbed
  conc[28] = solidFactor * conc[36]; // 29: exchange partner of species 37
  conc[29] = solidFactor * conc[22]; // 30: of species 23
  for (int i = 30; i < 36; ++i) {
    conc[i] = 1e-6; // biomass 31 to 36
  }
  conc[37] = 1e-6; // 38
  conc[38] = 1.0;  // 39: the species whose inflow value is b / b

  if (seed == 0) {
    return;
  }
  std::mt19937_64 engine(seed);
  std::uniform_real_distribution<double> exponent(-1.0, 1.0);
  for (int i = 0; i < ncomp; ++i) {
    conc[i] *= std::pow(spread, exponent(engine));
  }
}

void prepareReactiveStep(ReactionState &s, const double *start, double dt) {
  const int noneHeld[ncomp] = {};
  const double reactiveSwitch = 1.0;
  prepareNodeStep(s, start, start, noneHeld, dt, reactiveSwitch);
}

void stallLastSpecies(ReactionState &s) {
  s.step.conc[38] = std::nextafter(0.0, 1.0);
  s.step.concOld[38] = -1.0;
}

void realisticState(double *conc, std::uint64_t seed) {
  plausibleState(conc, seed);
  ReactionState s;
  for (int step = 0; step < 3; ++step) {
    prepareReactiveStep(s, conc, plausibleTimeStep);
    newtonSolve(s.step, s.held, s.work);
    for (int i = 0; i < ncomp; ++i) {
      conc[i] = s.step.conc[i];
    }
  }
  double inflow[ncomp];
  plausibleState(inflow);
  std::mt19937_64 engine(seed);
  std::uniform_real_distribution<double> fraction(0.0, 1.0);
  for (int i = 0; i < 20; ++i) {
    const double w = fraction(engine);
    conc[i] = (1.0 - w) * conc[i] + w * inflow[i];
  }
}

} // namespace vrex::test
