// IspClient against the scripted library: the call sequence of an attempt
// with its fixed values, the branch chosen by the chip series, every
// refusal, the progress poll, and where (and how often) the library is
// loaded.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "fake_isp_library.h"
#include "isp_client.h"
#include "test_support.h"

namespace kvn::app {
namespace {

// One loaded copy of the scripted library, reached through its control
// exports. The client's dlopen of the same file gets the same instance.
class ScriptedLibrary {
 public:
  explicit ScriptedLibrary(const char *path) : path_(path) {
    handle_ = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) throw std::runtime_error(dlerror());
    reset_ = reinterpret_cast<FakeIspResetFn>(dlsym(handle_, "FakeIsp_Reset"));
    setScript_ = reinterpret_cast<FakeIspSetScriptFn>(dlsym(handle_, "FakeIsp_SetScript"));
    callLog_ = reinterpret_cast<FakeIspCallLogFn>(dlsym(handle_, "FakeIsp_CallLog"));
    reset_();
  }
  ~ScriptedLibrary() { dlclose(handle_); }

  const std::string &Path() const { return path_; }
  void Set(const FakeIspScript &script) { setScript_(&script); }
  std::string Log() const { return callLog_(); }
  // Forgets the calls and sets the default script again.
  void ClearLog() { reset_(); }

 private:
  std::string path_;
  void *handle_ = nullptr;
  FakeIspResetFn reset_ = nullptr;
  FakeIspSetScriptFn setScript_ = nullptr;
  FakeIspCallLogFn callLog_ = nullptr;
};

std::string HexPrelude(const std::string &vid, const std::string &pid) {
  return "SetPassword(20461379)\n"
         "SetChipName(Tolv-01)\n"
         "GetChipSeries(Tolv-01)\n"
         "SetVendorID(" + vid + ")\n"
         "SetProductID(" + pid + ")\n"
         "SetResetFlag(1)\n";
}

class IspClientTest : public ::testing::Test {
 protected:
  IspClientTest()
      : library_(FAKE_ISP_LIBRARY), folder_("isp-client"), firmware_(folder_.Path() + "/temp.hex") {
    std::ofstream(firmware_) << "firmware";
  }

  // A client that finds the scripted library only through the request's
  // library path.
  IspClient NewClient(std::vector<std::string> places = {}) { return IspClient(std::move(places), sink_); }

  UpgradeRequest Request(std::string libraryPath = FAKE_ISP_LIBRARY) const {
    return UpgradeRequest{firmware_, "Tolv-01", 0x1209, 0x0047, std::move(libraryPath)};
  }

  // Starts a job through a default script, then clears the log.
  void StartJob(IspClient &client) {
    ASSERT_TRUE(client.StartUpgrade(Request()));
    library_.ClearLog();
  }

  ScriptedLibrary library_;
  TempFolder folder_;
  std::string firmware_;
  RecordingSink sink_;
};

TEST_F(IspClientTest, AttemptPassesTheFixedValuesInOrderAndStartsTheJob) {
  IspClient client = NewClient();
  EXPECT_TRUE(client.StartUpgrade(Request()));
  EXPECT_EQ(library_.Log(), HexPrelude("0x1209", "0x0047") +
                                "LoadHexFileData(" + firmware_ + ")\n"
                                "SetDevNum(1)\n"
                                "SetXtalEnable(0)\n"
                                "StartISP()\n");
  EXPECT_EQ(client.HexPath(), firmware_);
  EXPECT_TRUE(sink_.notices.empty());
}

TEST_F(IspClientTest, ChipSeriesChoosesTheImageKind) {
  IspClient client = NewClient();
  const std::pair<int32_t, bool> cases[] = {{9, true},   {10, true},  {11, true}, {13, true},
                                            {14, true},  {16, true},  {18, true}, {0, false},
                                            {8, false},  {12, false}, {15, false}, {17, false},
                                            {19, false}, {-1, false}};
  for (const auto &[series, intelHex] : cases) {
    FakeIspScript script;
    script.chipSeries = series;
    library_.ClearLog();
    library_.Set(script);
    EXPECT_TRUE(client.StartUpgrade(Request())) << "series " << series;
    const std::string log = library_.Log();
    EXPECT_EQ(log.find("LoadHexFileData(") != std::string::npos, intelHex) << "series " << series;
    EXPECT_EQ(log.find("LoadVrelFileData(") != std::string::npos, !intelHex) << "series " << series;
  }
}

TEST_F(IspClientTest, VrelBranchHandsTheWholeFileToTheLibraryAgain) {
  std::ofstream(firmware_, std::ios::trunc) << "VREL\x01\x02 image bytes";
  FakeIspScript script;
  script.chipSeries = 17;
  library_.Set(script);
  IspClient client = NewClient();
  EXPECT_TRUE(client.StartUpgrade(Request()));
  EXPECT_EQ(library_.Log(), HexPrelude("0x1209", "0x0047") +
                                "LoadVrelFileData(" + firmware_ + ")\n"
                                "LoadBuffer(18,VREL\x01\x02 image bytes)\n"
                                "SetDevNum(1)\n"
                                "SetXtalEnable(0)\n"
                                "StartISP()\n");
}

TEST_F(IspClientTest, VrelBranchStopsAtEachRefusal) {
  IspClient client = NewClient();
  FakeIspScript script;
  script.chipSeries = 17;

  script.loadVrel = 0;
  library_.Set(script);
  EXPECT_FALSE(client.StartUpgrade(Request()));
  EXPECT_TRUE(library_.Log().ends_with("LoadVrelFileData(" + firmware_ + ")\n"));

  // The library took the file, but it cannot be read any more.
  script.loadVrel = 1;
  library_.ClearLog();
  library_.Set(script);
  UpgradeRequest gone = Request();
  gone.firmwarePath = folder_.Path() + "/missing.vrel";
  EXPECT_FALSE(client.StartUpgrade(gone));
  EXPECT_TRUE(library_.Log().ends_with("LoadVrelFileData(" + gone.firmwarePath + ")\n"));

  script.loadBuffer = 0;
  library_.ClearLog();
  library_.Set(script);
  EXPECT_FALSE(client.StartUpgrade(Request()));
  EXPECT_TRUE(library_.Log().ends_with("LoadBuffer(8,firmware)\n"));
  EXPECT_EQ(client.PollProgress(), 0);
}

TEST_F(IspClientTest, RefusedHexLoadStillReachesTheStart) {
  FakeIspScript script;
  script.loadHex = 0;
  library_.Set(script);
  IspClient client = NewClient();
  EXPECT_TRUE(client.StartUpgrade(Request()));
  EXPECT_TRUE(library_.Log().ends_with("StartISP()\n"));

  // Whether a job runs is the start's answer alone.
  script.startCode = 31;
  library_.ClearLog();
  library_.Set(script);
  EXPECT_FALSE(client.StartUpgrade(Request()));
}

TEST_F(IspClientTest, RefusedSetUpStopsAtOnce) {
  IspClient client = NewClient();
  const std::pair<uint8_t FakeIspScript::*, const char *> refusals[] = {
      {&FakeIspScript::setPassword, "SetPassword(20461379)\n"},
      {&FakeIspScript::setChipName, "SetChipName(Tolv-01)\n"},
      {&FakeIspScript::setVendorId, "SetVendorID(0x1209)\n"},
      {&FakeIspScript::setProductId, "SetProductID(0x0047)\n"},
  };
  for (const auto &[answer, lastCall] : refusals) {
    FakeIspScript script;
    script.*answer = 0;
    library_.ClearLog();
    library_.Set(script);
    EXPECT_FALSE(client.StartUpgrade(Request())) << lastCall;
    EXPECT_TRUE(library_.Log().ends_with(lastCall)) << library_.Log();
    EXPECT_EQ(client.PollProgress(), 0);
  }
}

TEST_F(IspClientTest, StartCodeCountsOnlyItsLowHalf) {
  IspClient client = NewClient();
  FakeIspScript script;
  script.startCode = 0x00070000;
  library_.Set(script);
  EXPECT_TRUE(client.StartUpgrade(Request()));

  script.startCode = 0x00010005;
  library_.Set(script);
  EXPECT_FALSE(client.StartUpgrade(Request()));
  // The refused start leaves nothing to poll, even though one ran before.
  library_.ClearLog();
  EXPECT_EQ(client.PollProgress(), 0);
  EXPECT_EQ(library_.Log(), "");
}

TEST_F(IspClientTest, EmptyChipNameOrFirmwarePathCallsNothing) {
  IspClient client = NewClient();
  UpgradeRequest noChip = Request();
  noChip.chipName.clear();
  EXPECT_FALSE(client.StartUpgrade(noChip));
  UpgradeRequest noFile = Request();
  noFile.firmwarePath.clear();
  EXPECT_FALSE(client.StartUpgrade(noFile));
  EXPECT_TRUE(client.LibraryLoaded());
  EXPECT_EQ(library_.Log(), "");
}

TEST_F(IspClientTest, PollBeforeAnyStartCallsNothing) {
  IspClient client = NewClient();
  EXPECT_EQ(client.PollProgress(), 0);
  EXPECT_EQ(library_.Log(), "");
}

TEST_F(IspClientTest, PollReportsTheRunningJob) {
  IspClient client = NewClient();
  StartJob(client);
  FakeIspScript script;
  const std::pair<int32_t, int32_t> running[] = {{0, 0}, {40, 40}, {99, 99}, {100, 99}, {250, 99}, {-3, -3}};
  for (const auto &[position, expected] : running) {
    script.processPos = position;
    library_.Set(script);
    EXPECT_EQ(client.PollProgress(), expected) << "position " << position;
  }
  library_.ClearLog();
  library_.Set(script);
  client.PollProgress();
  EXPECT_EQ(library_.Log(), "GetISPProcessPos()\nIsWorkFinished()\n");
}

TEST_F(IspClientTest, PollReportsTheFinishedJob) {
  IspClient client = NewClient();
  StartJob(client);
  FakeIspScript script;
  script.workFinished = 1;
  script.processPos = 100;
  library_.Set(script);
  EXPECT_EQ(client.PollProgress(), 100);
  EXPECT_EQ(client.PollProgress(), 100);  // the same answer again
  EXPECT_EQ(library_.Log(), "GetISPProcessPos()\nIsWorkFinished()\nGetLastErrorCode()\n"
                            "GetISPProcessPos()\nIsWorkFinished()\nGetLastErrorCode()\n");

  // Any code, a warning among them, is a failed job.
  for (uint16_t code : {7, 24, 40, 0xFFFF}) {
    script.lastError = code;
    script.processPos = 37;
    library_.Set(script);
    EXPECT_EQ(client.PollProgress(), -1) << "code " << code;
  }
}

TEST_F(IspClientTest, LibraryIsBoundOncePerClient) {
  ScriptedLibrary other(FAKE_ISP_LIBRARY_OTHER);
  IspClient client = NewClient();
  ASSERT_TRUE(client.StartUpgrade(Request(library_.Path())));
  library_.ClearLog();
  EXPECT_TRUE(client.StartUpgrade(Request(other.Path())));
  EXPECT_TRUE(library_.Log().ends_with("StartISP()\n"));
  EXPECT_EQ(other.Log(), "");
}

TEST_F(IspClientTest, StandardPlacesComeBeforeTheLibraryPath) {
  ScriptedLibrary other(FAKE_ISP_LIBRARY_OTHER);
  {
    IspClient client = NewClient({folder_.Path() + "/absent.so", other.Path()});
    EXPECT_TRUE(client.StartUpgrade(Request(library_.Path())));
    EXPECT_TRUE(other.Log().ends_with("StartISP()\n"));
    EXPECT_EQ(library_.Log(), "");
  }
  IspClient fallback = NewClient({folder_.Path() + "/absent.so"});
  EXPECT_TRUE(fallback.StartUpgrade(Request(library_.Path())));
  EXPECT_TRUE(library_.Log().ends_with("StartISP()\n"));
}

TEST_F(IspClientTest, LibraryInNeitherPlaceWarnsAtEveryAttempt) {
  IspClient client = NewClient({folder_.Path() + "/absent.so"});
  const UpgradeRequest request = Request(folder_.Path() + "/also-absent.so");
  EXPECT_FALSE(client.StartUpgrade(request));
  EXPECT_FALSE(client.StartUpgrade(request));
  EXPECT_FALSE(client.LibraryLoaded());
  const RecordingSink::Message expected{"Can't load libKvnHidLib.so", "Warning"};
  EXPECT_EQ(sink_.notices, (std::vector<RecordingSink::Message>{expected, expected}));
  EXPECT_EQ(client.PollProgress(), 0);
}

TEST_F(IspClientTest, LibraryLackingAnEntryPointIsRefused) {
  ScriptedLibrary incomplete(FAKE_ISP_LIBRARY_INCOMPLETE);
  IspClient client = NewClient({incomplete.Path()});
  EXPECT_FALSE(client.StartUpgrade(Request()));
  EXPECT_FALSE(client.LibraryLoaded());
  ASSERT_EQ(sink_.notices.size(), 1u);
  EXPECT_NE(sink_.notices[0].text.find("KvnISP_SetResetFlag"), std::string::npos) << sink_.notices[0].text;
  EXPECT_EQ(sink_.notices[0].caption, "Warning");
  // None of the names that were found is called.
  EXPECT_EQ(incomplete.Log(), "");
  EXPECT_EQ(client.PollProgress(), 0);
}

}  // namespace
}  // namespace kvn::app
