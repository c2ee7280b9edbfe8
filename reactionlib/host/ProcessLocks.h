// The library's two locks on what calls on different threads share with
// each other and with the host process: standard output and the rates file.
//
// - The console lock is held while a line goes to standard output, and
//   while the rates file is opened and moved to a descriptor above the
//   standard streams: a host that runs with standard output closed gets
//   descriptor 1 for the rates file for that moment, and no line of the
//   library may go out then.
// - The rates-file lock is held for the whole file work of a call: its
//   delete, open, write and close, so that records go out whole and a new
//   file starts with the record of the call that asked for it.
//
// Whoever needs both takes the rates-file lock first. Handlers registered
// with pthread_atfork when the library is loaded take both before the host
// forks and release them afterwards in the parent and in the child, so a
// child never starts with a lock that a thread it does not have was
// holding: it can call at once.
#pragma once

#include <mutex>

namespace vrex {

std::mutex &consoleLock();
std::mutex &ratesFileLock();

} // namespace vrex
