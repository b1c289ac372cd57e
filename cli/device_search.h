// Finding the product to program: the id pairs to try (the product's normal
// ids, then its boot loader's, unless the user gave ids), one probe per pair
// through the library's discovery plus a look at the hidraw nodes, and the
// --wait loop with its window for permissions that udev has not applied yet.
#pragma once

#include "command_options.h"
#include "node_access.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kvnisp {

struct IdPair {
  uint16_t vendorId;
  uint16_t productId;
  bool bootLoader;   // the product's boot-loader ids (the retry pair)
};

// The given ids alone, or the product's normal ids followed by its boot ids.
std::vector<IdPair> CandidateIds(const CommonOptions &options);

std::string FormatIds(uint16_t vendorId, uint16_t productId);   // "1209:0047"

struct PairProbe {
  IdPair ids{};
  int libraryCount = 0;              // interfaces the library's discovery lists
  std::vector<std::string> names;    // their names, by row
  std::vector<HidrawNode> nodes;     // hidraw nodes carrying the ids

  bool HasDeniedNode() const;
};

// What one probe of a pair costs: the library's count and names and the
// node scan. Replaceable so the waiting rules can be tested without devices.
using ProbeFunction = std::function<PairProbe(const IdPair &)>;
PairProbe ProbeWithLibrary(const IdPair &ids);

enum class SearchResult { kFound, kNotFound, kPermissionDenied, kInterrupted };

struct SearchOutcome {
  SearchResult result = SearchResult::kNotFound;
  size_t pairIndex = 0;     // with kFound: the pair that answered
  PairProbe probe;          // kFound: that pair's probe; otherwise the most telling one
  std::vector<PairProbe> lastProbes;   // every pair's last probe
};

struct SearchClock {
  std::function<std::chrono::steady_clock::time_point()> now;
  std::function<void(std::chrono::milliseconds)> sleep;
  std::function<bool()> interrupted;
};
SearchClock RealSearchClock();

// How long a node refused with EACCES/EPERM is retried after it was first
// seen, while udev applies its rules.
inline constexpr std::chrono::milliseconds kPermissionWindow{2000};
inline constexpr std::chrono::milliseconds kProbeInterval{250};

// Probes pairs[first..] in order. Without a wait (nullopt or 0 s) one round
// decides; with a wait, rounds repeat until a pair is found or the time is
// over. A pair counts as found when the library lists at least one interface
// and no node of those ids is refused; refused nodes are retried for
// kPermissionWindow (only while waiting) and then reported as a permission
// problem.
SearchOutcome SearchDevices(const std::vector<IdPair> &pairs, size_t first, std::optional<double> waitSeconds,
                            const ProbeFunction &probe, const SearchClock &clock);

// Device choice among several matches.
struct MaskChoice {
  std::optional<uint32_t> mask;   // the device mask for KvnISP_SetDevNum
  std::string error;              // why none could be chosen
  bool ambiguous = false;         // several matches and no --mask/--index
};
MaskChoice ChooseDeviceMask(int deviceCount, std::optional<uint32_t> mask, std::optional<uint32_t> index);

}  // namespace kvnisp
