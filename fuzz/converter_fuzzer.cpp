// Feeds arbitrary bytes through the Tecplot reader and the writers the way
// zonvert does, writing the zone files into a scratch folder: each input
// once as legacy files with a series file on one thread, and once as XML
// files, on two threads when its last byte is odd. Errors come back as an
// exit status instead of ending the process, so every error path is
// reachable without stopping the fuzzer.
#include "ScratchFolder.h"
#include "run/ConverterDriver.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iterator>
#include <string>

namespace {

int convertBytes(const std::uint8_t *data, std::size_t size, const std::string &outputName,
                 const zonvert::ConversionOptions &options) {
  std::FILE *file = size > 0 ? fmemopen(const_cast<std::uint8_t *>(data), size, "r") : std::fopen("/dev/null", "r");
  if (!file)
    return 0;
  const int status = zonvert::convertZones(file, outputName, 0, options);
  std::fclose(file);
  return status;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size) {
  static const std::string folder = fuzzsupport::makeScratchFolder("zonvert-fuzz");
  static const std::string outputName = folder + "/zone.vtk";
  const int threads = size > 0 && (data[size - 1] & 1) ? 2 : 1;
  // No progress display, whatever standard error is.
  zonvert::ConversionOptions legacyOptions;
  legacyOptions.series = true;
  legacyOptions.quiet = true;
  zonvert::ConversionOptions xmlOptions;
  xmlOptions.format = zonvert::ZoneFormat::Vtu;
  xmlOptions.threads = threads;
  // The next bits of the last byte choose how the arrays are compressed.
  constexpr std::size_t compressions = std::size(zonvert::kVtuCompressions);
  xmlOptions.compression = zonvert::kVtuCompressions[size > 0 ? (data[size - 1] >> 1) % compressions : 0].compression;
  xmlOptions.quiet = true;
  const int legacy = convertBytes(data, size, outputName, legacyOptions);
  const int xml = convertBytes(data, size, outputName, xmlOptions);
  // Each input starts from an empty folder.
  for (const auto &entry : std::filesystem::directory_iterator(folder))
    std::filesystem::remove_all(entry.path());
  for (int status : {legacy, xml})
    if (status != 0 && status != 1 && status != -1)
      std::abort(); // no other exit status exists
  return 0;
}
