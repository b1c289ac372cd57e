// How much time a Tolv-01 job spends on its own, beyond what the protocol
// and the device cost.
//
// One run: a whole job through the exports against an emulated Tolv-01
// (user firmware, 4096 data reports). Its time is set beside
//   - the pauses the job must take: 200 ms before discovery, the data pacing
//     (blocks x blockDelayMs), the command pauses (each CommandDelay(n)
//     counted as 2n) and 500 ms after the mask bit;
//   - the emulator's time for the same transfers: every report of the job,
//     replayed in order with bare open/ioctl/close on a second emulated
//     Tolv-01 that waits in its boot loader, paced like the job (only the
//     transfers are timed); the unpaced replay is shown beside it.
// What remains beyond the paced replay is the library's own overhead; the
// target is under 2 % of the job.
#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "kvn_isp.h"
#include "kvn_product.h"
#include "product_model.h"
#include "testbed.h"

namespace {

using Clock = std::chrono::steady_clock;
using kvn::sim::ReportRecord;

constexpr uint32_t kBlocks = 0x1000;
constexpr uint32_t kBlockDelayMs = 1;
constexpr uint32_t kPauseBeforeDiscoveryMs = 200;
constexpr uint32_t kPauseAfterMaskBitMs = 500;
// Boot entry 10, version 10, code option erase 2 x 10, code option 2 x 10,
// erase 10, Enable Program 10: each CommandDelay(n) lasts at least 2n.
constexpr uint32_t kCommandPausesMs = 2 * (10 + 10 + 20 + 20 + 10 + 10);
constexpr double kPausesMs =
    kPauseBeforeDiscoveryMs + kBlocks * kBlockDelayMs + kCommandPausesMs + kPauseAfterMaskBitMs;

// Records of a Tolv-01 job: entry, version and its answer, code option
// erase, code option, erase, blank check, Enable Program and its answer,
// then the data reports.
constexpr std::size_t kFirstDataRecord = 9;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

kvn::sim::Product *Plug(kvn::sim::Testbed &bed, const kvn::sim::ModelOptions &options, uint16_t productId) {
  std::string error;
  auto model = kvn::sim::MakeProductModel(options, error);
  if (model == nullptr) {
    std::fprintf(stderr, "model: %s\n", error.c_str());
    return nullptr;
  }
  kvn::sim::ProductSpec def;
  def.vendorId = KVN_DEVICE_VENDOR_ID;
  def.productId = productId;
  def.interfaces.push_back(kvn::sim::InterfaceSpec::Of(kvn::sim::DescriptorKind::Vendor64, std::move(model)));
  kvn::sim::Product *product = bed.AddProduct(std::move(def), error);
  if (product == nullptr) std::fprintf(stderr, "testbed: %s\n", error.c_str());
  return product;
}

struct JobTimes {
  Clock::time_point start;
  Clock::time_point end;
};

// Milliseconds from the start to the finished flag; -1 when the job failed.
double RunJob(const std::vector<uint8_t> &image, JobTimes &times) {
  KvnISP_SetPassword(KVN_ISP_PASSWORD);
  KvnISP_SetChipName(KVN_PRODUCT_CHIP_NAME);
  KvnISP_SetVendorID(KVN_DEVICE_VENDOR_ID);
  KvnISP_SetProductID(KVN_DEVICE_PRODUCT_ID);
  KvnISP_SetResetFlag(1);
  KvnISP_LoadBinBuffer(image.data(), static_cast<uint32_t>(image.size()));
  KvnISP_SetDevNum(1);
  const Clock::time_point start = Clock::now();
  if (KvnISP_StartISP() != 0) return -1;
  while (!KvnISP_IsWorkFinished()) std::this_thread::sleep_for(std::chrono::microseconds(50));
  const Clock::time_point end = Clock::now();
  times = {start, end};
  return KvnISP_GetLastErrorCode() == 0 ? Ms(end - start) : -1;
}

// Busy-waits ms milliseconds, as the library paces its data reports.
void Spin(uint32_t ms) {
  const Clock::time_point until = Clock::now() + std::chrono::milliseconds(ms);
  while (Clock::now() < until) {
  }
}

// The job's reports, replayed with one open, ioctl and close each, as the
// library moves them; milliseconds spent in the transfers. Paced, every data
// report is followed by the job's busy-wait (not counted), so the emulator
// runs under the same load as during the job.
double ReplayTransfers(const std::string &path, const std::vector<ReportRecord> &records, bool paced) {
  uint8_t buffer[65];
  Clock::duration spent{};
  for (std::size_t i = 0; i < records.size(); ++i) {
    const ReportRecord &record = records[i];
    const Clock::time_point start = Clock::now();
    const int fd = open(path.c_str(), O_RDWR);
    if (fd < 0) return -1;
    std::fill(std::begin(buffer), std::end(buffer), uint8_t{0});
    long result = 0;
    if (record.kind == ReportRecord::Kind::SetFeature) {
      std::copy_n(record.bytes.begin(), std::min<std::size_t>(record.bytes.size(), sizeof buffer), buffer);
      result = ioctl(fd, HIDIOCSFEATURE(sizeof buffer), buffer);
    } else {
      result = ioctl(fd, HIDIOCGFEATURE(sizeof buffer), buffer);
    }
    close(fd);
    spent += Clock::now() - start;
    if (result < 0) return -1;
    if (paced && i >= kFirstDataRecord && i < kFirstDataRecord + kBlocks) Spin(kBlockDelayMs);
  }
  return Ms(spent);
}

int RunUnderPreload(char **argv) {
  std::vector<char *> args{const_cast<char *>("umockdev-wrapper")};
  for (char **a = argv; *a != nullptr; ++a) args.push_back(*a);
  args.push_back(nullptr);
  execvp(args[0], args.data());
  std::perror("umockdev-wrapper");
  return 2;
}

}  // namespace

int main(int argc, char **argv) {
  if (!kvn::sim::Testbed::PreloadActive()) return RunUnderPreload(argv);
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;

  std::vector<uint8_t> image(0x40000);
  for (std::size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 7 + (i >> 9));

  std::printf("Tolv-01 job against the emulator: %u data reports, pauses %.0f ms\n", kBlocks, kPausesMs);
  std::printf("%-4s %9s %9s %9s %9s %11s %11s\n", "run", "job ms", "pauses", "bare ms", "paced ms",
              "over(bare)", "over(paced)");
  std::vector<double> bareShares, pacedShares;
  double bestJob = 1e12, bestBare = 1e12, bestPaced = 1e12;
  for (int run = 1; run <= runs; ++run) {
    kvn::sim::Testbed bed;
    if (!bed.Ok()) {
      std::fprintf(stderr, "testbed: %s\n", bed.Error().c_str());
      return 2;
    }
    kvn::sim::Product *target = Plug(bed, {{"chip", "Tolv-01"}}, KVN_DEVICE_PRODUCT_ID);
    kvn::sim::Product *mirror = Plug(bed, {{"chip", "Tolv-01"}, {"mode", "boot"}}, KVN_BOOT_PRODUCT_ID);
    if (target == nullptr || mirror == nullptr) return 2;

    JobTimes times;
    const double jobMs = RunJob(image, times);
    if (jobMs < 0) {
      std::fprintf(stderr, "the job failed with code %u\n", KvnISP_GetLastErrorCode());
      return 2;
    }
    const std::vector<ReportRecord> records = target->Interface(0).Reports();
    if (records.size() < kFirstDataRecord + kBlocks) {
      std::fprintf(stderr, "the job sent only %zu reports\n", records.size());
      return 2;
    }
    // The fastest of three: a busy machine only ever adds time.
    double bareMs = 1e12;
    for (int i = 0; i < 3; ++i) {
      const double ms = ReplayTransfers(mirror->Interface(0).DevicePath(), records, false);
      bareMs = ms < 0 ? ms : std::min(bareMs, ms);
      if (ms < 0) break;
    }
    const double pacedMs = ReplayTransfers(mirror->Interface(0).DevicePath(), records, true);
    if (bareMs < 0 || pacedMs < 0) {
      std::fprintf(stderr, "replaying the transfers failed\n");
      return 2;
    }
    const double bareShare = 100.0 * (jobMs - kPausesMs - bareMs) / jobMs;
    const double pacedShare = 100.0 * (jobMs - kPausesMs - pacedMs) / jobMs;
    bestJob = std::min(bestJob, jobMs);
    bestBare = std::min(bestBare, bareMs);
    bestPaced = std::min(bestPaced, pacedMs);
    bareShares.push_back(bareShare);
    pacedShares.push_back(pacedShare);
    std::printf("%-4d %9.1f %9.0f %9.1f %9.1f %10.2f%% %10.2f%%\n", run, jobMs, kPausesMs, bareMs, pacedMs,
                bareShare, pacedShare);
    // Where the job's time went, from the emulator's timestamps: before the
    // first report (200 ms pause and discovery), the data phase beside its
    // pacing, and after the last report (500 ms pause).
    const double headMs = Ms(records.front().time - times.start) - kPauseBeforeDiscoveryMs;
    const double tailMs = Ms(times.end - records.back().time) - kPauseAfterMaskBitMs;
    const std::size_t lastData = kFirstDataRecord + kBlocks - 1;
    const double dataMs = Ms(records[lastData].time - records[kFirstDataRecord].time);
    std::printf("     %zu transfers; beyond the pauses: %.1f ms before the first report, %.1f ms after the"
                " last, %.3f ms per data report\n",
                records.size(), headMs, tailMs, (dataMs - (kBlocks - 1) * kBlockDelayMs) / (kBlocks - 1));
  }
  std::sort(bareShares.begin(), bareShares.end());
  std::sort(pacedShares.begin(), pacedShares.end());
  const double bare = bareShares[bareShares.size() / 2], paced = pacedShares[pacedShares.size() / 2];
  // The paced replay is the baseline: between data reports the emulator's
  // thread goes idle during the busy-wait and must wake for each transfer,
  // exactly as during the job, which the back-to-back replay never pays.
  std::printf("median library overhead: %.2f%% of the job against the paced replay (target under 2%%): %s\n",
              paced, paced < 2.0 ? "met" : "NOT met");
  std::printf("  (against the back-to-back replay, which skips the emulator's wake-ups: %.2f%%)\n", bare);
  // On a machine shared with other work every figure only grows; the best
  // of each is the closest to the truth.
  const double bestPacedShare = 100.0 * (bestJob - kPausesMs - bestPaced) / bestJob;
  const double bestBareShare = 100.0 * (bestJob - kPausesMs - bestBare) / bestJob;
  std::printf("best of %d: job %.1f ms, paced transfers %.1f ms, back-to-back %.1f ms: library overhead %.1f ms ="
              " %.2f%% of the job (back-to-back %.2f%%)\n",
              runs, bestJob, bestPaced, bestBare, bestJob - kPausesMs - bestPaced, bestPacedShare, bestBareShare);
  return 0;
}
