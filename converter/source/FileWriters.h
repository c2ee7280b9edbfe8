// Whether some other process has a file open for writing, as the system's
// process table (/proc) shows it: a writer that still holds the file may
// append more. Processes whose open files this process may not look at
// (those of other users, unless it runs as root) are not seen.
#pragma once

#include <sys/types.h>

namespace zonvert {

// True when another process holds the file (by device and inode) open for
// writing, or when /proc cannot be read at all, which leaves it open.
bool anotherProcessWrites(dev_t device, ino_t inode);

} // namespace zonvert
