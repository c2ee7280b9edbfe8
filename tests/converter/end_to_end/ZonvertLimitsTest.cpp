// Threads change nothing but time, also at the edges: against a real full
// disk (a small tmpfs), a real limit on memory (ulimit -v) and on open files
// (ulimit -n), a run on 4 or 64 threads leaves the files, the console lines
// and the exit status of the run on one thread, legacy and XML alike.
#include "end_to_end/ZonvertRunner.h"
#include "support/FileContents.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <sys/mount.h>
#include <vector>

namespace fs = std::filesystem;

namespace zonvert::test {
namespace {

const std::string kVars = "VARIABLES = \"X\", \"Y\", \"Z\", \"C\"\n";

// `zones` zones of `nodes` nodes each, whose values are pseudo-random
// decimals, so that neither the legacy nor the XML files are much smaller
// than the values' text.
std::string randomNodeZones(int zones, int nodes) {
  std::uint64_t state = 1;
  auto value = [&] {
    state = state * 6364136223846793005ULL + 1442695040888963407ULL;
    return "0." + std::to_string(100000000 + (state >> 40) % 900000000);
  };
  std::string text = kVars;
  for (int zone = 0; zone < zones; ++zone) {
    text += "ZONE T=\"TIME " + std::to_string(zone) + "\", I=" + std::to_string(nodes) + "\n";
    for (int node = 0; node < nodes; ++node)
      text += value() + " " + value() + " " + value() + " " + value() + "\n";
  }
  return text;
}

std::string tinyZones(int zones) {
  std::string text = kVars;
  for (int zone = 0; zone < zones; ++zone)
    text += "ZONE T=\"TIME " + std::to_string(zone) + "\", N=4, E=1, F=FEPOINT, ET=TETRAHEDRON\n0 0 0 1\n1 0 0 2\n"
            "0 1 0 3\n0 0 1 " + std::to_string(zone) + "\n1 2 3 4\n";
  return text;
}

const std::vector<int> kThreadCounts = {1, 4, 64};

// A folder on a tmpfs of 250 KiB, unmounted at the end.
class SmallDisk {
public:
  SmallDisk() {
    std::string pattern = (fs::temp_directory_path() / "zonvert-disk-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
      return;
    path_ = pattern;
    if (mount("zonvert-test", path_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=250k") == 0)
      mounted_ = true;
    else
      failure_ = std::strerror(errno);
  }
  ~SmallDisk() {
    if (mounted_)
      umount2(path_.c_str(), 0);
    if (!path_.empty())
      fs::remove_all(path_);
  }
  bool mounted() const { return mounted_; }
  const std::string &failure() const { return failure_; }
  const fs::path &path() const { return path_; }
  // Every file on it, by name, removed from it.
  std::map<std::string, std::string> takeFiles() const {
    std::map<std::string, std::string> files;
    for (const auto &entry : fs::directory_iterator(path_)) {
      files[entry.path().filename().string()] = readFile(entry.path().string());
      fs::remove(entry.path());
    }
    return files;
  }

private:
  fs::path path_;
  bool mounted_ = false;
  std::string failure_ = "no folder";
};

TEST(ZonvertLimits, FullDiskLeavesWhatOneThreadLeaves) {
  const SmallDisk disk;
  if (!disk.mounted())
    GTEST_SKIP() << "cannot mount a tmpfs here (" << disk.failure() << "): a full disk needs one";
  const std::string input = randomNodeZones(6, 2000);
  for (const bool xml : {false, true}) {
    const std::string extension = xml ? ".vtu" : ".vtk";
    RunResult first;
    std::map<std::string, std::string> firstFiles;
    for (const int threads : kThreadCounts) {
      std::vector<std::string> arguments = {"--threads", std::to_string(threads), "in.dat", (disk.path() / "out").string()};
      if (xml)
        arguments.insert(arguments.begin(), "--vtu");
      const RunResult run = runZonvert({arguments, "", {{"in.dat", input}}, {}, ""});
      const std::map<std::string, std::string> files = disk.takeFiles();
      if (threads == 1) {
        // Some zones fit, the next one does not: it is named, and no
        // temporary is left.
        ASSERT_EQ(run.exitStatus, 255) << run.stdoutText;
        ASSERT_GE(files.size(), 1u);
        ASSERT_LT(files.size(), 6u);
        const std::string next = "out" + std::to_string(files.size()) + extension;
        EXPECT_NE(run.stdoutText.find(next + ": No space left on device\n"), std::string::npos) << run.stdoutText;
        for (std::size_t zone = 0; zone < files.size(); ++zone)
          EXPECT_TRUE(files.contains("out" + std::to_string(zone) + extension));
        first = run;
        firstFiles = files;
        continue;
      }
      EXPECT_EQ(run.stdoutText, first.stdoutText) << threads << " threads" << (xml ? ", XML" : "");
      EXPECT_EQ(run.exitStatus, first.exitStatus) << threads << " threads";
      EXPECT_TRUE(files == firstFiles) << threads << " threads left " << files.size() << " files, not "
                                       << firstFiles.size();
    }
  }
}

struct LimitCase {
  std::string name;
  std::string input;       // in.dat, unless the set-up makes it
  std::string shellSetup;  // the limit, and what the input needs
  int expectedStatus;
  std::string expectedEnd; // how standard output ends on one thread
  std::size_t expectedFiles;
};

TEST(ZonvertLimits, MemoryAndOpenFileLimitsLeaveWhatOneThreadLeaves) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  const bool addressLimitPossible = false; // a sanitizer reserves terabytes of address space at start
#else
  const bool addressLimitPossible = true;
#endif
  const std::string longLine = "{ printf '" + tinyZones(3) +
                               "ZONE I=1\\n'; head -c 32000000 /dev/zero | tr '\\0' 7; echo; } > in.dat;";
  // Zone files of an earlier run, in both formats, for zones 0 to last.
  const auto earlierFiles = [](int last) {
    return "for k in $(seq 0 " + std::to_string(last) + "); do echo $k > out$k.vtk; echo $k > out$k.vtu; done;";
  };
  const std::vector<LimitCase> cases = {
      // Threads started, then short of memory: earlier versions ended with
      // an error where one thread converts every zone.
      {"AddressSpaceOf16MiB", tinyZones(600), "ulimit -v 16000;", 0, "599 \nFINISH.\n", 600},
      {"AddressSpaceOf24MiB", tinyZones(600), "ulimit -v 24000;", 0, "599 \nFINISH.\n", 600},
      {"AddressSpaceOf16MiBOverEarlierFiles", tinyZones(600), earlierFiles(599) + "ulimit -v 16000;", 0,
       "599 \nFINISH.\n", 1200},
      // A zone that needs more than the limit allows, after three that fit.
      {"ZoneLargerThanTheAddressSpace", "", longLine + "ulimit -v 24000;", 1, "0 1 2 \nERROR: OUT OF MEMORY.\n", 3},
      // Each worker's temporary, and every finished one waiting for its turn,
      // once held a descriptor.
      {"SixtyFourOpenFiles", tinyZones(301), "ulimit -n 64;", 0, "300 \nFINISH.\n", 301},
      {"ThirteenOpenFiles", tinyZones(301), "ulimit -n 13;", 0, "300 \nFINISH.\n", 301},
      // Every zone file replaces one, which the threads let go of while
      // the run goes on, holding its descriptor until then.
      {"SixtyFourOpenFilesOverEarlierFiles", tinyZones(301), earlierFiles(300) + "ulimit -n 64;", 0, "300 \nFINISH.\n", 602},
      {"ThirteenOpenFilesOverEarlierFiles", tinyZones(301), earlierFiles(300) + "ulimit -n 13;", 0, "300 \nFINISH.\n", 602},
  };
  for (const LimitCase &c : cases) {
    if (c.shellSetup.find("ulimit -v") != std::string::npos && !addressLimitPossible)
      continue;
    for (const bool xml : {false, true}) {
      RunResult first;
      for (const int threads : kThreadCounts) {
        std::vector<std::string> arguments = {"--threads", std::to_string(threads), "in.dat", "out"};
        if (xml)
          arguments.insert(arguments.begin(), "--vtu");
        RunRequest request{arguments, "", {}, {}, c.shellSetup};
        if (!c.input.empty())
          request.files["in.dat"] = c.input;
        RunResult run = runZonvert(request);
        run.files.erase("in.dat");
        const std::string label = c.name + (xml ? ", XML, " : ", ") + std::to_string(threads) + " threads";
        if (threads == 1) {
          EXPECT_EQ(run.exitStatus, c.expectedStatus) << label << ": " << run.stdoutText;
          EXPECT_TRUE(run.stdoutText.ends_with(c.expectedEnd)) << label << ": " << run.stdoutText;
          EXPECT_EQ(run.files.size(), c.expectedFiles) << label;
          first = run;
          continue;
        }
        EXPECT_EQ(run.stdoutText, first.stdoutText) << label;
        EXPECT_EQ(run.exitStatus, first.exitStatus) << label;
        EXPECT_TRUE(run.files == first.files) << label << ": " << run.files.size() << " files, not "
                                              << first.files.size();
      }
    }
  }
}

// The memory bound the user guide states, in KiB of address space (what
// ulimit -v counts) for `threads` threads and a largest zone holding
// `zoneBytes`: its values' text (a repeat count n*v as its text and a blank,
// plus 64 bytes per variable it fills) and 5 bytes per element corner; with
// XML files whose zones list their cells, `cellBytes` more per thread, twice:
// those cells at 5 bytes per corner and 9 per cell.
std::uint64_t statedBoundKiB(int threads, std::uint64_t zoneBytes, std::uint64_t cellBytes = 0) {
  const std::uint64_t held = std::max<std::uint64_t>(1024, static_cast<std::uint64_t>(threads + 1) * zoneBytes / 1024);
  return 8 * 1024 + static_cast<std::uint64_t>(threads) * (1536 + 2 * cellBytes / 1024) + 2 * held;
}

// `zones` zones of the bricks of one grid of n x n x n nodes listed as
// elements, as a time series on one mesh; the bytes of a zone's node lines
// and 5 per corner (Z), and its cells at 5 bytes per corner and 9 per cell.
struct ListedCells {
  std::string text;
  std::uint64_t zoneBytes;
  std::uint64_t cellBytes;
};
ListedCells brickZones(int zones, int n) {
  std::string nodes;
  for (int k = 0; k < n; ++k)
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < n; ++i)
        nodes += std::to_string(i) + " " + std::to_string(j) + " " + std::to_string(k) + " 0.5\n";
  std::string elements;
  const auto id = [n](int i, int j, int k) { return std::to_string(1 + i + n * (j + n * k)); };
  for (int k = 0; k + 1 < n; ++k)
    for (int j = 0; j + 1 < n; ++j)
      for (int i = 0; i + 1 < n; ++i)
        elements += id(i, j, k) + " " + id(i + 1, j, k) + " " + id(i + 1, j + 1, k) + " " + id(i, j + 1, k) + " " +
                    id(i, j, k + 1) + " " + id(i + 1, j, k + 1) + " " + id(i + 1, j + 1, k + 1) + " " +
                    id(i, j + 1, k + 1) + "\n";
  const std::uint64_t cells = static_cast<std::uint64_t>(n - 1) * (n - 1) * (n - 1);
  std::string text = kVars;
  for (int zone = 0; zone < zones; ++zone)
    text += "ZONE N=" + std::to_string(n * n * n) + ", E=" + std::to_string(cells) + ", F=FEPOINT, ET=BRICK\n" +
            nodes + elements;
  return {text, nodes.size() + 5 * 8 * cells, (5 * 8 + 9) * cells};
}

// An ordered zone of n x n x n nodes, and the bytes of its value text.
std::pair<std::string, std::uint64_t> orderedCube(int n) {
  std::string text = kVars + "ZONE I=" + std::to_string(n) + ", J=" + std::to_string(n) + ", K=" + std::to_string(n) + "\n";
  const std::size_t start = text.size();
  for (int k = 0; k < n; ++k)
    for (int j = 0; j < n; ++j)
      for (int i = 0; i < n; ++i)
        text += std::to_string(i) + " " + std::to_string(j) + " " + std::to_string(k) + " 1.5\n";
  return {text, text.size() - start};
}

TEST(ZonvertLimits, StatedMemoryBoundHolds) {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
  GTEST_SKIP() << "a sanitizer reserves terabytes of address space at start";
#endif
  struct BoundCase {
    std::string name;
    std::string input;
    std::vector<std::string> arguments; // before in.dat
    std::string after;                  // the starting zone, or nothing
    int threads;
    std::uint64_t zoneBytes;
    std::size_t expectedFiles;
    std::uint64_t cellBytes = 0;
  };
  const auto [cube, cubeBytes] = orderedCube(100);
  // Zones of 100 000 nodes, a tenth of the million of a large result file:
  // the bound grows with the zone, so the same property at a tenth.
  const std::string eight = randomNodeZones(8, 100000);
  const std::string tiny = tinyZones(10000);
  const std::uint64_t tinyBytes = 4 * 8 + 4 * 5;
  // The cell arrays each thread keeps of the last zone it wrote.
  const ListedCells bricks = brickZones(8, 40);
  const std::string repeats = kVars + "ZONE I=100, J=100, K=300, DATAPACKING=BLOCK\n3000000*0\n3000000*0\n"
                                      "3000000*0\n3000000*0\n";
  const std::vector<BoundCase> cases = {
      {"TenThousandTinyZones16Threads", tiny, {"--threads", "16"}, "", 16, tinyBytes, 10000},
      {"TenThousandTinyZones64Threads", tiny, {"--threads", "64"}, "", 64, tinyBytes, 10000},
      {"OrderedZoneOfAMillionNodes", cube, {"--threads", "1"}, "", 1, cubeBytes, 1},
      {"OrderedZoneOfAMillionNodesXml", cube, {"--vtu", "--threads", "1"}, "", 1, cubeBytes, 1},
      {"EightZonesOfATenthOfAMillionNodes", eight, {"--threads", "4"}, "", 4, eight.size() / 8, 8},
      {"EightZonesOfListedBricksXml", bricks.text, {"--vtu", "--threads", "4"}, "", 4, bricks.zoneBytes, 8,
       bricks.cellBytes},
      // Read past to the last of 200 000 zones: nothing kept per zone, so
      // the same as a million.
      {"TwoHundredThousandTinyZonesReadPast", tinyZones(200000), {"--threads", "4"}, "199999", 4, tinyBytes, 1},
      // Twelve million values in 40 (point layout, shared: 11) bytes of text.
      {"RepeatCounts", repeats, {"--threads", "1"}, "", 1, 4 * (10 + 64), 1},
      {"RepeatCountsXml", repeats, {"--vtu", "--threads", "1"}, "", 1, 4 * (10 + 64), 1},
      {"RepeatCountInPointLayoutShared",
       kVars + "ZONE I=100, J=100, K=300\n12000000*0\nZONE I=100, J=100, K=300, VARSHARELIST=([1-4]=1)\n",
       {"--threads", "1"}, "", 1, 11 + 4 * 64, 2},
  };
  for (const BoundCase &c : cases) {
    std::vector<std::string> arguments = c.arguments;
    arguments.insert(arguments.end(), {"in.dat", "out"});
    if (!c.after.empty())
      arguments.push_back(c.after);
    const std::uint64_t bound = statedBoundKiB(c.threads, c.zoneBytes, c.cellBytes);
    RunResult run = runZonvert({arguments, "", {{"in.dat", c.input}}, {}, "ulimit -v " + std::to_string(bound) + ";"});
    run.files.erase("in.dat");
    EXPECT_EQ(run.exitStatus, 0) << c.name << " under " << bound << " KiB: " << run.stdoutText.substr(0, 300);
    EXPECT_TRUE(run.stdoutText.ends_with("FINISH.\n")) << c.name;
    EXPECT_EQ(run.files.size(), c.expectedFiles) << c.name;
  }
}

} // namespace
} // namespace zonvert::test
