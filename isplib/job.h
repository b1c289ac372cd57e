// IspJob: the library's one background programming job. A start checks that
// everything the job needs is in place, fills JobParameters and starts a
// worker thread; the worker runs the chip's connect procedure for every
// device of the mask and finally publishes workFinished.
#pragma once

#include <array>
#include <cstdint>

#include "job_parameters.h"
#include "library_state.h"
#include "protocol/isp_context.h"

namespace kvn::job {

// Codes a start or the worker stores (the full numbering is the library's
// IspErrorCode, 0-40, plus the two job codes 41 and 42 below).
inline constexpr int32_t kNoError = 0;
inline constexpr int32_t kErrorPassword = 1;
inline constexpr int32_t kErrorNoChip = 4;
inline constexpr int32_t kErrorNoVrelImage = 5;
inline constexpr int32_t kErrorNoDevice = 7;
inline constexpr int32_t kErrorVariantUnsupported = 13;  // no procedure for the chip's group
// A start while the previous job's worker still runs: refused and returned,
// but not stored, so the running job's own code stays what the host reads.
inline constexpr int32_t kErrorJobRunning = 41;
// The worker thread could not be created: stored, returned, and the job is
// marked finished so that a host polling anyway sees the end.
inline constexpr int32_t kErrorWorkerNotStarted = 42;

// The pauses of the job, busy-waited.
inline constexpr uint32_t kPauseBeforeDiscoveryMs = 200;
inline constexpr uint32_t kPauseAfterMaskBitMs = 500;

using ConnectProcedure = bool (*)(const JobParameters &, protocol::IspContext &);

// One procedure selector of the catalogue: its group and the group's
// connect procedure.
struct GroupEntry {
  int32_t group;  // ProcedureGroup 1-11
  ConnectProcedure connect;
};

inline constexpr uint32_t kSelectorCount = 12;

// The selector-to-group table (selectors 2 and 5 share group 5).
extern const std::array<GroupEntry, kSelectorCount> kGroupTable;

// The entry of selector; nullptr above 11.
const GroupEntry *GroupOfSelector(uint32_t selector);

// Runs the connect procedure of selector's group on the selected device.
// A selector without an entry runs nothing and stores 13.
void RunConnectProcedure(uint32_t selector, const JobParameters &params,
                         protocol::IspContext &context);

// The worker's routine: every set bit i of the mask selects device row i and
// runs the chip's procedure; SpinDelay(500) after every bit position up to
// the highest set bit; then workFinished (release).
void JobWorker(JobParameters params, LibraryState &state);

// Starts JobWorker(params, state) on its own thread; false when no thread
// could be created. Replaceable in tests.
using WorkerLauncher = bool (*)(const JobParameters &params, LibraryState &state);
bool LaunchWorkerThread(const JobParameters &params, LibraryState &state);

// The body of KvnISP_StartISP: 0 when the worker was started, otherwise the
// code (1, 4, 5, 7, 41 or 42).
int32_t StartIsp(LibraryState &state, WorkerLauncher launch = LaunchWorkerThread);

}  // namespace kvn::job
