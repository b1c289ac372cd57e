// How a procedure step ends in failure: it leaves its code for the host and
// answers false, so the caller can return at once.
#pragma once

#include <cstdint>

#include "protocol/isp_context.h"

namespace kvn::procedures {

inline bool Fail(protocol::IspContext &context, int32_t code) {
  context.SetLastError(code);
  return false;
}

}  // namespace kvn::procedures
