// A file that appears under its name whole or not at all.
//
// The content is written to a temporary file in the same folder as the
// final name, and renamed to that name only when it is complete and handed
// to the system. A run that fails or is killed part way therefore never
// leaves a cut file under the final name: the temporary is removed (or, after
// SIGKILL, left under a name that ends in ".tmp", never taken for the file),
// and a file that had the name before stays as it was. Two runs writing one
// name each leave a whole file.
//
// The final name is followed through symbolic links: the file a link points
// to is replaced and the link itself stays. A final name that exists but is
// not a regular file (a folder, a FIFO, a device) is refused, and so is an
// existing file the user may not write, as opening it for writing would be.
#pragma once

#include <string>

namespace zonvert {

struct TemporaryEntry;

class AtomicFile {
public:
  AtomicFile() = default;
  AtomicFile(const AtomicFile &) = delete;
  AtomicFile &operator=(const AtomicFile &) = delete;
  // Removes the temporary unless it was committed.
  ~AtomicFile();

  // Creates the temporary for `path`. False, with the reason in `reason`,
  // when no file can be written under that name. The temporary gets the
  // permissions a newly created file gets (0666 less the umask), or those of
  // the file it replaces.
  bool create(const std::string &path, std::string &reason);

  // The temporary, open for writing.
  int descriptor() const { return descriptor_; }

  // Closes the temporary once its content is complete, so that a finished
  // temporary waiting for its turn holds no descriptor. False, with the
  // reason, when the system reports that the content may not be whole; the
  // temporary is then removed.
  bool close(std::string &reason);

  // Closes the temporary (if still open) and renames it to the final name.
  // False, with the reason, when that fails; the temporary is then removed.
  // With `replaced`, the file the final name had before, if any, is held
  // open (O_PATH) across the rename and handed over there (else -1): the
  // system frees it (its pages, its blocks, which some file systems discard
  // on the disk meanwhile) only once that descriptor is closed, not in the
  // rename.
  bool commit(std::string &reason, int *replaced = nullptr);

  // The temporary's name for `finalPath`: the final name (shortened when it
  // would not leave room in a folder entry) with ".zonvert-" + `tag` + ".tmp"
  // appended, in the same folder.
  static std::string temporaryName(const std::string &finalPath, const std::string &tag);

  // Removes the temporary now (also done when the object goes).
  void discard() noexcept;

private:
  int descriptor_ = -1;
  bool replaces_ = false; // a file had the final name when the temporary was made
  TemporaryEntry *entry_ = nullptr; // where the signal handler finds the temporary
  std::string temporaryPath_;
  std::string finalPath_;
};

} // namespace zonvert
