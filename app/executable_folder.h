// Where the running executable lies: the first place the ISP library is
// looked for, as the platform's library search starts there too.
#pragma once

#include <string>

namespace kvn::app {

// The folder of /proc/self/exe, without a trailing slash; empty if the
// system cannot tell.
std::string ExecutableFolder();

// The file name of the ISP library on this platform.
inline constexpr const char *kLibraryFileName = "libKvnHidLib.so";

}  // namespace kvn::app
