// The floating-point environment of a call into the library.
//
// A host may run with exceptions unmasked (a Fortran host built with
// -ffpe-trap, a C host that called feenableexcept), with flush-to-zero or
// denormals-are-zero set, or with another rounding mode. The chemistry must
// give the same bits whatever the host set, must never trap (its inputs may
// be NaN, zero time steps, values decaying to subnormals), and must leave the
// host's exception flags as they were. So every exported call computes in
// the default environment and hands the host's back on return.
#pragma once

#include <cfenv>

namespace vrex {

class DefaultFloatingPointEnvironment {
public:
  // Saves the caller's environment (x87 and SSE control and status, flags
  // included) and installs the default one: round to nearest, no
  // flush-to-zero, no denormals-are-zero, every exception masked, no flag set.
  DefaultFloatingPointEnvironment();
  // Restores the caller's environment exactly, its flags included; flags the
  // library raised are dropped.
  ~DefaultFloatingPointEnvironment();

  DefaultFloatingPointEnvironment(const DefaultFloatingPointEnvironment &) = delete;
  DefaultFloatingPointEnvironment &operator=(const DefaultFloatingPointEnvironment &) = delete;

private:
  std::fenv_t caller_;
};

} // namespace vrex
