// IspClient: the application's only door to the ISP library. It loads the
// library at run time, binds the 16 entry points it uses by name, runs the
// call sequence of one upgrade attempt and reports how far the library's job
// has got.
//
// Threads: StartUpgrade runs on the upgrade worker, PollProgress on the
// window thread from the progress timer. The workflow never runs them at the
// same time (the timer starts only after StartUpgrade returned true).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "kvn_isp.h"
#include "message_sink.h"

namespace kvn::app {

// The five values of one attempt.
struct UpgradeRequest {
  std::string firmwarePath;
  std::string chipName;
  int32_t vendorId = 0;
  int32_t productId = 0;
  std::string libraryPath;  // second place the library is loaded from
};

// The entry points of the library that the application uses, in the order
// they are looked up.
struct IspEntryPoints {
  decltype(&KvnISP_SetDevNum) setDevNum = nullptr;
  decltype(&KvnISP_GetISPProcessPos) getIspProcessPos = nullptr;
  decltype(&KvnISP_SetPassword) setPassword = nullptr;
  decltype(&KvnISP_SetChipName) setChipName = nullptr;
  decltype(&KvnISP_SetVendorID) setVendorId = nullptr;
  decltype(&KvnISP_SetProductID) setProductId = nullptr;
  decltype(&KvnISP_LoadVrelFileData) loadVrelFileData = nullptr;
  decltype(&KvnISP_LoadBuffer) loadBuffer = nullptr;
  decltype(&KvnISP_StartISP) startIsp = nullptr;
  decltype(&KvnISP_GetLastErrorCode) getLastErrorCode = nullptr;
  decltype(&KvnISP_IsWorkFinished) isWorkFinished = nullptr;
  decltype(&KvnISP_SetXtalEnable) setXtalEnable = nullptr;
  decltype(&KvnISP_GetVrelCheckSum) getVrelCheckSum = nullptr;
  decltype(&KvnISP_GetChipSeries) getChipSeries = nullptr;
  decltype(&KvnISP_LoadHexFileData) loadHexFileData = nullptr;
  decltype(&KvnISP_SetResetFlag) setResetFlag = nullptr;
};

// The names bound, in binding order.
inline constexpr int kIspEntryPointCount = 16;
extern const char *const kIspEntryPointNames[kIspEntryPointCount];

// Chip series whose images come as Intel HEX; every other series takes the
// 8-bit image file ("Vrel file") branch.
bool SeriesTakesIntelHex(int32_t series);

// The places the application looks for the library before the library-copy
// path: beside the executable, then the dynamic loader's own search.
std::vector<std::string> StandardLibraryPlaces();

// Largest 8-bit image file the client reads into memory.
inline constexpr long kMaxVrelFileBytes = 4L * 1024 * 1024;

// The start of an attempt, as the upgrade worker sees it.
class UpgradeStarter {
 public:
  virtual ~UpgradeStarter() = default;
  virtual bool StartUpgrade(const UpgradeRequest &request) = 0;
};

class IspClient : public UpgradeStarter {
 public:
  // standardPlaces: where the library is looked for before the request's
  // library path, in order (the application: the file beside the executable,
  // then the plain file name through the dynamic loader's search).
  // messages: where "Can't load ..." goes; it is also the target of the
  // library's own user messages while the library is loaded.
  IspClient(std::vector<std::string> standardPlaces, MessageSink &messages);
  ~IspClient() override;
  IspClient(const IspClient &) = delete;
  IspClient &operator=(const IspClient &) = delete;

  // One attempt; true when the library's job runs.
  bool StartUpgrade(const UpgradeRequest &request) override;
  // 0 before a started job; 0..99 while it runs; 100 finished without
  // error; -1 finished with an error.
  int32_t PollProgress();

  bool LibraryLoaded() const { return libraryHandle_ != nullptr; }
  const std::string &HexPath() const { return hexPath_; }

 private:
  void BindLibrary();
  bool LoadVrelImage();

  std::string hexPath_;
  void *libraryHandle_ = nullptr;
  std::string libraryPath_;
  std::atomic<bool> started_{false};

  std::vector<std::string> standardPlaces_;
  MessageSink &messages_;
  IspEntryPoints entry_;
  decltype(&KvnISP_SetMessageHandler) setMessageHandler_ = nullptr;
};

}  // namespace kvn::app
