// The mouse and the position scroll bar over the frozen view: which sample a click chooses, where
// the cursors, the interval marks and the view position go, when nothing happens, and (in whole
// runs) that a click and the scroll bar move the segment the frozen view analyses.
#include "interaction/mouse_input.h"

#include <algorithm>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "audio/live_fixture.h"
#include "display/display_state.h"
#include "display/panel_state.h"
#include "display/sample_slots.h"
#include "display/signal_panels.h"
#include "interaction/image_rebuild.h"
#include "platform/ui_model.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"
#include "support/signals.h"

namespace {

constexpr int kBackground = 5;

// --- The time jump's arithmetic ----------------------------------------------------------------

TEST(TimeJumpPosition, MapsThePanelWidthOntoTheScrollRangeAndRefusesWhatLiesOutside) {
  struct Case {
    int x, left, width;
    bool ok;
    int position;
  } cases[] = {
      {0, 0, 760, true, 0},     {760, 0, 760, true, 8000}, {761, 0, 760, false, 0},   {-1, 0, 760, false, 0},
      {500, 380, 380, true, 2526}, {379, 380, 380, false, 0}, {100, 0, 0, false, 0}, {100, 0, -5, false, 0},
  };
  for (const Case& c : cases) {
    float exact = -1;
    int position = -1;
    EXPECT_EQ(TimeJumpPosition(c.x, c.left, c.width, 8000, &exact, &position), c.ok) << c.x << " " << c.left;
    if (c.ok) {
      EXPECT_EQ(position, c.position) << c.x;
      EXPECT_NEAR(exact, (c.x - c.left) * 8000.0 / c.width, 1e-3) << c.x;
    } else {
      EXPECT_EQ(position, -1) << "nothing written for " << c.x;
    }
  }
}

// --- Handlers over a hand-made frozen view ----------------------------------------------------

std::vector<std::pair<uint32_t, uintptr_t>> Sent;
intptr_t Recorder(uint32_t message, uintptr_t wParam, intptr_t) {
  Sent.emplace_back(message, wParam);
  return 0;
}

class MouseTest : public ::testing::Test {
 protected:
  static constexpr int kW = 760, kH = 500;
  void SetUp() override {
    ResetProgramState();
    ResetMouseInputState();
    Sent.clear();
    SetMainWindowProcedure(Recorder);
    Display.ScreenWidth = Display.ClientWidth = Display.PanelAreaWidth = kW;
    Display.ScreenHeight = 600;
    Display.PanelAreaHeight = kH;
    MakeFrame();
    Mode.Frozen = 1;
    Mode.StopRequested = 0;
    MainUi.scrollBar.maximum = 8000;
    Samples.CursorX = 1000;
    Samples.CursorXB = 5000;
    LiveView.ViewPosition = 1000;
    Layout(1, 0);  // F2
  }
  void TearDown() override {
    SetMainWindowProcedure(nullptr);
    ResetProgramState();
    ResetMouseInputState();
  }
  // The panels as the layout draws them, as the mouse code reads them back.
  void Layout(int displayMode, int comparisonMode) {
    Companions.DisplayMode = displayMode;
    Companions.ComparisonMode = comparisonMode;
    auto sp = RebuildSpectrogramRect(displayMode, comparisonMode, 1, kW, kH);
    Display.Panels.Spectrogram = sp ? *sp : PanelRect{};
    // The spectrum panel lies in the right half where a layout has one.
    Display.Panels.Spectrum = {kW / 2, kH, kW / 2, kH / 2};
  }
  // Marks the frame and the focus so that a handler's finish can be seen.
  void Dirty() {
    canvas::DrawContext(&Display.FrameDC).SetPixel(3, 3, 77);
    Display.FullRedraw = 0;
    MainUi.hasFocus = false;
  }
  bool Finished() const {
    return Display.FrameDC.Row(3)[3] == kBackground && Display.FullRedraw == 1 && MainUi.hasFocus;
  }
};

TEST_F(MouseTest, NothingHappensOverALiveViewOrWhileAHeldSamplePlaysAndTheRightButtonOnlyFreezes) {
  for (int which = 0; which < 2; ++which) {
    Mode.Frozen = Mode.PlayingSignals = which;
    Dirty();
    OnLeftButtonDown(190, 300);
    OnMouseMove(300, 300);
    EXPECT_EQ(SignalPanels.DragActive + SignalPanels.IntervalStartA, 0) << which;
    EXPECT_EQ(LiveView.ViewPosition, 1000) << which;
    EXPECT_EQ(PanelCursors.CursorY + PanelCursors.SpectrumCursorA, 0) << which;
    EXPECT_EQ(Display.FullRedraw, 0) << which;
    EXPECT_FALSE(MainUi.hasFocus) << which;
  }
  // The right button freezes while an activity runs and nothing is recorded, and does nothing else.
  for (auto [idle, recording, freezes] : {std::tuple{0, 0, true}, {1, 0, false}, {0, 1, false}}) {
    Sent.clear();
    Mode.IdleState = idle;
    Mode.Recording = static_cast<uint8_t>(recording);
    OnRightButtonDown();
    const std::vector<std::pair<uint32_t, uintptr_t>> freeze = {{WM_COMMAND, CMD_FREEZE}};
    EXPECT_EQ(Sent, freezes ? freeze : decltype(freeze){}) << idle << recording;
    EXPECT_EQ(Display.FullRedraw, 0);
  }
}

// A click chooses the sample (Sample B: the lower half in Above/Below, at its own position), jumps
// along a time axis, moves the cursor that leads on its side, and starts an interval mark.
TEST_F(MouseTest, AClickChoosesTheSampleJumpsAndMovesTheLeadingCursor) {
  struct Case {
    int mode, comparison, x, y, sample, target, viewPosition;
    bool rowMoves;
  } cases[] = {
      {1, 0, 190, 300, 0, 0, 2000, true},          // F2: a quarter of the width
      {1, 1, 380, 400, 1, 0, 4000, true},          // F2, B's half: B's view jumps, B's row moves
      {0, 1, 95, 100, 0, 2, 2000, true},           // F1 spectrogram side, A
      {0, 1, 95, 400, 1, 4, 2000, true},           // F1 spectrogram side, B
      {0, 1, 600, 100, 0, 1, 1000, true},          // F1 spectrum side, A: beyond the spectrogram, no jump
      {0, 1, 600, 400, 1, 3, 5000, true},          // F1 spectrum side, B
      {4, 0, 500, 120, 0, 9, 1000, false},         // F5 signal side: the cursors keep their lead
      {4, 0, 95, 120, 0, 0, 2000, true},           // F5 spectrogram side
      {5, 1, 100, kH / 2 + 1, 1, 9, 5000, false},  // F6 (no time axis): B where it was looked at last
      {5, 1, 100, kH / 2, 0, 9, 1000, false},      // the middle row still belongs to A
      {5, 0, 100, kH - 1, 0, 9, 1000, false},      // and so does everything without Above/Below
  };
  for (const Case& c : cases) {
    SetUp();
    Layout(c.mode, c.comparison);
    PanelCursors.CursorTarget = 9;
    PanelCursors.CursorY = PanelCursors.CursorYB = -7;
    Dirty();
    OnLeftButtonDown(c.x, c.y);
    const std::string at = std::to_string(c.mode) + ": " + std::to_string(c.x) + "," + std::to_string(c.y);
    const bool b = c.sample == 1;
    EXPECT_EQ(LiveView.ViewedSample, c.sample) << at;
    EXPECT_EQ(SignalPanels.ViewedSample, c.sample) << at;
    EXPECT_EQ(PanelCursors.CursorTarget, c.target) << at;
    EXPECT_EQ(LiveView.ViewPosition, c.viewPosition) << at;
    EXPECT_EQ(MainUi.scrollBar.position, c.viewPosition) << at;
    EXPECT_FLOAT_EQ(MouseInput.ViewPositionExact, c.viewPosition == (b ? 5000 : 1000) ? 0 : c.viewPosition)
        << at;
    EXPECT_EQ(b ? PanelCursors.CursorYB : PanelCursors.CursorY, c.rowMoves ? c.y : -7) << at;
    EXPECT_EQ(b ? PanelCursors.CursorY : PanelCursors.CursorYB, -7) << at;
    EXPECT_EQ(b ? PanelCursors.SpectrumCursorB : PanelCursors.SpectrumCursorA, c.x - kW / 2) << at;
    EXPECT_EQ(b ? PanelCursors.SpectrumCursorA : PanelCursors.SpectrumCursorB, 0) << at;
    EXPECT_EQ(b ? SignalPanels.IntervalStartB : SignalPanels.IntervalStartA, c.x) << at;
    EXPECT_EQ(b ? SignalPanels.IntervalEndB : SignalPanels.IntervalEndA, c.x) << at;
    EXPECT_EQ(b ? SignalPanels.IntervalStartA : SignalPanels.IntervalStartB, 0) << at;
    EXPECT_EQ(SignalPanels.DragActive, 1) << at;
    EXPECT_EQ(SignalPanels.DragX, c.x) << at;
    EXPECT_TRUE(Finished()) << at;
    OnLeftButtonUp();
    EXPECT_EQ(SignalPanels.DragActive, 0);
  }
}

TEST_F(MouseTest, ADragMovesTheIntervalEndAndTheCursorsButKeepsItsSampleAndStart) {
  Layout(1, 1);
  OnLeftButtonDown(100, 100);  // Sample A
  Dirty();
  OnMouseMove(380, 400);  // over B's half: the sample stays A
  EXPECT_EQ(LiveView.ViewedSample, 0);
  EXPECT_EQ(SignalPanels.IntervalStartA, 100);
  EXPECT_EQ(SignalPanels.IntervalEndA, 380);
  EXPECT_EQ(SignalPanels.IntervalEndB, 0);
  EXPECT_EQ(SignalPanels.DragX, 380);
  EXPECT_EQ(PanelCursors.CursorY, 400);
  EXPECT_EQ(PanelCursors.CursorYB, 0);
  EXPECT_EQ(PanelCursors.SpectrumCursorA, 0);
  EXPECT_EQ(LiveView.ViewPosition, 4000);
  EXPECT_TRUE(Finished());
  // Dragged out of the window: the row stops at the top, the view where it was.
  OnMouseMove(900, -20);
  EXPECT_EQ(PanelCursors.CursorY, 0);
  EXPECT_EQ(LiveView.ViewPosition, 4000);
  EXPECT_EQ(SignalPanels.IntervalEndA, 900);
  // A release ends the drag even when an unfreeze (a key) came first; later moves change nothing.
  Mode.Frozen = 0;
  OnLeftButtonUp();
  Mode.Frozen = 1;
  Dirty();
  OnMouseMove(200, 200);
  EXPECT_EQ(SignalPanels.DragActive, 0);
  EXPECT_EQ(SignalPanels.IntervalEndA, 900);
  EXPECT_EQ(Display.FullRedraw, 0);
}

TEST_F(MouseTest, ScrollStepsStayWithinTheRangeAndTheThumbFollowsExceptInTheOverlay) {
  struct Case {
    int from;
    unsigned code;
    int thumb, to;
  } cases[] = {
      {0, SB_LINELEFT, 0, 0},           {10, SB_LINELEFT, 0, 9},     {7999, SB_LINERIGHT, 0, 8000},
      {8000, SB_LINERIGHT, 0, 8000},    {3, SB_PAGELEFT, 0, 0},      {100, SB_PAGELEFT, 0, 96},
      {7998, SB_PAGERIGHT, 0, 8000},    {100, SB_PAGERIGHT, 0, 104}, {100, SB_THUMBPOSITION, 1234, 1234},
      {100, SB_THUMBTRACK, 4321, 4321}, {100, SB_ENDSCROLL, 9, 100}, {100, SB_LEFT, 0, 100},
  };
  for (const Case& c : cases) {
    LiveView.ViewPosition = c.from;
    MainUi.scrollBar.position = -1;
    Dirty();
    OnPositionScroll(c.code, c.thumb);
    EXPECT_EQ(LiveView.ViewPosition, c.to) << c.from << " code " << c.code;
    EXPECT_EQ(MainUi.scrollBar.position, c.to) << c.from << " code " << c.code;
    EXPECT_TRUE(Finished()) << c.from << " code " << c.code;
  }
  // The overlay comparison ignores the bar altogether.
  Layout(3, 2);
  Dirty();
  OnPositionScroll(SB_PAGERIGHT, 0);
  OnPositionScroll(SB_THUMBTRACK, 6000);
  EXPECT_EQ(LiveView.ViewPosition, 100);
  EXPECT_EQ(Display.FullRedraw, 0);
}

// --- Whole runs: the frozen view reads where the mouse and the bar put it ----------------------

constexpr int kRate = 22050;
constexpr double kBinHz = kRate / 2048.0;

class MouseRun : public LiveRunTest {
 protected:
  void TearDown() override {
    LiveRunTest::TearDown();
    ResetMouseInputState();
  }
};

TEST_F(MouseRun, AClickAndTheScrollBarMoveTheSegmentTheFrozenViewAnalyses) {
  // 1.5 s of 440 Hz, then 1.5 s of 1000 Hz: after 3 s of sound the held sample's first
  // half-second is 440 Hz and its third second 1000 Hz.
  std::vector<int16_t> sound = testsig::Sine(440, 8000, kRate, kRate * 3 / 2);
  const std::vector<int16_t> high = testsig::Sine(1000, 8000, kRate, kRate * 3 / 2);
  sound.insert(sound.end(), high.begin(), high.end());
  Hear(std::move(sound), 1);
  Open(1);  // F2: the spectrogram spans the panel area
  const PanelRect sp = *RebuildSpectrogramRect(1, 0, 1, Display.PanelAreaWidth, Display.PanelAreaHeight);
  const int x = sp.width / 16, y = sp.bottom - sp.height / 2;  // about 0.5 s into the 8-second sample
  float exact = 0;
  int clicked = 0;
  ASSERT_TRUE(TimeJumpPosition(x, sp.x, sp.width, 8000, &exact, &clicked));
  constexpr int kScrolled = 2200;  // 2.2 s: the 1000 Hz part

  // Each frozen frame as presented: where it looked, the peak it found, the spectrogram row.
  std::vector<std::tuple<int, double, int>> steps;
  int stepsAtClick = 0;
  backend->onPresent = [&] {
    if (!Mode.Frozen || Mode.FreezePending) return;
    const int16_t* spectrum = Samples.SpectrumA.data();
    const double peakHz = (std::max_element(spectrum + 4, spectrum + 1024) - spectrum) * kBinHz;
    steps.emplace_back(Samples.CursorX, peakHz, PanelCursors.CursorY);
    // A frozen view is drawn again after each action and every 250 ms: at the second frame after
    // the click the user drags the thumb.
    if (Samples.CursorX == clicked && ++stepsAtClick == 2)
      SendMainMessage(WM_HSCROLL, SB_THUMBTRACK | (static_cast<uintptr_t>(kScrolled) << 16), 0);
  };
  const std::string at = std::to_string(x) + " " + std::to_string(y);
  Run("wait 3000\nmouse rdown 10 10\nwait 300\nmouse down " + at + "\nmouse up " + at +
      "\nwait 500\nkey Escape");

  ASSERT_FALSE(steps.empty()) << "the right button froze the view";
  int atClick = 0, atScroll = 0;
  for (auto [cursorX, peakHz, cursorY] : steps) {
    if (cursorX == clicked) {
      ++atClick;
      EXPECT_NEAR(peakHz, 440, kBinHz) << "step at the clicked time";
      EXPECT_EQ(cursorY, y);
    } else if (cursorX == kScrolled) {
      ++atScroll;
      EXPECT_NEAR(peakHz, 1000, kBinHz) << "step at the scrolled time";
    }
  }
  EXPECT_EQ(atClick, 2);
  EXPECT_GE(atScroll, 1);
  EXPECT_EQ(std::get<0>(steps.back()), kScrolled);
  // Before the click the view showed the freeze time, in the 1000 Hz part.
  EXPECT_NEAR(std::get<1>(steps.front()), 1000, kBinHz);
}

}  // namespace
