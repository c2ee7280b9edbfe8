// Feeds arbitrary bytes through the Tecplot reader and the VTK writer the way
// zonvert does, writing the zone files into a scratch folder. Errors come
// back as an exit status instead of ending the process, so every error path
// is reachable without stopping the fuzzer.
#include "ConverterDriver.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

std::string scratchFolder() {
  const char *base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
  std::string pattern = std::string(base) + "/zonvert-fuzz-XXXXXX";
  if (!mkdtemp(pattern.data()))
    std::abort();
  return pattern;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static const std::string outputName = scratchFolder() + "/zone.vtk";
  std::FILE *file = size > 0 ? fmemopen(const_cast<std::uint8_t *>(data), size, "r") : std::fopen("/dev/null", "r");
  if (!file)
    return 0;
  const int status = zonvert::convertZones(file, outputName, 0);
  std::fclose(file);
  if (status != 0 && status != 1 && status != -1)
    std::abort(); // no other exit status exists
  return 0;
}
