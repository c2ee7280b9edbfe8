#include "host/ProcessLocks.h"

#include <pthread.h>

namespace vrex {

namespace {

std::mutex console;
std::mutex ratesFile;

// In the order of the header: the rates-file lock first.
void takeBoth() {
  ratesFile.lock();
  console.lock();
}

// In the child the forking thread, which took them, is the only thread: the
// locks are released as in the parent.
void releaseBoth() {
  console.unlock();
  ratesFile.unlock();
}

// Registered once, when the library is loaded; the C library removes the
// handlers again when the library is unloaded.
[[maybe_unused]] const int forkHandlers = pthread_atfork(takeBoth, releaseBoth, releaseBoth);

} // namespace

std::mutex &consoleLock() { return console; }
std::mutex &ratesFileLock() { return ratesFile; }

} // namespace vrex
