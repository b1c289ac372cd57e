#include "console.h"

#include <unistd.h>

namespace kvnisp::console {
namespace {

std::FILE *openLineStream = nullptr;

}  // namespace

std::mutex &Mutex() {
  static std::mutex mutex;
  return mutex;
}

void SetOpenLine(std::FILE *stream) { openLineStream = stream; }

std::FILE *OpenLine() { return openLineStream; }

void CloseOpenLine() {
  if (openLineStream == nullptr) return;
  std::fputc('\n', openLineStream);
  std::fflush(openLineStream);
  openLineStream = nullptr;
}

bool IsTerminal(std::FILE *stream) { return stream != nullptr && isatty(fileno(stream)) == 1; }

}  // namespace kvnisp::console
