#include "host/FloatingPointEnvironment.h"

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace vrex {

namespace {

#if defined(__SSE__)
// MXCSR of the default environment: every exception masked (bits 7 to 12),
// round to nearest, flush-to-zero (bit 15) and denormals-are-zero (bit 6)
// off, no flag set.
constexpr unsigned defaultMxcsr = 0x1F80;
#endif

} // namespace

DefaultFloatingPointEnvironment::DefaultFloatingPointEnvironment() {
  std::fegetenv(&caller_);
  std::fesetenv(FE_DFL_ENV);
#if defined(__SSE__)
  // glibc's FE_DFL_ENV already stores exactly this MXCSR (checked on glibc
  // 2.36: flush-to-zero and denormals-are-zero cleared); C libraries that
  // leave those two bits alone exist, so the word is set explicitly.
  _mm_setcsr(defaultMxcsr);
#endif
}

DefaultFloatingPointEnvironment::~DefaultFloatingPointEnvironment() { std::fesetenv(&caller_); }

} // namespace vrex
