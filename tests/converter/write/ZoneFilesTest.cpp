#include "base/ConversionFailure.h"
#include "write/VtkWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace zonvert {
namespace {

ZoneRecord oneNodeZone() {
  ZoneRecord zone;
  zone.variableNames = {"X", "C"};
  zone.nodeCount = 1;
  zone.nodeValues.reset(1, 2, NodeValueTable::Order::ByNode);
  zone.nodeValues.appendValues("1.5 2.5");
  zone.nodeValues.finish();
  return zone;
}

TEST(VtkWriter, FailedWriteToADeviceReportsFailureAndLeavesTheDevice) {
  // Every write to /dev/full fails as on a full disk. The writer must report
  // it, and must not remove what is not a regular file.
  ASSERT_TRUE(std::filesystem::exists("/dev/full"));
  EXPECT_FALSE(writeVTKFile("/dev/full", oneNodeZone()));
  EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
}

TEST(VtkWriter, ZoneThatCannotBeWrittenWholeIsRefusedBeforeTheFileExists) {
  // A folder of this run's own, so that runs at the same time never meet.
  std::string folder = (std::filesystem::temp_directory_path() / "zonvert-writer-XXXXXX").string();
  ASSERT_NE(mkdtemp(folder.data()), nullptr);
  const auto path = std::filesystem::path(folder) / "refused.vtk";
  ZoneRecord zone = oneNodeZone();
  zone.variableNames.push_back("D"); // the node holds no value for it
  try {
    writeVTKFile(path.string(), zone);
    ADD_FAILURE() << "short node accepted";
  } catch (const ConversionFailure &failure) {
    EXPECT_EQ(failure.message, "ERROR IN ZONE 0: 2 VALUES FOR 1 NODES, 3 NEEDED FOR EACH\n");
  }
  EXPECT_FALSE(std::filesystem::exists(path));
  std::filesystem::remove_all(folder);
}

} // namespace
} // namespace zonvert
