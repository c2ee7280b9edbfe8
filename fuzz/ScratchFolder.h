// The folder a fuzzer writes its files into for one run.
//
// scripts/fuzz.sh names a fresh folder of its own in ZV_FUZZ_SCRATCH and
// removes it after the run; a fuzzer started by hand makes one under the
// temporary folder and removes it when it exits normally.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace fuzzsupport {

inline std::string &scratchFolderPath() {
  static std::string path;
  return path;
}

inline void removeScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(scratchFolderPath(), ignored);
}

// Creates a new empty folder for this process and returns its path.
inline std::string makeScratchFolder(const char *name) {
  const char *parent = std::getenv("ZV_FUZZ_SCRATCH");
  const std::filesystem::path base = parent ? std::filesystem::path(parent) : std::filesystem::temp_directory_path();
  std::string pattern = (base / (std::string(name) + "-XXXXXX")).string();
  if (!mkdtemp(pattern.data()))
    std::abort();
  scratchFolderPath() = pattern;
  std::atexit(removeScratchFolder);
  return pattern;
}

} // namespace fuzzsupport
