// Exit statuses of kvnisp. Scripts and factory lines tell the outcomes apart
// by these numbers, so they never change meaning.
#pragma once

namespace kvnisp {

enum ExitStatus : int {
  kExitSuccess = 0,
  kExitOtherFailure = 1,     // the library refused a fixed setting, or a system call failed
  kExitUsage = 2,            // bad command line, unknown chip, several matches without a choice
  kExitImage = 3,            // the firmware file cannot be read or is refused by the library
  kExitNoDevice = 4,         // no matching product, also after --wait
  kExitJobFailed = 5,        // the job ran and ended with a nonzero code (or was declined)
  kExitPermission = 6,       // a matching hidraw node exists but cannot be opened
  kExitInterrupted = 130,    // SIGINT or SIGTERM while waiting or during the job
};

// A short word for each status, used as "status" in the JSON object.
const char *ExitStatusWord(int status);

}  // namespace kvnisp
