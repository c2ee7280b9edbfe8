// The threaded conversion in this process, so that ThreadSanitizer (preset
// tsan) watches the reader, the workers and the sequencing step: every run
// on four threads must leave the files, and return the status, of the run on
// one thread, also when a zone fails part way through the file.
#include "run/ConverterDriver.h"
#include "support/FileContents.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

namespace fs = std::filesystem;

namespace zonvert {
namespace {

// Zones of hexahedra whose values carry their zone number, enough of them to
// keep every thread busy; zone `failing` (if any) holds a node number
// outside the zone.
std::string manyZones(int zones, int failing) {
  std::string text = "VARIABLES = \"X\", \"Y\", \"Z\", \"VX\", \"C\"\n";
  for (int zone = 0; zone < zones; ++zone) {
    text += "ZONE T=\"TIME " + std::to_string(zone) + " d\", N=27, E=8, F=FEPOINT, ET=BRICK\n";
    for (int node = 0; node < 27; ++node)
      text += std::to_string(node % 3) + " " + std::to_string(node / 3 % 3) + " " + std::to_string(node / 9) + " " +
              std::to_string(zone) + ".5 " + std::to_string(node) + "e-" + std::to_string(zone) + "\n";
    for (int k = 0; k < 2; ++k)
      for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 2; ++i) {
          const int n = 1 + i + 3 * j + 9 * k;
          const int last = zone == failing && i + j + k == 3 ? 99 : n + 13;
          text += std::to_string(n) + " " + std::to_string(n + 1) + " " + std::to_string(n + 4) + " " +
                  std::to_string(n + 3) + " " + std::to_string(n + 9) + " " + std::to_string(n + 10) + " " +
                  std::to_string(last) + " " + std::to_string(n + 12) + "\n";
        }
  }
  return text;
}

struct Outcome {
  int status;
  std::map<std::string, std::string> files;
};

Outcome convert(const std::string &text, const ConversionOptions &options, int startZone) {
  std::string folder = (fs::temp_directory_path() / "zonvert-threads-XXXXXX").string();
  EXPECT_NE(mkdtemp(folder.data()), nullptr);
  std::string input = text;
  std::FILE *file = fmemopen(input.data(), input.size(), "r");
  Outcome outcome{convertZones(file, folder + "/out.vtk", startZone, options), {}};
  std::fclose(file);
  for (const auto &entry : fs::directory_iterator(folder))
    outcome.files[entry.path().filename().string()] = test::readFile(entry.path().string());
  fs::remove_all(folder);
  return outcome;
}

TEST(ZonePipeline, FourThreadsLeaveWhatOneThreadLeaves) {
  struct Case {
    int failing;
    int startZone;
    ZoneFormat format;
  };
  for (const Case &c : {Case{-1, 0, ZoneFormat::LegacyVtk}, Case{-1, 3, ZoneFormat::Vtu},
                        Case{17, 2, ZoneFormat::LegacyVtk}, Case{5, 0, ZoneFormat::Vtu}}) {
    const std::string text = manyZones(24, c.failing);
    const Outcome serial = convert(text, {c.format, true, 1}, c.startZone);
    const Outcome threaded = convert(text, {c.format, true, 4}, c.startZone);
    EXPECT_EQ(serial.status, c.failing < 0 ? 0 : 1);
    // The zones written, and the series file listing them.
    EXPECT_EQ(serial.files.size(), static_cast<std::size_t>((c.failing < 0 ? 24 : c.failing) - c.startZone + 1));
    EXPECT_EQ(threaded.status, serial.status);
    EXPECT_TRUE(threaded.files == serial.files) << "failing zone " << c.failing;
  }
}

} // namespace
} // namespace zonvert
