#include "platform/user_messages.h"

#include <atomic>
#include <cstdio>

namespace kvn::platform {
namespace {

std::atomic<KvnMessageHandler> g_handler{nullptr};

const char *OrEmpty(const char *text) { return text != nullptr ? text : ""; }

int Deliver(const char *text, const char *caption, int askYesNo) {
  KvnMessageHandler handler = g_handler.load(std::memory_order_acquire);
  if (handler != nullptr) return handler(OrEmpty(text), OrEmpty(caption), askYesNo);
  std::fprintf(stderr, "%s: %s%s\n", OrEmpty(caption), OrEmpty(text),
               askYesNo != 0 ? " [answered No]" : "");
  return 0;
}

}  // namespace

void SetMessageHandler(KvnMessageHandler handler) {
  g_handler.store(handler, std::memory_order_release);
}

void ShowMessage(const char *text, const char *caption) { Deliver(text, caption, 0); }

bool AskYesNo(const char *text, const char *caption) { return Deliver(text, caption, 1) != 0; }

}  // namespace kvn::platform
