#include "platform/hid_backend.h"

#include <atomic>

namespace kvn::platform {
namespace {

std::atomic<const HidBackend *> gInstalled{nullptr};

}  // namespace

const HidBackend &CurrentHidBackend() {
  const HidBackend *installed = gInstalled.load(std::memory_order_acquire);
  return installed != nullptr ? *installed : PlatformHidBackend();
}

const HidBackend *InstallHidBackend(const HidBackend *backend) {
  return gInstalled.exchange(backend, std::memory_order_acq_rel);
}

}  // namespace kvn::platform
