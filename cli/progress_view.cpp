#include "progress_view.h"

#include "console.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

namespace kvnisp {
namespace {

int ClampPercent(int percent) { return std::clamp(percent, 0, 100); }

class TerminalBar final : public ProgressView {
 public:
  TerminalBar(std::FILE *stream, int barWidth) : stream_(stream), width_(std::max(barWidth, 1)) {}
  // A bar dropped without End() must not leave its stream marked as open.
  ~TerminalBar() override { End(); }

  void Show(Phase phase, int percent, double elapsedSeconds) override {
    std::string line = FormatBarLine(phase, percent, elapsedSeconds, width_);
    // Never wait behind a question being asked on the terminal: the bar
    // simply skips this poll.
    std::unique_lock lock(console::Mutex(), std::try_to_lock);
    if (!lock.owns_lock()) return;
    // Unchanged and still on screen: nothing to do. A message may have ended
    // the line; then the bar is drawn again below it.
    if (line == lastLine_ && console::OpenLine() == stream_) return;
    std::fputs("\r", stream_);
    std::fputs(line.c_str(), stream_);
    std::fputs("\x1b[K", stream_);   // clear what a longer earlier line left
    std::fflush(stream_);
    lastLine_ = std::move(line);
    console::SetOpenLine(stream_);
  }

  void End() override {
    std::lock_guard lock(console::Mutex());
    console::CloseOpenLine();
  }

 private:
  std::FILE *stream_;
  int width_;
  std::string lastLine_;
};

class PlainLines final : public ProgressView {
 public:
  explicit PlainLines(std::FILE *stream) : stream_(stream) {}

  void Show(Phase phase, int percent, double elapsedSeconds) override {
    if (phase != phase_) {
      phase_ = phase;
      lastTenth_ = 0;
    }
    int tenth = ClampPercent(percent) / 10;
    if (tenth <= lastTenth_) return;
    // As the bar: never wait behind a question; the line comes next poll.
    std::unique_lock lock(console::Mutex(), std::try_to_lock);
    if (!lock.owns_lock()) return;
    lastTenth_ = tenth;
    std::fprintf(stream_, "%s\n", FormatPlainLine(phase, tenth * 10, elapsedSeconds).c_str());
    std::fflush(stream_);
  }

  void End() override {}

 private:
  std::FILE *stream_;
  Phase phase_ = Phase::kErase;
  int lastTenth_ = 0;
};

class NoProgress final : public ProgressView {
 public:
  void Show(Phase, int, double) override {}
  void End() override {}
};

}  // namespace

const char *PhaseName(Phase phase) { return phase == Phase::kErase ? "erase" : "program"; }

PhaseTracker::PhaseTracker(ErasePhase erase)
    : erase_(erase), phase_(erase == ErasePhase::kNone ? Phase::kProgram : Phase::kErase) {}

Phase PhaseTracker::Observe(int position) {
  position = ClampPercent(position);
  if (last_ >= 0 && position < last_) {
    // A fall starts a new run: the program run after an erase run, or the
    // next device of the mask after a program run.
    if (phase_ == Phase::kErase || erase_ == ErasePhase::kNone) {
      phase_ = Phase::kProgram;
    } else {
      phase_ = Phase::kErase;
    }
  } else if (phase_ == Phase::kErase && erase_ == ErasePhase::kInstant && position > 0 && position < 100) {
    // An instant erase shows only 0 and 100; anything between is the
    // program run, whose first 0 the poll missed.
    phase_ = Phase::kProgram;
  }
  last_ = position;
  return phase_;
}

std::string FormatElapsed(double seconds) {
  long total = seconds > 0 ? static_cast<long>(std::floor(seconds)) : 0;
  long hours = total / 3600;
  long minutes = (total / 60) % 60;
  long secs = total % 60;
  char text[32];
  if (hours > 0) {
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", hours, minutes, secs);
  } else {
    std::snprintf(text, sizeof text, "%ld:%02ld", minutes, secs);
  }
  return text;
}

std::string FormatBarLine(Phase phase, int percent, double elapsedSeconds, int barWidth) {
  percent = ClampPercent(percent);
  int filled = percent * barWidth / 100;
  std::string bar(static_cast<size_t>(filled), '#');
  bar.append(static_cast<size_t>(barWidth - filled), '-');
  char text[64];
  std::snprintf(text, sizeof text, "%-7s [", PhaseName(phase));
  std::string line = text;
  line += bar;
  std::snprintf(text, sizeof text, "] %3d%%  %s", percent, FormatElapsed(elapsedSeconds).c_str());
  line += text;
  return line;
}

std::string FormatPlainLine(Phase phase, int percent, double elapsedSeconds) {
  char text[64];
  std::snprintf(text, sizeof text, "%-7s %3d%%  %s", PhaseName(phase), ClampPercent(percent),
                FormatElapsed(elapsedSeconds).c_str());
  return text;
}

std::unique_ptr<ProgressView> MakeTerminalBar(std::FILE *stream, int barWidth) {
  return std::make_unique<TerminalBar>(stream, barWidth);
}

int BarWidthForColumns(int columns) {
  constexpr int kWidest = 30;
  // Everything but the cells: "program [" "] 100%  " and up to "9:59:59",
  // plus one column so the cursor never sits past the right edge.
  constexpr int kRest = 9 + 8 + 7 + 1;
  if (columns <= 0) return kWidest;
  return std::clamp(columns - kRest, 5, kWidest);
}

int TerminalColumns(std::FILE *stream) {
  winsize size{};
  if (stream == nullptr || ioctl(fileno(stream), TIOCGWINSZ, &size) != 0) return 0;
  return size.ws_col;
}

std::unique_ptr<ProgressView> MakePlainLines(std::FILE *stream) { return std::make_unique<PlainLines>(stream); }

std::unique_ptr<ProgressView> MakeNoProgress() { return std::make_unique<NoProgress>(); }

}  // namespace kvnisp
