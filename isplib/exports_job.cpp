// The job's exports: start, and the three getters a host polls.
#include "job.h"
#include "kvn_isp.h"
#include "library_state.h"

extern "C" KVN_ISP_API int32_t KVN_ISP_CALL KvnISP_StartISP(void) {
  return kvn::job::StartIsp(kvn::State());
}

extern "C" KVN_ISP_API int32_t KVN_ISP_CALL KvnISP_GetISPProcessPos(void) {
  return kvn::State().context.progress.load(std::memory_order_acquire);
}

extern "C" KVN_ISP_API KvnBool KVN_ISP_CALL KvnISP_IsWorkFinished(void) {
  return kvn::State().workFinished.load(std::memory_order_acquire) ? 1 : 0;
}
