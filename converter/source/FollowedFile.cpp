#include "source/FollowedFile.h"

#include "source/FileWriters.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstring>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <thread>
#include <unistd.h>

namespace zonvert {

namespace {

// How long a wait lasts at most before the file is looked at again (and the
// cancel flag): also the pace of looking where no change is told.
constexpr std::chrono::milliseconds kLookEvery{250};
// Where no close is told: how often the writers are looked for.
constexpr std::chrono::seconds kWriterCheckEvery{2};
// Bytes kept from the end of what was read, compared with the file before
// each read that goes past it: a file started again differs there.
constexpr std::size_t kTailBytes = 256;

// File systems whose files other machines write (their writers and their
// changes cannot be seen from here), by statfs's f_type.
constexpr unsigned long kNetworkFileSystems[] = {
    0x6969,     // NFS
    0x517B,     // SMB
    0xFF534D42, // CIFS
    0xFE534D42, // SMB2
    0x65735546, // FUSE (sshfs and the like)
    0x00C36400, // Ceph
    0x5346414F, // AFS
    0x0BD00BD0, // Lustre
    0x47504653, // GPFS
    0x01161970, // GFS2
    0x7461636F, // OCFS2
    0x01021997, // 9P
    0x564C,     // NCP
    0x73757245, // Coda
    0x13661366, // OrangeFS
};

bool onNetworkFileSystem(int descriptor) {
  struct statfs info {};
  if (fstatfs(descriptor, &info) != 0)
    return true;
  const auto type = static_cast<unsigned long>(info.f_type) & 0xFFFFFFFFUL;
  return std::find(std::begin(kNetworkFileSystems), std::end(kNetworkFileSystems), type) !=
         std::end(kNetworkFileSystems);
}

} // namespace

std::string followProblem(int descriptor, const std::string &path) {
  struct stat info {};
  if (fstat(descriptor, &info) != 0)
    return "ERROR: CANNOT READ THE TECPLOT FILE " + path + ": " + std::strerror(errno) + "\n";
  if (S_ISREG(info.st_mode))
    return {};
  const char *what = S_ISFIFO(info.st_mode)   ? "A PIPE"
                     : S_ISSOCK(info.st_mode) ? "A SOCKET"
                     : S_ISCHR(info.st_mode)  ? "A DEVICE"
                                              : "NO REGULAR FILE";
  return "ERROR: --follow READS A REGULAR FILE WHILE ITS WRITER APPENDS TO IT (PLAIN, GZIP OR ZSTD); " + path +
         " IS " + what + ".\n";
}

FollowedFile::FollowedFile(int descriptor, std::string path, int idleSeconds)
    : descriptor_(descriptor), path_(std::move(path)), idleSeconds_(idleSeconds), lastGrowth_(Clock::now()) {
  if (std::string problem = followProblem(descriptor_, path_); !problem.empty())
    throw ConversionFailure(std::move(problem));
  struct stat info {};
  fstat(descriptor_, &info);
  device_ = info.st_dev;
  inode_ = info.st_ino;
  writersVisible_ = !onNetworkFileSystem(descriptor_);
  if (!writersVisible_)
    return;
  changes_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (changes_ >= 0 &&
      inotify_add_watch(changes_, path_.c_str(), IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB | IN_MOVE_SELF |
                                                    IN_DELETE_SELF) < 0) {
    close(changes_);
    changes_ = -1;
  }
}

FollowedFile::~FollowedFile() {
  if (changes_ >= 0)
    close(changes_);
}

void FollowedFile::startedAgain(const std::string &what) const {
  throw ConversionFailure("ERROR: THE TECPLOT FILE " + path_ + " " + what +
                          " WHILE IT WAS FOLLOWED (ITS WRITER STARTED IT AGAIN?); THE ZONE FILES WRITTEN ARE KEPT.\n");
}

// The bytes before what was read are still those read: a writer that
// started the file again has written other bytes there (or cut it).
void FollowedFile::checkTail() {
  if (tail_.empty())
    return;
  std::string now(tail_.size(), '\0');
  const ssize_t count = pread(descriptor_, now.data(), now.size(), static_cast<off_t>(highWater_ - tail_.size()));
  if (count == static_cast<ssize_t>(now.size()) && now == tail_)
    return;
  startedAgain(formattedText("WAS WRITTEN OVER BEFORE BYTE %" PRIu64, highWater_));
}

void FollowedFile::keepTail(const char *bytes, std::size_t count) {
  if (count >= kTailBytes) {
    tail_.assign(bytes + count - kTailBytes, kTailBytes);
    return;
  }
  tail_.append(bytes, count);
  if (tail_.size() > kTailBytes)
    tail_.erase(0, tail_.size() - kTailBytes);
}

void FollowedFile::checkStillTheFile() {
  struct stat info {};
  if (fstat(descriptor_, &info) == 0 && static_cast<std::uint64_t>(info.st_size) < highWater_)
    startedAgain(formattedText("SHRANK FROM %" PRIu64 " TO %" PRIu64 " BYTES", highWater_,
                               static_cast<std::uint64_t>(info.st_size)));
  if (stat(path_.c_str(), &info) != 0) {
    if (errno == ENOENT)
      startedAgain("WAS REMOVED");
  } else if (info.st_dev != device_ || info.st_ino != inode_) {
    startedAgain("WAS REPLACED BY ANOTHER FILE");
  }
}

bool FollowedFile::writerCheckDue(Clock::time_point now) {
  if (!writersVisible_)
    return false;
  if (changes_ < 0 && now - lastWriterCheck_ >= kWriterCheckEvery)
    closeSeen_ = true;
  return closeSeen_;
}

void FollowedFile::waitForChange(Clock::time_point now) {
  auto timeout = kLookEvery;
  if (idleSeconds_ > 0)
    timeout = std::min(timeout, std::chrono::ceil<std::chrono::milliseconds>(
                                    lastGrowth_ + std::chrono::seconds(idleSeconds_) - now));
  timeout = std::max(timeout, std::chrono::milliseconds(1));
  if (changes_ < 0) {
    std::this_thread::sleep_for(timeout);
    return;
  }
  pollfd watched{changes_, POLLIN, 0};
  if (poll(&watched, 1, static_cast<int>(timeout.count())) <= 0)
    return;
  alignas(inotify_event) char events[4096];
  for (ssize_t length; (length = ::read(changes_, events, sizeof events)) > 0;)
    for (ssize_t at = 0; at < length;) {
      const auto *event = reinterpret_cast<const inotify_event *>(events + at);
      if (event->mask & IN_CLOSE_WRITE)
        closeSeen_ = true;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
}

std::size_t FollowedFile::read(char *into, std::size_t capacity, Wait wait) {
  for (;;) {
    // Reading on from what was read: the file is still the one read.
    if (offset_ == highWater_) {
      checkStillTheFile();
      checkTail();
    }
    const ssize_t count = pread(descriptor_, into, capacity, static_cast<off_t>(offset_));
    if (count < 0) {
      if (errno == EINTR)
        continue;
      throw ConversionFailure(std::string("ERROR: CANNOT READ THE TECPLOT FILE: ") + std::strerror(errno) + "\n");
    }
    if (count > 0) {
      const auto bytes = static_cast<std::size_t>(count);
      offset_ += bytes;
      if (offset_ > highWater_) {
        keepTail(into + bytes - std::min<std::uint64_t>(bytes, offset_ - highWater_),
                 static_cast<std::size_t>(std::min<std::uint64_t>(bytes, offset_ - highWater_)));
        highWater_ = offset_;
        lastGrowth_ = Clock::now();
        noWriterSeen_ = false;
      }
      return bytes;
    }
    // The end of the data written so far.
    if (ending_ != Ending::None || wait == Wait::No)
      return 0;
    if (noWriterSeen_) {
      ending_ = Ending::NoWriter;
      return 0;
    }
    const Clock::time_point now = Clock::now();
    if (writerCheckDue(now)) {
      closeSeen_ = false;
      lastWriterCheck_ = now;
      // Read once more: what the writer wrote before it closed the file.
      noWriterSeen_ = !anotherProcessWrites(device_, inode_);
      if (noWriterSeen_)
        continue;
    }
    if (idleSeconds_ > 0 && now - lastGrowth_ >= std::chrono::seconds(idleSeconds_)) {
      ending_ = Ending::Idle;
      return 0;
    }
    if (cancel_ && cancel_->load(std::memory_order_relaxed))
      throw ReadingCancelled{};
    waitForChange(now);
  }
}

bool FollowedFile::seek(std::uint64_t offset) {
  offset_ = offset;
  return true;
}

} // namespace zonvert
