// Ctrl-C and SIGTERM while kvnisp waits for a product or follows a job: the
// library's job cannot be cancelled, so the signal only sets a flag that the
// loops look at, and kvnisp says what state the product is left in.
#pragma once

namespace kvnisp {

void InstallInterruptHandlers();
bool InterruptRequested();

}  // namespace kvnisp
