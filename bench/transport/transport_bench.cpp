// Cost of one feature-report exchange through the library's transport,
// against the bare open / HIDIOCSFEATURE / close of the same report on the
// same emulated node. The two alternate exchange by exchange, each timed on
// its own, so that load on the machine hits both alike; the medians of the
// single exchanges are reported, which a busy moment cannot move much.
#include <fcntl.h>
#include <linux/hidraw.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "echo_model.h"
#include "hid/device_table.h"
#include "hid/feature_report.h"
#include "testbed.h"

namespace {

using Clock = std::chrono::steady_clock;


void Restart(char **argv) {
  if (std::getenv("KVN_BENCH_REEXEC") != nullptr) return;
  const char *old = std::getenv("LD_PRELOAD");
  std::string preload = "libumockdev-preload.so.0";
  if (old != nullptr && *old != '\0') preload += std::string(":") + old;
  setenv("LD_PRELOAD", preload.c_str(), 1);
  setenv("KVN_BENCH_REEXEC", "1", 1);
  execv("/proc/self/exe", argv);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Microseconds of one exchange.
template <typename Exchange>
double TimeOne(Exchange exchange) {
  const Clock::time_point start = Clock::now();
  if (!exchange()) {
    std::fprintf(stderr, "transport_bench: an exchange failed\n");
    std::exit(1);
  }
  return std::chrono::duration<double, std::micro>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char **argv) {
  if (!kvn::sim::Testbed::PreloadActive()) {
    Restart(argv);
    std::fprintf(stderr, "transport_bench: needs the umockdev preload\n");
    return 1;
  }
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3000;

  kvn::sim::Testbed bed;
  if (!bed.Ok()) {
    std::fprintf(stderr, "transport_bench: %s\n", bed.Error().c_str());
    return 1;
  }
  kvn::sim::ProductSpec def;
  def.vendorId = 0x1209;
  def.productId = 0x0047;
  def.interfaces.push_back(
      kvn::sim::InterfaceSpec::Of(kvn::sim::DescriptorKind::Vendor64, std::make_unique<kvn::sim::EchoModel>()));
  std::string error;
  kvn::sim::Product *product = bed.AddProduct(std::move(def), error);
  if (product == nullptr) {
    std::fprintf(stderr, "transport_bench: %s\n", error.c_str());
    return 1;
  }
  kvn::sim::Node &node = product->Interface(0);
  kvn::hid::SetReportDataLength(64);
  if (kvn::hid::FindDevices(0x1209, 0x0047) != 1) {
    std::fprintf(stderr, "transport_bench: the emulated node was not found\n");
    return 1;
  }
  kvn::hid::SelectDevice(0);

  uint8_t frame[64];
  for (int i = 0; i < 64; ++i) frame[i] = static_cast<uint8_t>(i);
  const std::string path = node.DevicePath();
  const auto bare = [&] {
    uint8_t report[65] = {};
    std::memcpy(report + 1, frame, 64);
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::ioctl(fd, HIDIOCSFEATURE(65), report) == 65;
    ::close(fd);
    return ok;
  };
  const auto library = [&] { return kvn::hid::WriteFeatureReport(frame, 64); };

  for (int i = 0; i < 50; ++i) {  // warm up both paths
    TimeOne(bare);
    TimeOne(library);
  }
  std::vector<double> bareTimes, libraryTimes;
  for (int r = 0; r < rounds; ++r) {
    bareTimes.push_back(TimeOne(bare));
    libraryTimes.push_back(TimeOne(library));
    if (r % 500 == 0) node.ClearReports();
  }
  const double b = Median(bareTimes);
  const double l = Median(libraryTimes);
  std::printf("exchanges of each kind     %d\n", rounds);
  std::printf("bare open+ioctl+close      %8.1f us (median)\n", b);
  std::printf("library WriteFeatureReport %8.1f us (median)\n", l);
  std::printf("library overhead           %8.1f us (%.1f%% of the exchange)\n", l - b, 100.0 * (l - b) / l);
  return 0;
}
