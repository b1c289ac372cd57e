#include "hid/interface_open.h"

namespace kvn::hid {

platform::HidHandle OpenInterface(const platform::HidBackend &backend, const char *path) {
  const platform::HidHandle handle = backend.open(path, platform::HidAccess::ReadWrite);
  if (handle != platform::kInvalidHidHandle) return handle;
  return backend.open(path, platform::HidAccess::Query);
}

}  // namespace kvn::hid
