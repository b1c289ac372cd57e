#include "device_search.h"

#include "interrupt.h"
#include "kvn_isp.h"
#include "kvn_product.h"

#include <bit>
#include <cstdio>
#include <thread>

namespace kvnisp {
namespace {

// The library's device table has 10 rows; names are read for those only.
constexpr int kMaxListedRows = 10;

bool Waits(std::optional<double> waitSeconds) { return waitSeconds && *waitSeconds > 0; }

// The probe that best explains a failure: a refused node first, then a pair
// with nodes that did not fit, then the first pair.
const PairProbe &MostTelling(const std::vector<PairProbe> &probes) {
  for (const PairProbe &probe : probes) {
    if (probe.HasDeniedNode()) return probe;
  }
  for (const PairProbe &probe : probes) {
    if (!probe.nodes.empty()) return probe;
  }
  return probes.front();
}

}  // namespace

std::vector<IdPair> CandidateIds(const CommonOptions &options) {
  if (options.vendorId && options.productId) return {{*options.vendorId, *options.productId, false}};
  return {
      {static_cast<uint16_t>(KVN_DEVICE_VENDOR_ID), static_cast<uint16_t>(KVN_DEVICE_PRODUCT_ID), false},
      {static_cast<uint16_t>(KVN_BOOT_VENDOR_ID), static_cast<uint16_t>(KVN_BOOT_PRODUCT_ID), true},
  };
}

std::string FormatIds(uint16_t vendorId, uint16_t productId) {
  char text[16];
  std::snprintf(text, sizeof text, "%04x:%04x", vendorId, productId);
  return text;
}

bool PairProbe::HasDeniedNode() const {
  for (const HidrawNode &node : nodes) {
    if (IsPermissionError(node.openError)) return true;
  }
  return false;
}

PairProbe ProbeWithLibrary(const IdPair &ids) {
  PairProbe probe;
  probe.ids = ids;
  int32_t count = KvnISP_GetDevNum(ids.vendorId, ids.productId);
  probe.libraryCount = count > 0 ? count : 0;
  for (int row = 0; row < probe.libraryCount && row < kMaxListedRows; ++row) {
    char name[KVN_ISP_DEV_NAME_SIZE + 1] = {};
    if (KvnISP_GetDevName(row, name) == 0) break;
    name[KVN_ISP_DEV_NAME_SIZE] = '\0';
    probe.names.emplace_back(name);
  }
  probe.nodes = ScanHidrawNodes(ids.vendorId, ids.productId);
  return probe;
}

SearchClock RealSearchClock() {
  return {
      [] { return std::chrono::steady_clock::now(); },
      [](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); },
      [] { return InterruptRequested(); },
  };
}

SearchOutcome SearchDevices(const std::vector<IdPair> &pairs, size_t first, std::optional<double> waitSeconds,
                            const ProbeFunction &probe, const SearchClock &clock) {
  SearchOutcome outcome;
  if (first >= pairs.size()) return outcome;
  const auto start = clock.now();
  const auto waitLimit = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
      std::chrono::duration<double>(Waits(waitSeconds) ? *waitSeconds : 0.0));
  // When a refused node was first seen in the current run of refusals.
  bool deniedSeen = false;
  std::chrono::steady_clock::time_point firstDenied{};

  for (;;) {
    outcome.lastProbes.clear();
    for (size_t i = first; i < pairs.size(); ++i) {
      PairProbe result = probe(pairs[i]);
      if (result.libraryCount > 0 && !result.HasDeniedNode()) {
        outcome.result = SearchResult::kFound;
        outcome.pairIndex = i;
        outcome.probe = result;
        outcome.lastProbes.push_back(std::move(result));
        return outcome;
      }
      outcome.lastProbes.push_back(std::move(result));
    }
    outcome.probe = MostTelling(outcome.lastProbes);
    const auto now = clock.now();
    bool denied = outcome.probe.HasDeniedNode();
    if (denied && !deniedSeen) firstDenied = now;
    deniedSeen = denied;

    if (!Waits(waitSeconds)) {
      outcome.result = denied ? SearchResult::kPermissionDenied : SearchResult::kNotFound;
      return outcome;
    }
    if (denied && now - firstDenied >= kPermissionWindow) {
      outcome.result = SearchResult::kPermissionDenied;
      return outcome;
    }
    // A refused node keeps its retry window even past the end of --wait.
    if (!denied && now - start >= waitLimit) {
      outcome.result = SearchResult::kNotFound;
      return outcome;
    }
    if (clock.interrupted()) {
      outcome.result = SearchResult::kInterrupted;
      return outcome;
    }
    clock.sleep(kProbeInterval);
  }
}

MaskChoice ChooseDeviceMask(int deviceCount, std::optional<uint32_t> mask, std::optional<uint32_t> index) {
  MaskChoice choice;
  char text[160];
  if (mask) {
    int highest = 31 - std::countl_zero(*mask);
    if (highest >= deviceCount) {
      std::snprintf(text, sizeof text, "--mask 0x%02X selects device %d, but only %d match (numbered from 0)", *mask,
                    highest, deviceCount);
      choice.error = text;
      return choice;
    }
    choice.mask = *mask;
    return choice;
  }
  if (index) {
    if (static_cast<int>(*index) >= deviceCount) {
      std::snprintf(text, sizeof text, "--index %u: only %d device%s match (numbered from 0)", *index, deviceCount,
                    deviceCount == 1 ? "" : "s");
      choice.error = text;
      return choice;
    }
    choice.mask = 1u << *index;
    return choice;
  }
  if (deviceCount > 1) {
    std::snprintf(text, sizeof text, "%d devices match; choose one with --index N or several with --mask M",
                  deviceCount);
    choice.error = text;
    choice.ambiguous = true;
    return choice;
  }
  choice.mask = 1;
  return choice;
}

}  // namespace kvnisp
