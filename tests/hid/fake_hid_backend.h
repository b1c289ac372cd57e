// A platform stand-in for the white-box tests: interfaces listed per class,
// each with its own descriptor, open behaviour and answers; every call is
// counted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/hid_backend.h"

namespace kvn::test {

struct FakeInterface {
  std::string path;
  std::string instanceText;
  platform::HidAttributes attributes;
  std::vector<uint8_t> descriptor;
  bool descriptorReadable = true;
  bool openReadWrite = true;  // a read-write open works
  bool openQuery = true;      // an open with the least access works
  bool acceptSet = true;
  bool answerGet = true;
  std::vector<uint8_t> answer;  // report id and data bytes of a get, as received
  int32_t getResult = -2;       // what getFeature returns; -2: answer.size()
  uint8_t leftover = 0;         // written past the answer, as a careless driver might
};

class FakeHidBackend {
 public:
  FakeHidBackend();
  ~FakeHidBackend();

  std::vector<FakeInterface> hid, mouse, keyboard;
  bool listingFails = false;

  // Counters and the traffic.
  std::vector<platform::HidInterfaceClass> classesListed;
  int visited = 0;
  int openReadWriteCalls = 0;
  int openQueryCalls = 0;
  int closes = 0;
  std::vector<std::vector<uint8_t>> sent;  // every set-feature report, whole
  std::vector<uint32_t> getLengths;

  FakeInterface *ByPath(const std::string &path);

 private:
  const platform::HidBackend *previous_;
};

// A vendor descriptor with one feature report of dataBytes bytes; with a
// nonzero reportId a Report ID item leads it.
std::vector<uint8_t> VendorFeatureDescriptor(uint16_t dataBytes, uint8_t reportId = 0);

// An interface that matches the given ids with a dataBytes feature report.
FakeInterface MatchingInterface(const std::string &path, uint16_t vendorId, uint16_t productId,
                                uint16_t dataBytes);

}  // namespace kvn::test
