#include "fake_hid_backend.h"

#include <algorithm>
#include <cstring>

namespace kvn::test {
namespace {

FakeHidBackend *gFake = nullptr;

// Handles are indexes into the open interfaces, offset so 0 is never one.
std::vector<FakeInterface *> gOpen;

std::vector<FakeInterface> &ClassList(platform::HidInterfaceClass cls) {
  switch (cls) {
    case platform::HidInterfaceClass::Mouse: return gFake->mouse;
    case platform::HidInterfaceClass::Keyboard: return gFake->keyboard;
    default: return gFake->hid;
  }
}

FakeInterface *Opened(platform::HidHandle handle) {
  const auto index = static_cast<std::size_t>(handle - 100);
  return index < gOpen.size() ? gOpen[index] : nullptr;
}

bool List(platform::HidInterfaceClass cls, platform::HidInterfaceVisitor visit, void *context) {
  gFake->classesListed.push_back(cls);
  if (gFake->listingFails) return false;
  for (const FakeInterface &i : ClassList(cls)) {
    platform::HidInterfaceInfo info;
    info.path = i.path.c_str();
    info.instanceText = i.instanceText.c_str();
    info.attributes = i.attributes;
    ++gFake->visited;
    if (!visit(context, info)) break;
  }
  return true;
}

platform::HidHandle Open(const char *path, platform::HidAccess access) {
  const bool readWrite = access == platform::HidAccess::ReadWrite;
  (readWrite ? gFake->openReadWriteCalls : gFake->openQueryCalls)++;
  FakeInterface *i = gFake->ByPath(path);
  if (i == nullptr || !(readWrite ? i->openReadWrite : i->openQuery)) return platform::kInvalidHidHandle;
  gOpen.push_back(i);
  return static_cast<platform::HidHandle>(100 + gOpen.size() - 1);
}

bool Attributes(platform::HidHandle handle, const platform::HidInterfaceInfo &, platform::HidAttributes &out) {
  FakeInterface *i = Opened(handle);
  if (i == nullptr) return false;
  out = i->attributes;
  return true;
}

int32_t Descriptor(platform::HidHandle handle, uint8_t *dest, uint32_t capacity) {
  FakeInterface *i = Opened(handle);
  if (i == nullptr || !i->descriptorReadable || i->descriptor.size() > capacity) return -1;
  std::copy(i->descriptor.begin(), i->descriptor.end(), dest);
  return static_cast<int32_t>(i->descriptor.size());
}

bool SetFeature(platform::HidHandle handle, const uint8_t *report, uint32_t length) {
  FakeInterface *i = Opened(handle);
  gFake->sent.emplace_back(report, report + length);
  return i != nullptr && i->acceptSet;
}

int32_t GetFeature(platform::HidHandle handle, uint8_t *report, uint32_t length) {
  FakeInterface *i = Opened(handle);
  gFake->getLengths.push_back(length);
  if (i == nullptr || !i->answerGet) return -1;
  const std::size_t n = std::min<std::size_t>(i->answer.size(), length);
  std::copy_n(i->answer.begin(), n, report);
  std::fill(report + n, report + length, i->leftover);
  return i->getResult == -2 ? static_cast<int32_t>(n) : i->getResult;
}

void Close(platform::HidHandle handle) {
  if (Opened(handle) != nullptr) ++gFake->closes;
}

const platform::HidBackend kFakeBackend = {List, Open, Attributes, Descriptor, SetFeature, GetFeature, Close};

}  // namespace

FakeHidBackend::FakeHidBackend() {
  gFake = this;
  gOpen.clear();
  previous_ = platform::InstallHidBackend(&kFakeBackend);
}

FakeHidBackend::~FakeHidBackend() {
  platform::InstallHidBackend(previous_);
  gFake = nullptr;
  gOpen.clear();
}

FakeInterface *FakeHidBackend::ByPath(const std::string &path) {
  for (auto *list : {&hid, &mouse, &keyboard}) {
    for (FakeInterface &i : *list) {
      if (i.path == path) return &i;
    }
  }
  return nullptr;
}

std::vector<uint8_t> VendorFeatureDescriptor(uint16_t dataBytes, uint8_t reportId) {
  std::vector<uint8_t> d = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01};
  if (reportId != 0) d.insert(d.end(), {0x85, reportId});
  d.insert(d.end(), {0x09, 0x02, 0x15, 0x00, 0x26, 0xFF, 0x00, 0x75, 0x08, 0x96,
                     static_cast<uint8_t>(dataBytes & 0xFF), static_cast<uint8_t>(dataBytes >> 8), 0xB1, 0x02,
                     0xC0});
  return d;
}

FakeInterface MatchingInterface(const std::string &path, uint16_t vendorId, uint16_t productId,
                                uint16_t dataBytes) {
  FakeInterface i;
  i.path = path;
  i.instanceText = "inst-" + path;
  i.attributes = {vendorId, productId, 0x0100};
  i.descriptor = VendorFeatureDescriptor(dataBytes);
  return i;
}

}  // namespace kvn::test
