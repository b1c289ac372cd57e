#include "isp_client.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <type_traits>
#include <vector>

#include "executable_folder.h"
#include "kvn_product.h"

namespace kvn::app {

namespace {

// Fixed values of every attempt.
constexpr const char *kPassword = KVN_ISP_PASSWORD;
constexpr uint8_t kResetFlag = 1;
constexpr uint32_t kDeviceNumber = 1;
constexpr uint8_t kXtalEnable = 0;

template <auto Member>
void Store(IspEntryPoints &table, void *address) {
  using Pointer = std::remove_reference_t<decltype(table.*Member)>;
  table.*Member = reinterpret_cast<Pointer>(address);
}

struct EntryBinding {
  const char *name;
  void (*store)(IspEntryPoints &, void *);
};

// Binding order of the entry points.
constexpr EntryBinding kBindings[kIspEntryPointCount] = {
    {"KvnISP_SetDevNum", &Store<&IspEntryPoints::setDevNum>},
    {"KvnISP_GetISPProcessPos", &Store<&IspEntryPoints::getIspProcessPos>},
    {"KvnISP_SetPassword", &Store<&IspEntryPoints::setPassword>},
    {"KvnISP_SetChipName", &Store<&IspEntryPoints::setChipName>},
    {"KvnISP_SetVendorID", &Store<&IspEntryPoints::setVendorId>},
    {"KvnISP_SetProductID", &Store<&IspEntryPoints::setProductId>},
    {"KvnISP_LoadVrelFileData", &Store<&IspEntryPoints::loadVrelFileData>},
    {"KvnISP_LoadBuffer", &Store<&IspEntryPoints::loadBuffer>},
    {"KvnISP_StartISP", &Store<&IspEntryPoints::startIsp>},
    {"KvnISP_GetLastErrorCode", &Store<&IspEntryPoints::getLastErrorCode>},
    {"KvnISP_IsWorkFinished", &Store<&IspEntryPoints::isWorkFinished>},
    {"KvnISP_SetXtalEnable", &Store<&IspEntryPoints::setXtalEnable>},
    {"KvnISP_GetVrelCheckSum", &Store<&IspEntryPoints::getVrelCheckSum>},
    {"KvnISP_GetChipSeries", &Store<&IspEntryPoints::getChipSeries>},
    {"KvnISP_LoadHexFileData", &Store<&IspEntryPoints::loadHexFileData>},
    {"KvnISP_SetResetFlag", &Store<&IspEntryPoints::setResetFlag>},
};

constexpr int32_t kIntelHexSeries[] = {9, 10, 11, 13, 14, 16, 18};

// The library's own user messages (bad Intel HEX, the crystal question) go
// to the sink of the client that installed the handler.
std::atomic<MessageSink *> g_librarySink{nullptr};

int LibraryMessage(const char *text, const char *caption, int askYesNo) {
  MessageSink *sink = g_librarySink.load(std::memory_order_acquire);
  if (sink == nullptr) return 0;
  const std::string body = text != nullptr ? text : "";
  const std::string title = caption != nullptr ? caption : "";
  if (askYesNo != 0) return sink->Ask(body, title) ? 1 : 0;
  sink->Notice(body, title);
  return 0;
}

bool IsTrue(KvnBool value) { return (value & 0xFFu) != 0; }

}  // namespace

const char *const kIspEntryPointNames[kIspEntryPointCount] = {
    kBindings[0].name,  kBindings[1].name,  kBindings[2].name,  kBindings[3].name,
    kBindings[4].name,  kBindings[5].name,  kBindings[6].name,  kBindings[7].name,
    kBindings[8].name,  kBindings[9].name,  kBindings[10].name, kBindings[11].name,
    kBindings[12].name, kBindings[13].name, kBindings[14].name, kBindings[15].name,
};

bool SeriesTakesIntelHex(int32_t series) {
  for (int32_t hexSeries : kIntelHexSeries) {
    if (series == hexSeries) return true;
  }
  return false;
}

std::vector<std::string> StandardLibraryPlaces() {
  std::vector<std::string> places;
  const std::string folder = ExecutableFolder();
  if (!folder.empty()) places.push_back(folder + "/" + kLibraryFileName);
  places.emplace_back(kLibraryFileName);
  return places;
}

IspClient::IspClient(std::vector<std::string> standardPlaces, MessageSink &messages)
    : standardPlaces_(std::move(standardPlaces)), messages_(messages) {}

IspClient::~IspClient() {
  if (libraryHandle_ == nullptr) return;
  if (setMessageHandler_ != nullptr) setMessageHandler_(nullptr);
  MessageSink *mine = &messages_;
  g_librarySink.compare_exchange_strong(mine, nullptr, std::memory_order_acq_rel);
  dlclose(libraryHandle_);
}

void IspClient::BindLibrary() {
  if (libraryHandle_ != nullptr) return;  // once per client

  // RTLD_NODELETE: the library's job thread may still be returning from its
  // last call when the client goes; its code must stay mapped.
  constexpr int kFlags = RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE;
  void *handle = nullptr;
  for (const std::string &place : standardPlaces_) {
    if (handle == nullptr && !place.empty()) handle = dlopen(place.c_str(), kFlags);
  }
  if (handle == nullptr && !libraryPath_.empty()) handle = dlopen(libraryPath_.c_str(), kFlags);
  if (handle == nullptr) {
    messages_.Notice(std::string("Can't load ") + kLibraryFileName, "Warning");
    return;
  }

  IspEntryPoints table;
  for (const EntryBinding &binding : kBindings) {
    void *address = dlsym(handle, binding.name);
    if (address == nullptr) {
      // A library without one of the entry points is not used at all.
      dlclose(handle);
      messages_.Notice(std::string("Can't find ") + binding.name + " in " + kLibraryFileName,
                       "Warning");
      return;
    }
    binding.store(table, address);
  }
  entry_ = table;
  libraryHandle_ = handle;

  // Optional: the host side of the library's user messages.
  setMessageHandler_ =
      reinterpret_cast<decltype(&KvnISP_SetMessageHandler)>(dlsym(handle, "KvnISP_SetMessageHandler"));
  if (setMessageHandler_ != nullptr) {
    g_librarySink.store(&messages_, std::memory_order_release);
    setMessageHandler_(&LibraryMessage);
  }
}

bool IspClient::StartUpgrade(const UpgradeRequest &request) {
  started_.store(false, std::memory_order_release);
  libraryPath_ = request.libraryPath;
  BindLibrary();
  if (libraryHandle_ == nullptr || request.firmwarePath.empty() || request.chipName.empty()) {
    return false;
  }
  hexPath_ = request.firmwarePath;

  if (!IsTrue(entry_.setPassword(kPassword))) return false;
  if (!IsTrue(entry_.setChipName(request.chipName.c_str()))) return false;
  const int32_t series = entry_.getChipSeries(request.chipName.c_str());
  if (!IsTrue(entry_.setVendorId(static_cast<uint32_t>(request.vendorId)))) return false;
  if (!IsTrue(entry_.setProductId(static_cast<uint32_t>(request.productId)))) return false;
  entry_.setResetFlag(kResetFlag);

  if (SeriesTakesIntelHex(series)) {
    // The result is not examined: the start decides whether a job runs.
    entry_.loadHexFileData(hexPath_.c_str());
  } else if (!LoadVrelImage()) {
    return false;
  }

  entry_.setDevNum(kDeviceNumber);
  entry_.setXtalEnable(kXtalEnable);
  const int32_t code = entry_.startIsp();
  if ((static_cast<uint32_t>(code) & 0xFFFFu) != 0) return false;
  started_.store(true, std::memory_order_release);
  return true;
}

// The 8-bit image: the library reads the file, then takes its bytes again
// from memory.
bool IspClient::LoadVrelImage() {
  if (!IsTrue(entry_.loadVrelFileData(hexPath_.c_str()))) return false;

  const int fd = open(hexPath_.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size > kMaxVrelFileBytes) {
    close(fd);
    return false;
  }
  std::vector<uint8_t> bytes(static_cast<std::size_t>(info.st_size));
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = pread(fd, bytes.data() + got, bytes.size() - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  close(fd);
  return IsTrue(entry_.loadBuffer(bytes.data(), static_cast<uint32_t>(got)));
}

int32_t IspClient::PollProgress() {
  if (!started_.load(std::memory_order_acquire)) return 0;
  int32_t pos = entry_.getIspProcessPos();
  if (pos >= 100) pos = 99;
  if (!IsTrue(entry_.isWorkFinished())) return pos;
  const uint16_t code = entry_.getLastErrorCode();
  return code != 0 ? -1 : 100;
}

}  // namespace kvn::app
