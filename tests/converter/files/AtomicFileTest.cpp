// Whole-file writing: the permissions a file gets, links written through,
// temporaries that never pass for zone files.
#include "files/AtomicFile.h"
#include "support/FileContents.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace zonvert {
namespace {

using test::readFile;
using test::writeFile;

class AtomicFileTest : public ::testing::Test {
protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "zonvert-atomic-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
  }
  void TearDown() override { fs::remove_all(folder_); }
  std::string path(const std::string &name) const { return (folder_ / name).string(); }
  std::vector<std::string> names() const {
    std::vector<std::string> found;
    for (const auto &entry : fs::directory_iterator(folder_))
      found.push_back(entry.path().filename().string());
    std::sort(found.begin(), found.end());
    return found;
  }

  fs::path folder_;
};

bool writeWhole(const std::string &path, const std::string &text, std::string &reason) {
  AtomicFile file;
  if (!file.create(path, reason))
    return false;
  EXPECT_EQ(write(file.descriptor(), text.data(), text.size()), static_cast<ssize_t>(text.size()));
  return file.commit(reason);
}

unsigned permissionsOf(const std::string &path) {
  struct stat info {};
  EXPECT_EQ(lstat(path.c_str(), &info), 0);
  return info.st_mode & 0777;
}

TEST_F(AtomicFileTest, NewFileGetsTheUmaskPermissionsAndAReplacedFileKeepsItsOwn) {
  const mode_t previous = umask(027);
  std::string reason;
  EXPECT_TRUE(writeWhole(path("new.vtk"), "new", reason)) << reason;
  writeFile(path("old.vtk"), "old");
  chmod(path("old.vtk").c_str(), 0604);
  EXPECT_TRUE(writeWhole(path("old.vtk"), "replaced", reason)) << reason;
  umask(previous);
  EXPECT_EQ(permissionsOf(path("new.vtk")), 0640u);
  EXPECT_EQ(permissionsOf(path("old.vtk")), 0604u);
  EXPECT_EQ(readFile(path("old.vtk")), "replaced");
  EXPECT_EQ(names(), (std::vector<std::string>{"new.vtk", "old.vtk"}));
}

TEST_F(AtomicFileTest, WritesThroughAChainOfLinksAndLeavesTheLinks) {
  fs::create_directory(folder_ / "sub");
  writeFile(path("sub/target.vtk"), "old");
  fs::create_symlink("sub/target.vtk", folder_ / "first");
  fs::create_symlink("first", folder_ / "second");
  std::string reason;
  EXPECT_TRUE(writeWhole(path("second"), "new", reason)) << reason;
  EXPECT_EQ(readFile(path("sub/target.vtk")), "new");
  EXPECT_EQ(fs::read_symlink(folder_ / "second"), "first");
  EXPECT_EQ(fs::read_symlink(folder_ / "first"), "sub/target.vtk");
}

TEST_F(AtomicFileTest, UncommittedFileLeavesTheOldFileAndNoTemporary) {
  writeFile(path("out0.vtk"), "old");
  {
    AtomicFile file;
    std::string reason;
    ASSERT_TRUE(file.create(path("out0.vtk"), reason)) << reason;
    ASSERT_EQ(write(file.descriptor(), "cut", 3), 3);
    const std::vector<std::string> during = names();
    ASSERT_EQ(during.size(), 2u);
    EXPECT_TRUE(during[1].starts_with("out0.vtk.zonvert-") && during[1].ends_with(".tmp")) << during[1];
  }
  EXPECT_EQ(names(), std::vector<std::string>{"out0.vtk"});
  EXPECT_EQ(readFile(path("out0.vtk")), "old");
}

TEST(AtomicFile, TemporaryNamesEndInTmpAndFitAFolderEntry) {
  EXPECT_EQ(AtomicFile::temporaryName("run/out0.vtk", "abcdefgh"), "run/out0.vtk.zonvert-abcdefgh.tmp");
  const std::string longName = AtomicFile::temporaryName("run/" + std::string(255, 'x'), "abcdefgh");
  EXPECT_EQ(longName.size(), 4u + 255u);
  EXPECT_TRUE(longName.ends_with("xx.zonvert-abcdefgh.tmp"));
}

} // namespace
} // namespace zonvert
