#include "interrupt.h"

#include <atomic>
#include <csignal>

namespace kvnisp {
namespace {

std::atomic<bool> interruptFlag{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void OnInterruptSignal(int) { interruptFlag.store(true); }

}  // namespace

void InstallInterruptHandlers() {
  struct sigaction action = {};
  action.sa_handler = &OnInterruptSignal;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool InterruptRequested() { return interruptFlag.load(); }

}  // namespace kvnisp
