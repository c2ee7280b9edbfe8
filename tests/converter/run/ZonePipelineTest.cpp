// The threaded conversion in this process, so that ThreadSanitizer (preset
// tsan) watches the reader, the workers and the sequencing step: every run
// on four threads must leave the files, and return the status, of the run on
// one thread, also when a zone fails part way through the file.
#include "run/ConverterDriver.h"
#include "support/FileContents.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace zonvert {
namespace {

// Zones of hexahedra whose values carry their zone number, enough of them to
// keep every thread busy; zone `failing` (if any) holds a node number
// outside the zone, zone `empty` (if any) no nodes. Each zone has `layers` x
// 9 nodes: with many, zones are large enough for the workers to write them
// (small ones the caller writes).
std::string manyZones(int zones, int failing, int layers = 3, int empty = -1) {
  std::string text = "VARIABLES = \"X\", \"Y\", \"Z\", \"VX\", \"C\"\n";
  const int nodes = 9 * layers;
  const int elements = 4 * (layers - 1);
  for (int zone = 0; zone < zones; ++zone) {
    if (zone == empty) {
      text += "ZONE T=\"TIME " + std::to_string(zone) + " d\", N=0, E=0, F=FEPOINT, ET=BRICK\n";
      continue;
    }
    text += "ZONE T=\"TIME " + std::to_string(zone) + " d\", N=" + std::to_string(nodes) + ", E=" +
            std::to_string(elements) + ", F=FEPOINT, ET=BRICK\n";
    for (int node = 0; node < nodes; ++node)
      text += std::to_string(node % 3) + " " + std::to_string(node / 3 % 3) + " " + std::to_string(node / 9) + " " +
              std::to_string(zone) + ".5 " + std::to_string(node) + "e-" + std::to_string(zone % 30) + "\n";
    for (int k = 0; k < layers - 1; ++k)
      for (int j = 0; j < 2; ++j)
        for (int i = 0; i < 2; ++i) {
          const int n = 1 + i + 3 * j + 9 * k;
          const int last = zone == failing && i + j + k == 3 ? 999999 : n + 13;
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

// Where the converter reads a text from: memory, a pipe (which cannot be
// read again) or a file (whose large zones the workers read apart).
enum class Input { Memory, Pipe, File };

// Converts `text`, read from `from`, into a fresh folder in which the
// folders `taken` stand.
Outcome convert(const std::string &text, const ConversionOptions &options, int startZone, Input from = Input::Memory,
                const std::vector<std::string> &taken = {}) {
  std::string folder = (fs::temp_directory_path() / "zonvert-threads-XXXXXX").string();
  EXPECT_NE(mkdtemp(folder.data()), nullptr);
  for (const std::string &name : taken)
    fs::create_directory(folder + "/" + name);
  std::string input = text;
  std::thread feeder;
  std::FILE *file = nullptr;
  if (from == Input::Pipe) {
    int ends[2];
    EXPECT_EQ(pipe(ends), 0);
    file = fdopen(ends[0], "r");
    feeder = std::thread([&input, end = ends[1]] {
      for (std::string_view rest = input; !rest.empty();) {
        const ssize_t written = write(end, rest.data(), rest.size());
        if (written <= 0)
          break;
        rest.remove_prefix(static_cast<std::size_t>(written));
      }
      close(end);
    });
  } else if (from == Input::File) {
    file = std::tmpfile();
    EXPECT_EQ(std::fwrite(input.data(), 1, input.size(), file), input.size());
    std::rewind(file);
  } else {
    file = fmemopen(input.data(), input.size(), "r");
  }
  Outcome outcome{convertZones(file, folder + "/out.vtk", startZone, options), {}};
  std::fclose(file);
  if (feeder.joinable())
    feeder.join();
  for (const auto &entry : fs::directory_iterator(folder))
    if (entry.is_regular_file())
      outcome.files[entry.path().filename().string()] = test::readFile(entry.path().string());
  fs::remove_all(folder);
  return outcome;
}

TEST(ZonePipeline, FourThreadsLeaveWhatOneThreadLeaves) {
  struct Case {
    int failing;
    int startZone;
    ZoneFormat format;
    int empty = -1; // before the starting zone
  };
  for (const Case &c : {Case{-1, 0, ZoneFormat::LegacyVtk}, Case{-1, 3, ZoneFormat::Vtu},
                        Case{17, 2, ZoneFormat::LegacyVtk}, Case{5, 0, ZoneFormat::Vtu},
                        Case{-1, 5, ZoneFormat::LegacyVtk, 4}}) {
    const std::string text = manyZones(24, c.failing, 3, c.empty);
    const Outcome serial = convert(text, {c.format, true, 1}, c.startZone);
    const Outcome threaded = convert(text, {c.format, true, 4}, c.startZone);
    EXPECT_EQ(serial.status, c.failing < 0 ? 0 : 1);
    // The zones written, and the series file listing them.
    EXPECT_EQ(serial.files.size(), static_cast<std::size_t>((c.failing < 0 ? 24 : c.failing) - c.startZone + 1));
    EXPECT_EQ(threaded.status, serial.status);
    EXPECT_TRUE(threaded.files == serial.files) << "failing zone " << c.failing;
  }
}

// Zones the workers write, failing part way: by a node number outside its
// zone, or by a folder under its file name; read from memory, through a
// pipe and from a file, where zones large enough are read apart by the
// workers; with an empty zone before the failing one or not. After the
// failure the run goes on (and ends) on one thread.
TEST(ZonePipeline, FailuresOnThreadsEndAsOnOneThread) {
  struct Case {
    int failing;
    std::vector<std::string> taken;
    Input from;
    ZoneFormat format;
    int empty = -1;
    int layers = 600;
  };
  // A run that fails leaves the rest of the pipe unread: the feeder is told
  // so by its write failing, not by a signal.
  std::signal(SIGPIPE, SIG_IGN);
  for (const Case &c : {Case{-1, {}, Input::Pipe, ZoneFormat::LegacyVtk},
                        Case{9, {}, Input::Memory, ZoneFormat::LegacyVtk}, Case{9, {}, Input::Pipe, ZoneFormat::Vtu},
                        Case{-1, {"out6.vtk"}, Input::Memory, ZoneFormat::LegacyVtk},
                        Case{-1, {"out6.vtu"}, Input::Pipe, ZoneFormat::Vtu},
                        Case{9, {}, Input::Memory, ZoneFormat::LegacyVtk, 4},
                        Case{-1, {"out6.vtk"}, Input::Pipe, ZoneFormat::LegacyVtk, 5},
                        Case{-1, {}, Input::File, ZoneFormat::LegacyVtk, -1, 700},
                        Case{9, {}, Input::File, ZoneFormat::Vtu, 4, 700},
                        Case{-1, {"out6.vtk"}, Input::File, ZoneFormat::LegacyVtk, -1, 700}}) {
    const std::string text = manyZones(16, c.failing, c.layers, c.empty);
    const Outcome serial = convert(text, {c.format, true, 1}, 0, Input::Memory, c.taken);
    const Outcome threaded = convert(text, {c.format, true, 4}, 0, c.from, c.taken);
    EXPECT_EQ(serial.status, c.failing >= 0 ? 1 : c.taken.empty() ? 0 : -1);
    EXPECT_EQ(serial.files.size(), (c.failing >= 0 ? 10u : c.taken.empty() ? 17u : 7u) - (c.empty >= 0 ? 1u : 0u));
    EXPECT_EQ(threaded.status, serial.status) << "failing zone " << c.failing << ", input " << static_cast<int>(c.from);
    EXPECT_TRUE(threaded.files == serial.files) << "failing zone " << c.failing << ", input " << static_cast<int>(c.from);
  }
}

} // namespace
} // namespace zonvert
