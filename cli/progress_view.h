// How a running job's progress is shown.
//
// The library reports one number 0-100 per run: an erase run (0, then 1-100
// while the erase wait passes) and a program run (0 again, then rising with
// the data reports to 100), per device. PhaseTracker tells the runs apart
// from the sequence of numbers; the views draw a one-line bar on a terminal,
// plain lines at each ten percent otherwise, or nothing.
#pragma once

#include "chip_facts.h"

#include <cstdio>
#include <memory>
#include <string>

namespace kvnisp {

enum class Phase { kErase, kProgram };

const char *PhaseName(Phase phase);

class PhaseTracker {
 public:
  explicit PhaseTracker(ErasePhase erase);

  // Feeds the next position read from the library; returns the phase it
  // belongs to.
  Phase Observe(int position);
  Phase phase() const { return phase_; }

 private:
  ErasePhase erase_;
  Phase phase_;
  int last_ = -1;
};

// "0:07", "12:34", "1:02:03".
std::string FormatElapsed(double seconds);

// "program [############------------------]  40%  0:07" (barWidth cells).
std::string FormatBarLine(Phase phase, int percent, double elapsedSeconds, int barWidth);

// "program  40%  0:07"
std::string FormatPlainLine(Phase phase, int percent, double elapsedSeconds);

class ProgressView {
 public:
  virtual ~ProgressView() = default;
  // One poll: phase, percentage 0-100, seconds since the job started.
  virtual void Show(Phase phase, int percent, double elapsedSeconds) = 0;
  // The job has finished; leaves the terminal at the start of a line.
  virtual void End() = 0;
};

// A single line redrawn in place with a carriage return.
std::unique_ptr<ProgressView> MakeTerminalBar(std::FILE *stream, int barWidth = 30);

// Bar cells that fit a terminal of `columns` columns (at most 30, at least
// 5), so the line never wraps; columns <= 0 means unknown.
int BarWidthForColumns(int columns);
// The columns of the terminal behind stream, or 0.
int TerminalColumns(std::FILE *stream);
// A line each time the phase's percentage reaches a new multiple of ten.
std::unique_ptr<ProgressView> MakePlainLines(std::FILE *stream);
std::unique_ptr<ProgressView> MakeNoProgress();

}  // namespace kvnisp
