// A zone file that cannot be written: nothing passes for a written file, and
// nothing that is not a file of this run is removed.
#include "base/ConversionFailure.h"
#include "write/ZoneFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string_view>

namespace zonvert {
namespace {

ZoneRecord oneNodeZone() {
  ZoneRecord zone;
  zone.variableNames = {"X", "C"};
  zone.nodeCount = 1;
  zone.nodeValues.reset(1, 2, NodeValueTable::Order::ByNode);
  for (const std::string_view value : {"1.5", "2.5"}) {
    char *const to = zone.nodeValues.valueRoom(value.size());
    value.copy(to, value.size());
    zone.nodeValues.valueAdded({to, value.size()}, false);
  }
  return zone;
}

TEST(ZoneFiles, FailedWriteToADeviceReportsFailureAndLeavesTheDevice) {
  // Every write to /dev/full fails as on a full disk. The writer must report
  // it, and must not remove what is not a regular file.
  ASSERT_TRUE(std::filesystem::exists("/dev/full"));
  AtomicFile file;
  WriteReport report;
  ZoneWriterMemory memory(VtuCompression::Zlib);
  EXPECT_FALSE(writeZoneFile(file, "/dev/full", oneNodeZone(), ZoneFormat::LegacyVtk, report, memory));
  EXPECT_FALSE(report.failureReason.empty());
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
}

TEST(ZoneFiles, ZoneThatCannotBeWrittenWholeIsRefusedBeforeTheFileExists) {
  // A folder of this run's own, so that runs at the same time never meet.
  std::string folder = (std::filesystem::temp_directory_path() / "zonvert-writer-XXXXXX").string();
  ASSERT_NE(mkdtemp(folder.data()), nullptr);
  const auto path = std::filesystem::path(folder) / "refused.vtk";
  ZoneRecord zone = oneNodeZone();
  zone.variableNames.push_back("D"); // the node holds no value for it
  try {
    AtomicFile file;
    WriteReport report;
    ZoneWriterMemory memory(VtuCompression::Zlib);
    writeZoneFile(file, path.string(), zone, ZoneFormat::LegacyVtk, report, memory);
    ADD_FAILURE() << "short node accepted";
  } catch (const ConversionFailure &failure) {
    EXPECT_EQ(failure.message, "ERROR IN ZONE 0: 2 VALUES FOR 1 NODES, 3 NEEDED FOR EACH\n");
  }
  EXPECT_TRUE(std::filesystem::is_empty(folder)) << "neither the file nor a temporary";
  std::filesystem::remove_all(folder);
}

} // namespace
} // namespace zonvert
