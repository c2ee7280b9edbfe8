// zonvert --follow against a real writer: this test process appends zones
// to the Tecplot file while zonvert, a process of its own, follows it.
//
// The writer writes zone k + 1 only once zone k's file (and, with
// --series, its entry in the series file) is there: the order of events is
// set by what zonvert has done, never by a time. Each zone is written in two
// pieces, split inside a line, so that zonvert may find the data written so
// far ending in the middle of a zone or of a number. The verdict compares
// with a normal run on the finished file, byte for byte.
#include "end_to_end/ZonvertRunner.h"
#include "support/Compression.h"
#include "support/FileContents.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace zonvert::test {
namespace {

constexpr int kZones = 4;

const std::string kHeader = "TITLE = \"followed\"\nVARIABLES = \"X\", \"Y\", \"Z\", \"C\"\n";

// Zone k: 300 nodes in a line, their values tagged with k. Zone 3 takes
// its coordinates from zone 0, which is read again for it.
std::string zoneText(int k) {
  const std::string tag = std::to_string(k);
  std::string zone = "ZONE T=\"TIME " + tag + "\", I=300";
  zone += k == 3 ? ", VARSHARELIST=([1-3]=1)\n" : "\n";
  for (int i = 0; i < 300; ++i)
    zone += k == 3 ? tag + ".25" + std::to_string(i) + "\n"
                   : std::to_string(i) + " 0.5 -1.25 " + tag + ".000" + std::to_string(i) + "\n";
  return zone;
}

// What the writer appends for zone k: the header first, each zone as
// streams of its own when compressed (as a writer that compresses each
// output time makes them).
std::string zoneBytes(int k, Encoding encoding) {
  const std::string text = (k == 0 ? kHeader : "") + zoneText(k);
  return compressed(text, encoding, text.size() / 2);
}

std::string finishedFile(int zones, Encoding encoding) {
  std::string file;
  for (int k = 0; k < zones; ++k)
    file += zoneBytes(k, encoding);
  return file;
}

// A writer holding the Tecplot file open, as a simulator does.
class Writer {
public:
  explicit Writer(const std::string &path) : descriptor_(open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC)) {}
  ~Writer() { close(); }
  void append(const std::string &bytes) {
    ASSERT_EQ(::write(descriptor_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  // In two pieces: zonvert may find the first alone.
  void appendInPieces(const std::string &bytes) {
    append(bytes.substr(0, bytes.size() / 2 + 7));
    append(bytes.substr(bytes.size() / 2 + 7));
  }
  void close() {
    if (descriptor_ >= 0)
      ::close(descriptor_);
    descriptor_ = -1;
  }

private:
  int descriptor_;
};

std::string zoneFileName(int k, bool vtu) { return "out" + std::to_string(k) + (vtu ? ".vtu" : ".vtk"); }

// Zone k's file is in place (and listed in the series file, with --series).
bool zoneDone(const std::string &folder, int k, bool vtu, bool series) {
  const std::string name = zoneFileName(k, vtu);
  if (!std::filesystem::exists(folder + "/" + name))
    return false;
  const std::string seriesPath = folder + (vtu ? "/out.vtu.series" : "/out.vtk.series");
  return !series ||
         (std::filesystem::exists(seriesPath) && readFile(seriesPath).find("\"" + name + "\"") != std::string::npos);
}

// The console of a normal run with the line that tells why the following
// ended after the zone numbers.
std::string withEnding(std::string normalStdout, const std::string &ending) {
  const std::size_t zones = normalStdout.find("READING ZONE: ");
  normalStdout.insert(normalStdout.find('\n', zones) + 1, ending);
  return normalStdout;
}

const std::string kNoWriterEnding = "END OF FOLLOWING: NO PROCESS HAS in.dat OPEN FOR WRITING.\n";

struct FollowCase {
  std::string name;
  std::vector<std::string> options;
  Encoding encoding;
};

void PrintTo(const FollowCase &c, std::ostream *out) { *out << c.name; }

std::vector<std::string> withPaths(std::vector<std::string> options) {
  options.insert(options.end(), {"in.dat", "out.vtk"});
  return options;
}

std::vector<std::string> followed(std::vector<std::string> options) {
  options.insert(options.begin(), "--follow");
  return withPaths(std::move(options));
}

bool has(const std::vector<std::string> &options, const std::string &option) {
  return std::find(options.begin(), options.end(), option) != options.end();
}

class ZonvertFollow : public ::testing::TestWithParam<FollowCase> {};

// Each zone is converted while the writer still writes; the end, once the
// writer has closed the file, leaves what a normal run on the finished file
// leaves.
TEST_P(ZonvertFollow, ConvertsEachZoneWhileWrittenAndEndsAsANormalRun) {
  const FollowCase &c = GetParam();
  const bool vtu = has(c.options, "--vtu");
  const bool series = has(c.options, "--series");
  const RunResult normal =
      runZonvert({withPaths(c.options), "", {{"in.dat", finishedFile(kZones, c.encoding)}}, {}, ""});
  ASSERT_EQ(normal.exitStatus, 0) << normal.stdoutText;

  std::unique_ptr<Writer> writer;
  const StartedRun run =
      startZonvert({followed(c.options), "", {{"in.dat", ""}}, {}, ""},
                   [&](const std::string &folder) { writer = std::make_unique<Writer>(folder + "/in.dat"); });
  for (int k = 0; k < kZones; ++k) {
    if (k > 0) {
      EXPECT_TRUE(waitUntil(run, [&] { return zoneDone(run.folder, k - 1, vtu, series); }))
          << "zone " << k - 1 << " is not converted while the writer waits";
    }
    writer->appendInPieces(zoneBytes(k, c.encoding));
  }
  writer->close();
  const RunResult result = finishZonvert(run);

  EXPECT_EQ(result.exitStatus, 0);
  EXPECT_EQ(result.stdoutText, withEnding(normal.stdoutText, kNoWriterEnding));
  EXPECT_EQ(result.files, normal.files);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ZonvertFollow,
    ::testing::Values(FollowCase{"Legacy", {"--threads", "1"}, Encoding::Plain},
                      FollowCase{"VtuSeriesThreads4", {"--vtu", "--series", "--threads", "4"}, Encoding::Plain},
                      FollowCase{"GzipSeries", {"--series", "--threads", "1"}, Encoding::Gzip},
                      FollowCase{"ZstdVtuSeriesThreads4", {"--vtu", "--series", "--threads", "4"}, Encoding::Zstd}),
    [](const auto &info) { return info.param.name; });

// A run that ends while the file is still open: --idle without growth, or
// Ctrl-C/SIGTERM. Zone 0 is written whole, zone 1 in part or not at all.
struct EndingCase {
  std::string name;
  std::vector<std::string> options;
  std::string idle; // --idle with its value, when the idle limit ends the run
  bool zoneOneBegun;
  int signalNumber; // else the signal that does
  std::string ending;
  int expectedStatus;
};

void PrintTo(const EndingCase &c, std::ostream *out) { *out << c.name; }

class ZonvertFollowEnding : public ::testing::TestWithParam<EndingCase> {};

// The zone files written stay, whole, and the series file lists them; a zone
// cut by the end is reported as in a cut file (no success), and a signal
// ends the process as it ends any run.
TEST_P(ZonvertFollowEnding, KeepsTheZonesDoneAndReportsTheRest) {
  const EndingCase &c = GetParam();
  const std::string written = finishedFile(1, Encoding::Plain) + (c.zoneOneBegun ? zoneText(1).substr(0, 2000) : "");
  const RunResult normal = runZonvert({withPaths(c.options), "", {{"in.dat", written}}, {}, ""});

  std::unique_ptr<Writer> writer;
  std::vector<std::string> options = c.options;
  if (!c.idle.empty())
    options.insert(options.begin(), c.idle);
  const StartedRun run =
      startZonvert({followed(options), "", {{"in.dat", ""}}, {}, ""},
                   [&](const std::string &folder) { writer = std::make_unique<Writer>(folder + "/in.dat"); });
  writer->appendInPieces(written);
  if (c.signalNumber != 0) {
    ASSERT_TRUE(waitUntil(run, [&] { return zoneDone(run.folder, 0, false, true); }));
    kill(run.processId, c.signalNumber);
  }
  const RunResult result = finishZonvert(run);

  EXPECT_EQ(result.exitStatus, c.expectedStatus);
  if (c.signalNumber == 0)
    EXPECT_EQ(result.stdoutText, withEnding(normal.stdoutText, c.ending));
  else
    EXPECT_EQ(result.stdoutText, normal.stdoutText.substr(0, normal.stdoutText.find("READING ZONE: 0 ") + 16));
  // No temporary left; the series file lists zone 0.
  EXPECT_EQ(result.files, normal.files);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ZonvertFollowEnding,
    ::testing::Values(EndingCase{"IdleAfterAWholeZone",
                                 {"--series"},
                                 "--idle=1",
                                 false,
                                 0,
                                 "END OF FOLLOWING: in.dat HAS NOT GROWN FOR 1 SECONDS.\n",
                                 0},
                      EndingCase{"IdleInsideAZone",
                                 {"--series", "--threads", "4"},
                                 "--idle=1",
                                 true,
                                 0,
                                 "END OF FOLLOWING: in.dat HAS NOT GROWN FOR 1 SECONDS.\n",
                                 1},
                      EndingCase{"CtrlC", {"--series", "--threads", "1"}, "", true, SIGINT, "", -SIGINT},
                      EndingCase{"SigtermThreads4", {"--series", "--threads", "4"}, "", true, SIGTERM, "", -SIGTERM}),
    [](const auto &info) { return info.param.name; });

// A writer that starts the file again (a restarted simulator) ends the run
// with a message; the zone files written stay.
TEST(ZonvertFollowRestart, AFileCutOrReplacedEndsTheRunKeepingTheZonesDone) {
  const std::string zoneZero = finishedFile(1, Encoding::Plain);
  const RunResult normal = runZonvert({withPaths({"--series"}), "", {{"in.dat", zoneZero}}, {}, ""});
  struct Restart {
    bool replace;
    std::string message;
  };
  const std::string size = std::to_string(zoneZero.size());
  for (const Restart &restart :
       {Restart{false, "ERROR: THE TECPLOT FILE in.dat SHRANK FROM " + size + " TO 0 BYTES WHILE IT WAS FOLLOWED"},
        Restart{true, "ERROR: THE TECPLOT FILE in.dat WAS REPLACED BY ANOTHER FILE WHILE IT WAS FOLLOWED"}})
    for (const char *threads : {"1", "4"}) {
      std::unique_ptr<Writer> writer;
      const StartedRun run =
          startZonvert({followed({"--series", "--threads", threads}), "", {{"in.dat", ""}}, {}, ""},
                       [&](const std::string &folder) { writer = std::make_unique<Writer>(folder + "/in.dat"); });
      writer->appendInPieces(zoneZero);
      ASSERT_TRUE(waitUntil(run, [&] { return zoneDone(run.folder, 0, false, true); }));
      const std::string path = run.folder + "/in.dat";
      std::map<std::string, std::string> expectedFiles = normal.files;
      if (restart.replace) {
        // The writer keeps the old file open: only the name tells.
        writeFile(path + ".new", "TITLE = \"again\"\n");
        std::filesystem::rename(path + ".new", path);
        expectedFiles["in.dat"] = "TITLE = \"again\"\n";
      } else {
        ASSERT_EQ(truncate(path.c_str(), 0), 0);
        expectedFiles["in.dat"] = "";
      }
      const RunResult result = finishZonvert(run);
      EXPECT_EQ(result.exitStatus, 1);
      EXPECT_EQ(result.stdoutText, normal.stdoutText.substr(0, normal.stdoutText.find("FINISH.")) + restart.message +
                                       " (ITS WRITER STARTED IT AGAIN?); THE ZONE FILES WRITTEN ARE KEPT.\n");
      EXPECT_EQ(result.files, expectedFiles);
    }
}

} // namespace
} // namespace zonvert::test
