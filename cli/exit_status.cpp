#include "exit_status.h"

namespace kvnisp {

const char *ExitStatusWord(int status) {
  switch (status) {
    case kExitSuccess: return "success";
    case kExitOtherFailure: return "error";
    case kExitUsage: return "usage-error";
    case kExitImage: return "image-error";
    case kExitNoDevice: return "no-device";
    case kExitJobFailed: return "job-failed";
    case kExitPermission: return "permission-denied";
    case kExitInterrupted: return "interrupted";
    default: return "error";
  }
}

}  // namespace kvnisp
