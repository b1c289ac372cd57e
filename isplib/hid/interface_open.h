// Opening an interface as discovery and every transfer do: read and write
// access first, the least access when that is refused.
#pragma once

#include "platform/hid_backend.h"

namespace kvn::hid {

platform::HidHandle OpenInterface(const platform::HidBackend &backend, const char *path);

}  // namespace kvn::hid
