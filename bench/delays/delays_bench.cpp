// How far the protocol's pauses overshoot their nominal time: SpinDelay(1)
// and CommandDelay(10), each called many times, overshoot in microseconds
// as median, 99th percentile and maximum.
//
//   delays_bench [calls]      (default 1000 calls of each)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "protocol/delays.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Figures {
  double median;
  double p99;
  double max;
};

Figures Overshoot(const std::function<void()> &pause, double nominalUs, int calls) {
  std::vector<double> over;
  over.reserve(static_cast<std::size_t>(calls));
  for (int i = 0; i < calls; ++i) {
    const auto start = Clock::now();
    pause();
    const double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    over.push_back(us - nominalUs);
  }
  std::sort(over.begin(), over.end());
  const auto at = [&](double q) {
    return over[std::min(over.size() - 1, static_cast<std::size_t>(q * static_cast<double>(over.size())))];
  };
  return Figures{at(0.5), at(0.99), over.back()};
}

void Print(const char *name, double nominalUs, const Figures &f) {
  std::printf("%-16s nominal %8.0f us  overshoot median %8.2f us  p99 %8.2f us  max %8.2f us\n",
              name, nominalUs, f.median, f.p99, f.max);
}

}  // namespace

int main(int argc, char **argv) {
  const int calls = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
  std::printf("%d calls each\n", calls);
  const Figures spin = Overshoot([] { kvn::protocol::SpinDelay(1); }, 1000.0, calls);
  Print("SpinDelay(1)", 1000.0, spin);
  // CommandDelay(n) is a sleep of n then a spin of n: nominal 2n.
  const Figures command = Overshoot([] { kvn::protocol::CommandDelay(10); }, 20000.0, calls);
  Print("CommandDelay(10)", 20000.0, command);
  std::printf("SpinDelay(1) p99 target: under 50 us -> %s\n", spin.p99 < 50.0 ? "met" : "NOT met");
  return 0;
}
