// invokevrex allocates no memory: every array lives in the call's state
// record and the rates record goes out through a plain file descriptor. The test
// replaces the C allocator of the whole process (the loaded library
// included) with counting wrappers around glibc's own.
#include "LoadedVrexDll.h"

#include "NodeStates.h"
#include "network/NetworkSizes.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {
long allocations = 0;
bool counting = false;
} // namespace

// AddressSanitizer brings its own allocator; the counting wrappers would
// fight it, so that build runs without them and skips the test.
#ifndef __SANITIZE_ADDRESS__
extern "C" {
void *__libc_malloc(std::size_t size);
void *__libc_calloc(std::size_t count, std::size_t size);
void *__libc_realloc(void *block, std::size_t size);
void *__libc_memalign(std::size_t alignment, std::size_t size);

void *malloc(std::size_t size) {
  allocations += counting;
  return __libc_malloc(size);
}
void *calloc(std::size_t count, std::size_t size) {
  allocations += counting;
  return __libc_calloc(count, size);
}
void *realloc(void *block, std::size_t size) {
  allocations += counting;
  return __libc_realloc(block, size);
}
void *aligned_alloc(std::size_t alignment, std::size_t size) {
  allocations += counting;
  return __libc_memalign(alignment, size);
}
}
#endif

namespace vrex {
namespace {

TEST(NoAllocation, InvokevrexAllocatesNothing) {
#ifdef __SANITIZE_ADDRESS__
  GTEST_SKIP() << "the sanitizer's allocator cannot be counted";
#endif
  // The wrappers must see allocations made inside shared libraries too.
  counting = true;
  char *copy = strdup("made by the C library");
  counting = false;
  std::free(copy);
  ASSERT_EQ(allocations, 1);
  allocations = 0;

  test::ScratchDirectory scratch;
  test::LoadedVrexDll library;
  double conc[ncomp];
  test::realisticState(conc, 1);

  test::VrexCall reactive;
  reactive.startFrom(conc);
  test::VrexCall flushing = reactive;
  flushing.switchValue = 0.001;
  test::VrexCall newFile = reactive;
  newFile.status = -1;
  test::VrexCall append = reactive;
  append.status = -2;
  test::VrexCall calls[] = {reactive, flushing, newFile, append};

  // One round first, so that lazily created buffers of the C library exist.
  for (test::VrexCall call : calls) {
    library.invoke(call);
  }
  counting = true;
  for (test::VrexCall &call : calls) {
    library.invoke(call);
  }
  counting = false;
  EXPECT_EQ(allocations, 0);
  EXPECT_EQ(calls[0].status, 0);
  EXPECT_EQ(calls[1].status, -1);

  // Nor does the first call on a thread that never called the library (a
  // per-thread record in thread-local storage of a loaded library would be
  // allocated there).
  std::thread newThread([&library, &calls] {
    counting = true;
    library.invoke(calls[0]);
    counting = false;
  });
  newThread.join();
  EXPECT_EQ(allocations, 0);
}

} // namespace
} // namespace vrex
