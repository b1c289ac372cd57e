// The one layer through which the library talks to the user.
//
// A host may install a handler (KvnISP_SetMessageHandler); without one a
// notice becomes one line on standard error and a question is answered No.
// Nothing else in the library prints.
#pragma once

#include "kvn_isp.h"

namespace kvn::platform {

void SetMessageHandler(KvnMessageHandler handler);

// Shows a notice with an OK button only.
void ShowMessage(const char *text, const char *caption);

// Asks a Yes/No question; true only for Yes.
bool AskYesNo(const char *text, const char *caption);

}  // namespace kvn::platform
