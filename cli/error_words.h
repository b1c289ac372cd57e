// The meaning, in words, of every code of the library's job error numbering
// (0-40) as KvnISP_GetLastErrorCode reports it.
#pragma once

#include <cstdint>

namespace kvnisp {

struct ErrorWords {
  const char *meaning;
  bool warning;   // stored by a procedure that still completed its work
};

inline constexpr int kHighestErrorCode = 40;

// The words of a code; codes outside 0-40 get a generic text.
ErrorWords DescribeErrorCode(uint16_t code);

}  // namespace kvnisp
