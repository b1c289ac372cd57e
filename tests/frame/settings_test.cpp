// The settings file: its syntax, and that it is found beside the host
// program's executable only.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "settings.h"

namespace kvn {
namespace {

namespace fs = std::filesystem;

std::string Value(std::string_view text) {
  return FindProfileValue(text, kSettingsSection, kCheckDeviceCmdKey).data();
}

// The product's own file: 43 bytes, CR LF after the section line, no line end at the end.
constexpr std::string_view kProductFile = "[Settings]\r\nCheckDeviceCmd=5C13E07B22D9A46F";

TEST(ProfileValue, ReadsTheProductsFile) {
  ASSERT_EQ(kProductFile.size(), 43u);
  EXPECT_EQ(Value(kProductFile), "5C13E07B22D9A46F");
}

TEST(ProfileValue, MissingSectionOrKeyGivesEmpty) {
  EXPECT_EQ(Value(""), "");
  EXPECT_EQ(Value("CheckDeviceCmd=00"), "");  // no section at all
  EXPECT_EQ(Value("[Other]\nCheckDeviceCmd=00\n"), "");
  EXPECT_EQ(Value("[Settings]\nCheckDevice=00\nCheckDeviceCmdX=11\n"), "");
  EXPECT_EQ(Value("[Settings]\nCheckDeviceCmd\n"), "");
}

TEST(ProfileValue, SectionAndKeyIgnoreCaseAndBlanks) {
  EXPECT_EQ(Value("[settings]\ncheckdevicecmd=AB\n"), "AB");
  EXPECT_EQ(Value("  [ SETTINGS ]  \n\t CheckDeviceCmd \t=  0011223344556677  \n"), "0011223344556677");
}

TEST(ProfileValue, LineEndsOfEveryKind) {
  EXPECT_EQ(Value("[Settings]\rCheckDeviceCmd=AA\r"), "AA");
  EXPECT_EQ(Value("[Settings]\r\n\r\nCheckDeviceCmd=BB\r\n"), "BB");
  EXPECT_EQ(Value("\xEF\xBB\xBF[Settings]\nCheckDeviceCmd=CC"), "CC");
}

TEST(ProfileValue, OnlyTheKeyOfTheFirstMatchingSectionCounts) {
  EXPECT_EQ(Value("[Other]\nCheckDeviceCmd=11\n[Settings]\nCheckDeviceCmd=22\n[Third]\nCheckDeviceCmd=33\n"),
            "22");
  EXPECT_EQ(Value("[Settings]\nCheckDeviceCmd=first\nCheckDeviceCmd=second\n"), "first");
  EXPECT_EQ(Value("[Settings]\nKey=1\n[Other]\n[Settings]\nCheckDeviceCmd=late\n"), "");
}

TEST(ProfileValue, CommentsQuotesAndEqualsSignsInTheValue) {
  EXPECT_EQ(Value("[Settings]\n;CheckDeviceCmd=11\nCheckDeviceCmd=22\n"), "22");
  EXPECT_EQ(Value("[Settings]\nCheckDeviceCmd=\" padded \"\n"), " padded ");
  EXPECT_EQ(Value("[Settings]\nCheckDeviceCmd='x'\n"), "x");
  EXPECT_EQ(Value("[Settings]\nCheckDeviceCmd=\"unclosed\n"), "\"unclosed");
  EXPECT_EQ(Value("[Settings]\nCheckDeviceCmd=a=b\n"), "a=b");
  EXPECT_EQ(Value("[Settings]\nCheckDeviceCmd=\n"), "");
}

TEST(ProfileValue, ValueIsCutTo259Characters) {
  const std::string text = "[Settings]\nCheckDeviceCmd=" + std::string(1000, '7') + "\n";
  EXPECT_EQ(Value(text), std::string(259, '7'));
  // A cut never splits a UTF-8 character.
  const std::string utf8 = "[Settings]\nCheckDeviceCmd=" + std::string(258, 'a') + "\xC3\xA9" + "\n";
  EXPECT_EQ(Value(utf8), std::string(258, 'a'));
}

class SettingsFile : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/kvn-settings-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Write(const fs::path &path, std::string_view content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
  }

  // Runs a copy of the probe program from folder; its output line.
  std::string RunProbeFrom(const fs::path &folder) {
    const fs::path probe = folder / "probe";
    fs::copy_file(KVN_SETTINGS_PROBE, probe, fs::copy_options::overwrite_existing);
    std::FILE *pipe = popen(probe.c_str(), "r");
    if (pipe == nullptr) return "<no pipe>";
    char line[512] = {};
    if (std::fgets(line, sizeof line, pipe) == nullptr) line[0] = '\0';
    pclose(pipe);
    std::string out = line;
    if (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
  }

  fs::path dir_;
};

TEST_F(SettingsFile, ReadsAFileAtAGivenPath) {
  Write(dir_ / "KvnHidLib.ini", kProductFile);
  EXPECT_STREQ(ReadLibrarySettingsFrom((dir_ / "KvnHidLib.ini").c_str()).data(), "5C13E07B22D9A46F");
}

TEST_F(SettingsFile, MissingUnreadableOrHugeFileGivesEmpty) {
  EXPECT_STREQ(ReadLibrarySettingsFrom((dir_ / "none.ini").c_str()).data(), "");
  EXPECT_STREQ(ReadLibrarySettingsFrom(dir_.c_str()).data(), "");  // a folder
  EXPECT_STREQ(ReadLibrarySettingsFrom(nullptr).data(), "");
  EXPECT_STREQ(ReadLibrarySettingsFrom("").data(), "");
  std::string huge = std::string(kProductFile) + "\n";
  huge.resize(kMaxSettingsFileBytes + 1, ' ');
  Write(dir_ / "huge.ini", huge);
  EXPECT_STREQ(ReadLibrarySettingsFrom((dir_ / "huge.ini").c_str()).data(), "");
}

TEST_F(SettingsFile, PathIsTheExecutablesFolder) {
  const fs::path exe = fs::read_symlink("/proc/self/exe");
  EXPECT_EQ(fs::path(SettingsFilePath()), exe.parent_path() / "KvnHidLib.ini");
}

TEST_F(SettingsFile, HostProgramFindsTheFileBesideItself) {
  EXPECT_EQ(RunProbeFrom(dir_), "[]");
  Write(dir_ / "KvnHidLib.ini", kProductFile);
  EXPECT_EQ(RunProbeFrom(dir_), "[5C13E07B22D9A46F]");
  // A change shows at the next read.
  Write(dir_ / "KvnHidLib.ini", "[Settings]\nCheckDeviceCmd=0102030405060708\n");
  EXPECT_EQ(RunProbeFrom(dir_), "[0102030405060708]");
}

TEST_F(SettingsFile, FileInAnotherFolderIsNotFound) {
  fs::create_directory(dir_ / "host");
  fs::create_directory(dir_ / "lib");
  Write(dir_ / "lib" / "KvnHidLib.ini", kProductFile);
  Write(dir_ / "KvnHidLib.ini", kProductFile);
  EXPECT_EQ(RunProbeFrom(dir_ / "host"), "[]");
}

}  // namespace
}  // namespace kvn
