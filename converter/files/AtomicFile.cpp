#include "files/AtomicFile.h"

#include "files/ProcessSignals.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <cstdint>
#include <ctime>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>
#include <string_view>
#include <utility>
#include <vector>

namespace zonvert {

namespace {

// Linux's limit on symbolic links followed while resolving one name.
constexpr int kMaxLinkHops = 40;
// Bytes of one folder entry's name (NAME_MAX on Linux file systems).
constexpr std::size_t kMaxEntryBytes = 255;
constexpr std::string_view kTemporaryMark = ".zonvert-";
constexpr std::string_view kTemporaryEnd = ".tmp";
constexpr std::size_t kTagLength = 8;
constexpr int kCreateAttempts = 64;

std::string reasonOf(int error) { return std::strerror(error); }

// The folder part of a path, with its trailing slash; empty for a bare name.
std::string folderOf(const std::string &path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// A random tag of letters and digits, so that runs writing the same name at
// the same time pick different temporaries.
std::string randomTag() {
  constexpr std::string_view kAlphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
  unsigned char bytes[kTagLength] = {};
  if (getrandom(bytes, sizeof bytes, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof bytes)) {
    // No entropy yet (early boot): the clock and the process number still
    // differ between runs, and creation is exclusive anyway.
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::uint64_t mix = static_cast<std::uint64_t>(now.tv_nsec) ^ (static_cast<std::uint64_t>(getpid()) << 32);
    for (unsigned char &byte : bytes) {
      mix = mix * 6364136223846793005ULL + 1442695040888963407ULL;
      byte = static_cast<unsigned char>(mix >> 56);
    }
  }
  std::string tag;
  for (unsigned char byte : bytes)
    tag.push_back(kAlphabet[byte % kAlphabet.size()]);
  return tag;
}

// Follows symbolic links from `path` to the name the file is to be written
// under, which may not exist yet. `exists` and `info` tell about that name.
bool resolveLinks(std::string &path, bool &exists, struct stat &info, std::string &reason) {
  std::vector<char> target(PATH_MAX + 1);
  for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
    if (lstat(path.c_str(), &info) != 0) {
      exists = false;
      if (errno == ENOENT)
        return true;
      reason = reasonOf(errno);
      return false;
    }
    exists = true;
    if (!S_ISLNK(info.st_mode))
      return true;
    const ssize_t length = readlink(path.c_str(), target.data(), target.size() - 1);
    if (length < 0) {
      reason = reasonOf(errno);
      return false;
    }
    const std::string link(target.data(), static_cast<std::size_t>(length));
    path = link.starts_with('/') ? link : folderOf(path) + link;
  }
  reason = reasonOf(ELOOP);
  return false;
}

} // namespace

std::string AtomicFile::temporaryName(const std::string &finalPath, const std::string &tag) {
  const std::string folder = folderOf(finalPath);
  std::string name = finalPath.substr(folder.size());
  const std::size_t room = kMaxEntryBytes - kTemporaryMark.size() - tag.size() - kTemporaryEnd.size();
  if (name.size() > room)
    name.resize(room);
  return folder + name + std::string(kTemporaryMark) + tag + std::string(kTemporaryEnd);
}

AtomicFile::~AtomicFile() { discard(); }

bool AtomicFile::create(const std::string &path, std::string &reason) {
  finalPath_ = path;
  bool exists = false;
  struct stat info {};
  if (!resolveLinks(finalPath_, exists, info, reason))
    return false;
  if (exists && S_ISDIR(info.st_mode)) {
    reason = reasonOf(EISDIR);
    return false;
  }
  if (exists && !S_ISREG(info.st_mode)) {
    reason = "Not a regular file";
    return false;
  }
  // Renaming over a file needs only the folder's permission; a file its
  // owner has made read-only is still refused, as opening it would be.
  if (exists && access(finalPath_.c_str(), W_OK) != 0) {
    reason = reasonOf(errno);
    return false;
  }

  // Opening with 0666 lets the system apply the umask (and any default ACL)
  // exactly as for a file created under its final name. The signal handler
  // knows the name before the file exists.
  TemporaryFileStep step;
  for (int attempt = 0; attempt < kCreateAttempts && descriptor_ < 0; ++attempt) {
    temporaryPath_ = temporaryName(finalPath_, randomTag());
    entry_ = registerTemporaryFile(temporaryPath_.c_str());
    if (entry_ == nullptr) {
      temporaryPath_.clear();
      reason = reasonOf(ENOMEM);
      return false;
    }
    descriptor_ = open(temporaryPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor_ >= 0)
      continue;
    const int error = errno;
    unregisterTemporaryFile(std::exchange(entry_, nullptr));
    temporaryPath_.clear();
    if (error != EEXIST) {
      reason = reasonOf(error);
      return false;
    }
  }
  if (descriptor_ < 0) {
    reason = reasonOf(EEXIST);
    return false;
  }
  // The replacement keeps the permissions of the file it replaces. A file
  // system without permissions refuses this; the file is written anyway.
  if (exists)
    (void)fchmod(descriptor_, info.st_mode & 0777);
  replaces_ = exists;
  return true;
}

bool AtomicFile::close(std::string &reason) {
  const int descriptor = std::exchange(descriptor_, -1);
  if (descriptor < 0 || ::close(descriptor) == 0)
    return true;
  reason = reasonOf(errno);
  discard();
  return false;
}

bool AtomicFile::commit(std::string &reason, int *replaced) {
  if (replaced)
    *replaced = -1;
  if (!close(reason))
    return false;
  TemporaryFileStep step;
  // Holds the file the name had (if it can, as the name's file now), so
  // that the rename does not free it.
  const int held = replaced && replaces_ ? open(finalPath_.c_str(), O_PATH | O_CLOEXEC) : -1;
  const bool renamed = rename(temporaryPath_.c_str(), finalPath_.c_str()) == 0;
  if (renamed && held >= 0)
    *replaced = held;
  else if (held >= 0)
    ::close(held);
  if (!renamed) {
    reason = reasonOf(errno);
    unlink(temporaryPath_.c_str());
  }
  unregisterTemporaryFile(std::exchange(entry_, nullptr));
  temporaryPath_.clear();
  return renamed;
}

void AtomicFile::discard() noexcept {
  if (descriptor_ >= 0)
    ::close(descriptor_);
  descriptor_ = -1;
  if (temporaryPath_.empty())
    return;
  TemporaryFileStep step;
  unlink(temporaryPath_.c_str());
  unregisterTemporaryFile(std::exchange(entry_, nullptr));
  temporaryPath_.clear();
}

} // namespace zonvert
