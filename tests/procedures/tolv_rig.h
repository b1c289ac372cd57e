// Test rig for whole programming jobs: emulated products behind real hidraw
// nodes (one testbed per rig) and a host that drives the library through its
// exported functions, as an application would.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "kvn_product.h"
#include "product_model.h"
#include "testbed.h"

namespace kvn::test {

using Clock = std::chrono::steady_clock;
using sim::ReportRecord;

// One emulated product of the rig.
struct RigProduct {
  sim::Product *product = nullptr;
  sim::ProductModel *model = nullptr;  // owned by the testbed

  sim::Node &Node() const { return product->Interface(0); }
  const sim::TolvBootloader &Chip() const { return model->Chip(); }
  std::vector<ReportRecord> Reports() const { return Node().Reports(); }
};

// What the host asks the library to do.
struct JobRequest {
  std::string chip = "Tolv-01";
  std::vector<uint8_t> binImage;  // loaded with KvnISP_LoadBinBuffer unless hexPath is set
  std::string hexPath;            // loaded with KvnISP_LoadHexFileData
  uint32_t securityLevel = 0;
  uint32_t deviceMask = 1;
  bool resetAfterProgram = true;
  uint16_t vendorId = KVN_DEVICE_VENDOR_ID;
  uint16_t productId = KVN_DEVICE_PRODUCT_ID;
  bool sampleProgress = false;  // a second host thread polls the getters throughout
};

// What a polling host saw at one moment.
struct ProgressSample {
  int32_t progress;
  bool finished;
  uint16_t code;  // read after the flag
};

struct JobOutcome {
  int32_t startResult = -1;
  uint16_t code = 0xFFFF;
  Clock::time_point started;      // just before KvnISP_StartISP
  Clock::time_point finishedSeen; // the first poll that saw the flag
  std::vector<ProgressSample> samples;
};

class TolvRig {
 public:
  TolvRig();
  ~TolvRig();

  bool Ok() const { return bed_.Ok(); }
  const std::string &Error() const { return bed_.Error(); }

  // Plugs in a product (model "product" options, e.g. {{"chip","Tolv-05"}}).
  // Its ids are the user firmware's, or the boot loader's for mode=boot.
  RigProduct Add(const sim::ModelOptions &options);

  // Sets up the library through the exports, starts the job and polls until
  // it finishes (at most timeout).
  JobOutcome Run(const JobRequest &request, std::chrono::seconds timeout = std::chrono::seconds(60));

 private:
  sim::Testbed bed_;
};

// The set-feature reports of a node (report id stripped), in order.
std::vector<std::vector<uint8_t>> SentFrames(const std::vector<ReportRecord> &records);

// The data of a record without its report id byte.
std::vector<uint8_t> DataOf(const ReportRecord &record);

// A frame of 64 bytes: the given leading bytes, then zeros.
std::vector<uint8_t> Padded(std::initializer_list<uint8_t> bytes);

// An image of pseudo-random bytes (seeded), none of them 0xFF.
std::vector<uint8_t> PatternImage(std::size_t bytes, uint32_t seed);

// Intel HEX text of the segments (address, bytes): 16-byte data records,
// extended linear address records where the upper address changes, and the
// end record.
struct HexSegment {
  uint32_t address;
  std::vector<uint8_t> bytes;
};
std::string IntelHexText(const std::vector<HexSegment> &segments);

// A file in the temporary folder that is removed with the object.
class TempFile {
 public:
  TempFile(const std::string &suffix, const std::string &contents);
  ~TempFile();
  const std::string &Path() const { return path_; }

 private:
  std::string path_;
};

// Milliseconds from a to b.
double MsBetween(Clock::time_point a, Clock::time_point b);

// True when frame starts with the header code AA 55 00.
bool IsCommand(const std::vector<uint8_t> &frame, uint8_t code);

// The boot loader's journal as text, one entry per line, e.g. "set data x4096".
std::string JournalText(const std::vector<sim::TolvJournalEntry> &journal);

// The journal as text, from steps written as "set entry", "get version", ...
std::string StepsText(std::initializer_list<const char *> steps);

}  // namespace kvn::test
