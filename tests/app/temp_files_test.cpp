// The temporary folder and its files: where the per-user data folder is,
// the firmware file written (and replaced) from the resource, the resource
// messages, and the deletions.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "temp_files.h"
#include "test_support.h"

namespace kvn::app {
namespace {

// Sets (or, with nullopt, removes) an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char *name, std::optional<std::string> value) : name_(name) {
    if (const char *old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value->c_str(), 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char *name_;
  std::optional<std::string> old_;
};

TEST(AppDataFolder, FollowsXdgDataHomeElseTheHomeFolder) {
  TempFolder home("home");
  ScopedEnv homeVar("HOME", home.Path());
  {
    ScopedEnv data("XDG_DATA_HOME", home.Path() + "/data");
    EXPECT_EQ(GetAppDataFolder(), home.Path() + "/data");
  }
  {
    ScopedEnv data("XDG_DATA_HOME", std::nullopt);
    EXPECT_EQ(GetAppDataFolder(), home.Path() + "/.local/share");
  }
  {
    // A relative value does not count.
    ScopedEnv data("XDG_DATA_HOME", "relative/data");
    EXPECT_EQ(GetAppDataFolder(), home.Path() + "/.local/share");
  }
  {
    ScopedEnv data("XDG_DATA_HOME", "");
    EXPECT_EQ(GetAppDataFolder(), home.Path() + "/.local/share");
  }
}

class TempFilesTest : public ::testing::Test {
 protected:
  TempFilesTest() : home_("temp-files"), dataHome_(home_.Path() + "/fresh/share") {}

  TempFiles Files(const FirmwareSource &firmware) {
    return TempFiles([this] { return dataHome_; }, firmware, sink_);
  }
  std::string Folder() const { return dataHome_ + "/isptemp"; }

  TempFolder home_;
  std::string dataHome_;
  RecordingSink sink_;
};

TEST_F(TempFilesTest, PathsAreBuiltAfreshFromTheDataFolder) {
  MemoryFirmware firmware("x");
  TempFiles files = Files(firmware);
  EXPECT_EQ(files.FirmwarePath(), Folder() + "/temp.hex");
  EXPECT_EQ(files.LibraryCopyPath(), Folder() + "/libKvnHidLib.so");
  dataHome_ = home_.Path() + "/moved";
  EXPECT_EQ(files.FirmwarePath(), home_.Path() + "/moved/isptemp/temp.hex");
}

TEST_F(TempFilesTest, PreparationCreatesTheFolderAndWritesTheResourceBytes) {
  const std::string image = ":0400000001020304F2\r\n:00000001FF\r\n";
  MemoryFirmware firmware(image);
  TempFiles files = Files(firmware);
  ASSERT_TRUE(files.PrepareUpgradeFiles());
  EXPECT_EQ(ReadFile(files.FirmwarePath()), image);  // byte for byte, CR LF kept
  // An existing folder is reused without complaint.
  EXPECT_TRUE(files.PrepareUpgradeFiles());
  EXPECT_TRUE(sink_.notices.empty());
}

TEST_F(TempFilesTest, EarlierFirmwareFileIsReplacedNotAppendedTo) {
  MemoryFirmware firmware("new image");
  TempFiles files = Files(firmware);
  std::filesystem::create_directories(Folder());
  WriteFile(files.FirmwarePath(), std::string(4096, 'O') + "ld image from an earlier run");
  ASSERT_TRUE(files.PrepareUpgradeFiles());
  EXPECT_EQ(ReadFile(files.FirmwarePath()), "new image");
}

TEST_F(TempFilesTest, ResourceFailuresShowTheirMessageAndWriteNothing) {
  const std::pair<MemoryFirmware, const char *> cases[] = {
      {MemoryFirmware("x", ResourceStatus::NotFound), "查找资源失败"},
      {MemoryFirmware("x", ResourceStatus::NotLoaded), "加载资源失败"},
      {MemoryFirmware("x", ResourceStatus::Empty), "获取资源失败"},
      {MemoryFirmware(""), "获取资源失败"},  // found, but without a byte
  };
  for (const auto &[firmware, message] : cases) {
    sink_.notices.clear();
    TempFiles files = Files(firmware);
    EXPECT_FALSE(files.PrepareUpgradeFiles()) << message;
    EXPECT_EQ(sink_.notices, (std::vector<RecordingSink::Message>{{message, "警告"}}));
    EXPECT_FALSE(FileExists(files.FirmwarePath())) << message;
  }
}

TEST_F(TempFilesTest, UncreatableFirmwareFileFailsQuietly) {
  MemoryFirmware firmware("image");
  TempFiles files = Files(firmware);
  std::filesystem::create_directories(files.FirmwarePath());  // a folder in its place
  EXPECT_FALSE(files.PrepareUpgradeFiles());
  EXPECT_TRUE(sink_.notices.empty());
}

TEST_F(TempFilesTest, LinkAtTheFirmwarePathIsNeverWrittenThrough) {
  MemoryFirmware firmware("image");
  TempFiles files = Files(firmware);
  std::filesystem::create_directories(Folder());
  const std::string victim = home_.Path() + "/victim";
  WriteFile(victim, "keep me");
  ASSERT_EQ(symlink(victim.c_str(), files.FirmwarePath().c_str()), 0);
  files.PrepareUpgradeFiles();
  EXPECT_EQ(ReadFile(victim), "keep me");
}

TEST_F(TempFilesTest, DeletionsRemoveFilesAndIgnoreTheRest) {
  MemoryFirmware firmware("image");
  TempFiles files = Files(firmware);
  files.DeleteLibraryCopy();  // nothing there yet, not even the folder
  files.DeleteFirmwareFile();

  ASSERT_TRUE(files.PrepareUpgradeFiles());
  WriteFile(files.LibraryCopyPath(), "planted library");
  files.DeleteLibraryCopy();
  EXPECT_FALSE(FileExists(files.LibraryCopyPath()));
  files.DeleteFirmwareFile();
  EXPECT_FALSE(FileExists(files.FirmwarePath()));

  // A folder at the library-copy path is left alone.
  std::filesystem::create_directories(files.LibraryCopyPath());
  files.DeleteLibraryCopy();
  EXPECT_TRUE(std::filesystem::is_directory(files.LibraryCopyPath()));
}

}  // namespace
}  // namespace kvn::app
