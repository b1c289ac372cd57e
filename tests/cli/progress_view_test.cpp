#include "progress_view.h"

#include "console.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace kvnisp {
namespace {

std::vector<Phase> Feed(PhaseTracker &tracker, const std::vector<int> &positions) {
  std::vector<Phase> phases;
  for (int position : positions) phases.push_back(tracker.Observe(position));
  return phases;
}

constexpr Phase E = Phase::kErase;
constexpr Phase P = Phase::kProgram;

TEST(PhaseTracker, TimedEraseThenProgramOnTheFall) {
  PhaseTracker tracker(ErasePhase::kTimed);
  EXPECT_EQ(Feed(tracker, {0, 0, 12, 57, 100, 3, 40, 100}), (std::vector<Phase>{E, E, E, E, E, P, P, P}));
}

TEST(PhaseTracker, TimedEraseFallSeenEvenWithoutTheHundred) {
  PhaseTracker tracker(ErasePhase::kTimed);
  EXPECT_EQ(Feed(tracker, {40, 97, 2}), (std::vector<Phase>{E, E, P}));
}

TEST(PhaseTracker, InstantEraseWhoseHundredThePollMissed) {
  // 0 -> (100 unseen) -> 0 -> climbing: the first value between is program.
  PhaseTracker tracker(ErasePhase::kInstant);
  EXPECT_EQ(Feed(tracker, {0, 0, 4, 60}), (std::vector<Phase>{E, E, P, P}));
}

TEST(PhaseTracker, InstantEraseWhoseHundredThePollSaw) {
  PhaseTracker tracker(ErasePhase::kInstant);
  EXPECT_EQ(Feed(tracker, {0, 100, 0, 1, 100}), (std::vector<Phase>{E, E, P, P, P}));
}

TEST(PhaseTracker, WithoutEraseEverythingIsProgram) {
  PhaseTracker tracker(ErasePhase::kNone);
  EXPECT_EQ(Feed(tracker, {0, 50, 100, 0, 30}), (std::vector<Phase>{P, P, P, P, P}));
}

TEST(PhaseTracker, NextDeviceOfTheMaskStartsWithItsErase) {
  PhaseTracker tracker(ErasePhase::kTimed);
  EXPECT_EQ(Feed(tracker, {50, 100, 0, 100, 0, 30, 100, 5}), (std::vector<Phase>{E, E, P, P, E, E, E, P}));
}

TEST(PhaseTracker, OutOfRangeValuesAreClamped) {
  PhaseTracker tracker(ErasePhase::kTimed);
  EXPECT_EQ(Feed(tracker, {-5, 250, 100}), (std::vector<Phase>{E, E, E}));
}

TEST(ProgressFormat, ElapsedTime) {
  EXPECT_EQ(FormatElapsed(0), "0:00");
  EXPECT_EQ(FormatElapsed(7.9), "0:07");
  EXPECT_EQ(FormatElapsed(754), "12:34");
  EXPECT_EQ(FormatElapsed(3723), "1:02:03");
  EXPECT_EQ(FormatElapsed(-3), "0:00");
}

TEST(ProgressFormat, BarLine) {
  EXPECT_EQ(FormatBarLine(Phase::kProgram, 40, 7, 10), "program [####------]  40%  0:07");
  EXPECT_EQ(FormatBarLine(Phase::kErase, 100, 65, 10), "erase   [##########] 100%  1:05");
  EXPECT_EQ(FormatBarLine(Phase::kErase, -4, 0, 4), "erase   [----]   0%  0:00");
  EXPECT_EQ(FormatPlainLine(Phase::kProgram, 90, 3), "program  90%  0:03");
}

TEST(ProgressFormat, BarFitsTheTerminal) {
  EXPECT_EQ(BarWidthForColumns(0), 30);
  EXPECT_EQ(BarWidthForColumns(200), 30);
  EXPECT_EQ(BarWidthForColumns(5), 5);
  for (int columns : {30, 40, 54}) {
    std::string line = FormatBarLine(Phase::kProgram, 100, 3600 * 9 + 3599, BarWidthForColumns(columns));
    EXPECT_LT(static_cast<int>(line.size()), columns) << line;
  }
}

// Captures what a view writes.
class Capture {
 public:
  Capture() : stream_(open_memstream(&buffer_, &size_)) {}
  ~Capture() {
    std::fclose(stream_);
    std::free(buffer_);
  }
  std::FILE *stream() { return stream_; }
  std::string Text() {
    std::fflush(stream_);
    return std::string(buffer_, size_);
  }

 private:
  char *buffer_ = nullptr;
  size_t size_ = 0;
  std::FILE *stream_;
};

TEST(PlainLines, OneLineAtEachNewTenPercentPerPhase) {
  Capture capture;
  auto view = MakePlainLines(capture.stream());
  view->Show(Phase::kErase, 0, 0);
  view->Show(Phase::kErase, 9, 0);
  view->Show(Phase::kErase, 10, 1);
  view->Show(Phase::kErase, 15, 1);
  view->Show(Phase::kErase, 47, 2);   // a jump gives one line, at its own ten
  view->Show(Phase::kErase, 100, 3);
  view->Show(Phase::kProgram, 0, 3);
  view->Show(Phase::kProgram, 12, 4);
  view->End();
  EXPECT_EQ(capture.Text(),
            "erase    10%  0:01\n"
            "erase    40%  0:02\n"
            "erase   100%  0:03\n"
            "program  10%  0:04\n");
}

TEST(PlainLines, WaitNeverForAQuestionButKeepTheLineForLater) {
  Capture capture;
  auto view = MakePlainLines(capture.stream());
  {
    // A question being asked holds the console.
    std::lock_guard question(console::Mutex());
    view->Show(Phase::kProgram, 30, 1);
  }
  EXPECT_EQ(capture.Text(), "");
  view->Show(Phase::kProgram, 30, 2);
  EXPECT_EQ(capture.Text(), "program  30%  0:02\n");
}

TEST(TerminalBar, DrawsAgainBelowAMessageThatEndedItsLine) {
  Capture capture;
  auto view = MakeTerminalBar(capture.stream(), 4);
  view->Show(Phase::kProgram, 50, 1);
  {
    std::lock_guard message(console::Mutex());
    console::CloseOpenLine();
    std::fputs("kvnisp: a notice\n", capture.stream());
  }
  view->Show(Phase::kProgram, 50, 1);
  view->End();
  EXPECT_EQ(capture.Text(),
            "\rprogram [##--]  50%  0:01\x1b[K\n"
            "kvnisp: a notice\n"
            "\rprogram [##--]  50%  0:01\x1b[K\n");
}

TEST(TerminalBar, SkipsAPollWhileAQuestionHoldsTheConsole) {
  Capture capture;
  auto view = MakeTerminalBar(capture.stream(), 4);
  {
    std::lock_guard question(console::Mutex());
    view->Show(Phase::kErase, 50, 1);
  }
  EXPECT_EQ(capture.Text(), "");
  view->End();
  EXPECT_EQ(capture.Text(), "");   // nothing was open, no stray line break
}

TEST(TerminalBar, RedrawsInPlaceAndEndsTheLine) {
  Capture capture;
  auto view = MakeTerminalBar(capture.stream(), 4);
  view->Show(Phase::kProgram, 50, 1);
  view->Show(Phase::kProgram, 50, 1);   // unchanged: nothing drawn
  view->Show(Phase::kProgram, 100, 2);
  view->End();
  EXPECT_EQ(capture.Text(),
            "\rprogram [##--]  50%  0:01\x1b[K"
            "\rprogram [####] 100%  0:02\x1b[K\n");
}

}  // namespace
}  // namespace kvnisp
