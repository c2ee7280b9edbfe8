#include "source/FileWriters.h"

#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace zonvert {

namespace {

struct FolderCloser {
  void operator()(DIR *folder) const { closedir(folder); }
};
using Folder = std::unique_ptr<DIR, FolderCloser>;

bool isNumber(const char *name) {
  if (*name == '\0')
    return false;
  for (; *name != '\0'; ++name)
    if (*name < '0' || *name > '9')
      return false;
  return true;
}

// The flags a descriptor was opened with, from its "flags:" line (octal).
bool openedForWriting(const std::string &fdinfoPath) {
  const int descriptor = open(fdinfoPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (descriptor < 0)
    return false;
  char text[512];
  const ssize_t length = ::read(descriptor, text, sizeof text - 1);
  close(descriptor);
  if (length <= 0)
    return false;
  text[length] = '\0';
  const char *flags = std::strstr(text, "flags:");
  if (!flags)
    return false;
  const long value = std::strtol(flags + 6, nullptr, 8);
  return (value & O_ACCMODE) != O_RDONLY;
}

bool processWrites(const std::string &process, dev_t device, ino_t inode) {
  const std::string descriptors = "/proc/" + process + "/fd/";
  const Folder folder(opendir(descriptors.c_str()));
  if (!folder)
    return false; // another user's process, or one that has ended
  while (const dirent *entry = readdir(folder.get())) {
    struct stat info {};
    if (!isNumber(entry->d_name) || stat((descriptors + entry->d_name).c_str(), &info) != 0 ||
        info.st_dev != device || info.st_ino != inode)
      continue;
    if (openedForWriting("/proc/" + process + "/fdinfo/" + entry->d_name))
      return true;
  }
  return false;
}

} // namespace

bool anotherProcessWrites(dev_t device, ino_t inode) {
  const Folder processes(opendir("/proc"));
  if (!processes)
    return true;
  const std::string self = std::to_string(getpid());
  while (const dirent *entry = readdir(processes.get()))
    if (isNumber(entry->d_name) && entry->d_name != self && processWrites(entry->d_name, device, inode))
      return true;
  return false;
}

} // namespace zonvert
