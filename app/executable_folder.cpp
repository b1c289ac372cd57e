#include "executable_folder.h"

#include <limits.h>
#include <unistd.h>

namespace kvn::app {

std::string ExecutableFolder() {
  char path[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return {};
  std::string full(path, static_cast<std::size_t>(length));
  const auto slash = full.rfind('/');
  if (slash == std::string::npos) return {};
  return slash == 0 ? std::string("/") : full.substr(0, slash);
}

}  // namespace kvn::app
