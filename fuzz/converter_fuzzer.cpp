// Feeds arbitrary bytes through the Tecplot reader and the VTK writer the way
// zonvert does, writing the zone files into a scratch folder. Errors come
// back as an exit status instead of ending the process, so every error path
// is reachable without stopping the fuzzer.
#include "ConverterDriver.h"
#include "ScratchFolder.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static const std::string folder = fuzzsupport::makeScratchFolder("zonvert-fuzz");
  static const std::string outputName = folder + "/zone.vtk";
  std::FILE *file = size > 0 ? fmemopen(const_cast<std::uint8_t *>(data), size, "r") : std::fopen("/dev/null", "r");
  if (!file)
    return 0;
  const int status = zonvert::convertZones(file, outputName, 0);
  std::fclose(file);
  // Each input starts from an empty folder.
  for (const auto &entry : std::filesystem::directory_iterator(folder))
    std::filesystem::remove_all(entry.path());
  if (status != 0 && status != 1 && status != -1)
    std::abort(); // no other exit status exists
  return 0;
}
