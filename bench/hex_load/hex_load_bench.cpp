// MB of Intel HEX text per second through KvnISP_LoadHexBuffer and
// KvnISP_LoadHexFileData, for an image that covers all 262144 bytes of a
// Tolv-01. Also counts the heap allocations one load makes.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <string>

#include "kvn_isp.h"

namespace {

std::atomic<long> g_allocations{0};

// 16 data bytes per record, an extended linear address record every 64 KiB:
// the layout that firmware tools write.
std::string FullImageHex() {
  std::string text;
  char line[64];
  auto record = [&](unsigned count, unsigned address, unsigned type, const unsigned char *data) {
    unsigned sum = count + (address >> 8) + (address & 0xFF) + type;
    int n = std::snprintf(line, sizeof line, ":%02X%04X%02X", count, address, type);
    text.append(line, static_cast<std::size_t>(n));
    for (unsigned i = 0; i < count; ++i) {
      n = std::snprintf(line, sizeof line, "%02X", data[i]);
      text.append(line, static_cast<std::size_t>(n));
      sum += data[i];
    }
    n = std::snprintf(line, sizeof line, "%02X\r\n", (0x100 - (sum & 0xFF)) & 0xFF);
    text.append(line, static_cast<std::size_t>(n));
  };
  for (unsigned upper = 0; upper < 4; ++upper) {
    const unsigned char upperBytes[2] = {0, static_cast<unsigned char>(upper)};
    record(2, 0, 4, upperBytes);
    for (unsigned address = 0; address < 0x10000; address += 16) {
      unsigned char data[16];
      for (unsigned i = 0; i < 16; ++i) data[i] = static_cast<unsigned char>((upper << 16 | address | i) * 2654435761u >> 24);
      record(16, address, 0, data);
    }
  }
  text += ":00000001FF\r\n";
  return text;
}

const std::string &Text() {
  static const std::string text = FullImageHex();
  return text;
}

// Heap allocations made by one call of load.
template <typename Load>
long AllocationsOf(Load load) {
  const long before = g_allocations.load();
  load();
  return g_allocations.load() - before;
}

void Report(benchmark::State &state, long allocations) {
  const double bytes = static_cast<double>(Text().size()) * static_cast<double>(state.iterations());
  state.counters["MB/s"] = benchmark::Counter(bytes / 1e6, benchmark::Counter::kIsRate);
  state.counters["text_KB"] = static_cast<double>(Text().size()) / 1e3;
  state.counters["allocs/load"] = static_cast<double>(allocations);
}

void BM_LoadHexBuffer(benchmark::State &state) {
  if (!KvnISP_SetChipName("Tolv-01")) state.SkipWithError("chip not accepted");
  const std::string &text = Text();
  auto load = [&] { return KvnISP_LoadHexBuffer(text.data(), static_cast<int32_t>(text.size())); };
  const long allocations = AllocationsOf(load);
  for (auto _ : state) {
    if (!load()) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(KvnISP_GetVrelCheckSum());
  }
  Report(state, allocations);
}
BENCHMARK(BM_LoadHexBuffer)->Unit(benchmark::kMicrosecond);

void BM_LoadHexFileData(benchmark::State &state) {
  if (!KvnISP_SetChipName("Tolv-01")) state.SkipWithError("chip not accepted");
  char path[] = "/tmp/kvn-hex-bench-XXXXXX.hex";
  const int fd = mkstemps(path, 4);
  if (fd < 0) {
    state.SkipWithError("no temporary file");
    return;
  }
  close(fd);
  std::ofstream(path, std::ios::binary) << Text();
  auto load = [&] { return KvnISP_LoadHexFileData(path); };
  const long allocations = AllocationsOf(load);
  for (auto _ : state) {
    if (!load()) state.SkipWithError("load failed");
    benchmark::DoNotOptimize(KvnISP_GetVrelCheckSum());
  }
  Report(state, allocations);
  std::remove(path);
}
BENCHMARK(BM_LoadHexFileData)->Unit(benchmark::kMicrosecond);

}  // namespace

// Counts every heap allocation of the process. (GCC cannot see that the
// replaced operators pair malloc with free.)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void *operator new(std::size_t size) {
  g_allocations.fetch_add(1, std::memory_order_relaxed);
  if (void *p = std::malloc(size == 0 ? 1 : size)) return p;
  throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }

BENCHMARK_MAIN();
