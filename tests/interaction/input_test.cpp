// The keys and the mouse on their own, over a recorder in place of the main window (so every command
// they send is seen rather than carried out): which command each key sends in which state and
// variant, what the keys that act directly do to the settings, cursors and levels; which sample a
// click chooses and where the cursors, interval marks and view go, and the position scroll bar.
// Whole run: a click moves the segment a frozen view analyses.
#include <algorithm>

#include "audio/live_fixture.h"
#include "display/display_state.h"
#include "display/panel_state.h"
#include "display/sample_slots.h"
#include "display/signal_panels.h"
#include "interaction/image_rebuild.h"
#include "interaction/keyboard_actions.h"
#include "interaction/keyboard_commands.h"
#include "interaction/mouse_input.h"
#include "platform/ui_model.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"
#include "signals/signals.h"

namespace {

struct Sent {
  uint32_t message;
  uintptr_t wParam;
  bool operator==(const Sent&) const = default;
};

std::vector<Sent> sent;
std::function<void(const Sent&)> react;  // the state change a real command would make
std::vector<int> forwarded;              // commands forwarded to the options dialog

intptr_t Recorder(uint32_t message, uintptr_t wParam, intptr_t) {
  sent.push_back({message, wParam});
  if (react) react(sent.back());
  return 0;
}

std::vector<Sent> Cmd(int id) {
  return id ? std::vector<Sent>{{WM_COMMAND, static_cast<uintptr_t>(id)}} : std::vector<Sent>{};
}

class InputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Reset();
    SetBackend(backend.get());
    SetMainWindowProcedure(Recorder);
  }
  void TearDown() override {
    SetMainWindowProcedure(MainWindowProc);
    SetBackend(nullptr);
    Reset();
  }
  static void Reset() {
    ResetProgramState();
    sent.clear();
    forwarded.clear();
    react = nullptr;
  }
  std::unique_ptr<HeadlessBackend> backend = std::make_unique<HeadlessBackend>(HeadlessConfig{});
};

// --- Keys ------------------------------------------------------------------------------------

constexpr uint32_t kShift = 1 << 16, kCtrl = 1 << 17;  // added to a key code: pressed with Shift, Ctrl

class KeyTable : public InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    hooks.sendOptionsDialogCommand = [](int id) { forwarded.push_back(id); };
  }
  void Variant(int v) {
    AnalysisSettings.ProductVariant = v;
    ApplyVariantStartValues(v);
    DeriveModesFromSettings();
  }
  // Frozen on a held live view (no activity loop really runs under the recorder).
  void Frozen() { Mode.IdleState = Mode.StopRequested = 0, Mode.Frozen = 1; }
  std::vector<Sent> Press(uint32_t key) {
    sent.clear();
    HandleKeyDown({key & 0xFFFF, (key & kShift) != 0, (key & kCtrl) != 0}, hooks);
    return sent;
  }
  // Presses each key alone and expects the one command it sends (0: none).
  void Expect(std::initializer_list<std::pair<uint32_t, int>> keys, const char* state) {
    for (auto [key, id] : keys) EXPECT_EQ(Press(key), Cmd(id)) << state << ": " << key;
  }
  // Presses each key (0: none) and expects a value to hold then.
  struct Step {
    uint32_t key;
    const int* field = nullptr;
    int value = 0;
  };
  void Steps(std::initializer_list<Step> steps) {
    int n = 0;
    for (const Step& s : steps) {
      if (s.key) Press(s.key);
      EXPECT_TRUE(!s.field || *s.field == s.value) << "step " << n++ << ": " << (s.field ? *s.field : 0);
    }
  }

  KeyboardHooks hooks;
  AnalysisSettingsRecord& settings = AnalysisSettings;
};

TEST_F(KeyTable, LettersSendTheButtonCommandsOfTheirStateOrActInTheSignalsVariant) {
  Variant(1);
  Mode.IdleState = 1;  // nothing runs: nothing to freeze
  Expect({{'R', CMD_RUN}, {'P', CMD_PLAY_FILE}, {'F', 0}, {'A', 0}, {'M', MENU_MEASUREMENTS}}, "idle");
  Mode.StopRequested = 1;  // nothing running: Store and the options are open to the keys, Play B is not
  Expect({{'S', CMD_STORE}, {'B', 0}, {'N', MENU_ANALYSIS_OPTIONS}}, "stopped");
  Mode.AdvancedOptionsActive = 1;
  Expect({{'N', MENU_ADVANCED_OPTIONS}}, "advanced options");
  Mode.IdleState = Mode.StopRequested = 0;  // R records, F and A freeze and run, S waits for a freeze
  Expect({{'R', CMD_RECORD}, {'F', CMD_FREEZE}, {'A', CMD_RUN}, {'S', 0}, {KEY_SPACE, CMD_FREEZE}, {'E', CMD_RESET},
          {KEY_ESCAPE, CMD_RESET}}, "live");
  Mode.Recording = 1;  // recording holds Freeze, Run and Reset back
  Expect({{'F', 0}, {'A', 0}, {'E', 0}, {KEY_ESCAPE, 0}}, "recording");
  Mode.Recording = 0;
  Mode.Frozen = 1;
  SetComparisonModeButton(ID_COMPARISON_ABOVE_BELOW);
  Expect({{'S', CMD_STORE}, {'B', CMD_PLAY_FILE}}, "frozen with a comparison");
  Mode.PlayingSignals = 1;
  Expect({{'B', 0}}, "playing");
  // One R press runs, then records when the run left the idle state (a nested start).
  Mode.IdleState = 1;
  Mode.Frozen = Mode.PlayingSignals = 0;
  react = [](const Sent& s) { if (s.wParam == CMD_RUN) Mode.IdleState = 0; };
  EXPECT_EQ(Press('R'), (std::vector<Sent>{{WM_COMMAND, CMD_RUN}, {WM_COMMAND, CMD_RECORD}}));

  // The signals variant's letters choose the channel, a polarity and the palette.
  react = nullptr;
  Variant(2);
  Frozen();
  EXPECT_TRUE(Press('E').empty());  // E selects the EGG channel there, it never resets
  auto& s = settings;
  Steps({{0, &s.ListenChannel, 0}, {'A', &s.ListenChannel, 1},
         {'E' + kShift, &s.GlottogramPolarity, ID_GLOTTOGRAM_MINUS}, {'A' + kShift, &s.AudioPolarity, ID_AUDIO_MINUS},
         {0, &Display.ClearFrameRequest, 1}, {'E' + kShift, &s.GlottogramPolarity, ID_GLOTTOGRAM_PLUS},
         {'C' + kShift, &s.PaletteChoice, ID_GRAY_SCALE}, {'C' + kShift, &s.PaletteChoice, ID_COLOR_SCALE},
         {KEY_F1 + 1, &Companions.DisplayMode, Companions.DisplayMode}});  // no layout keys
  // Esc is the Stop button's key; S, B, N are not this variant's.
  Expect({{KEY_ESCAPE, CMD_RESET}, {'S', 0}, {'B', 0}, {'N', 0}}, "signals variant");
}

TEST_F(KeyTable, FunctionKeysActOnlyOnAStillFrozenViewAndGoToAnOpenDialog) {
  Variant(0);
  Mode.IdleState = Mode.StopRequested = 0;
  const int &display = Companions.DisplayMode, &comparison = Companions.ComparisonMode;
  Steps({{KEY_F1 + 2, &display, 4}});  // live: the start layout F5 stays
  Frozen();
  // Ctrl+F3 only in F4; F1 then drops Overlay to Above/Below; Ctrl+F2 must not also choose layout F2.
  Steps({{KEY_F1 + 5, &settings.DisplayModeButton, ID_DISPLAY_F6}, {KEY_F1 + 2 + kCtrl, &comparison, 0},
         {KEY_F1 + 3}, {KEY_F1 + 2 + kCtrl, &comparison, 2}, {KEY_F1, &comparison, 1}, {0, &display, 0},
         {KEY_F1 + 1 + kCtrl, &display, 0}});
  // With the options dialog open the keys become its radio commands; the display is the dialog's business then.
  Mode.OptionsDialogOpen = 1;
  for (uint32_t key : {KEY_F1 + 5, KEY_F1 + kCtrl, KEY_F1 + kShift, uint32_t{KEY_RETURN}}) Press(key);
  EXPECT_EQ(forwarded, (std::vector<int>{ID_DISPLAY_F6, ID_COMPARISON_DISABLED, 1037, IDOK}));
  Steps({{0, &display, 0}, {0, &settings.ActiveConfiguration, ID_CONFIGURATION_1}});
  // F5..F8 are the full variant's only.
  Mode.OptionsDialogOpen = 0;
  Variant(1);
  Frozen();
  Steps({{KEY_F1 + 6, &settings.DisplayModeButton, ID_DISPLAY_F2}});
}

TEST_F(KeyTable, LeftRightStepTheViewOrShiftTheAudioAndUpDownMoveTheSpectrumCursorOfTheViewedSample) {
  Variant(0);
  Frozen();
  // The keys step the view themselves (nothing sent to the scroll bar's handler), as the bar does: a
  // page with Shift, the thumb along; also in the Overlay comparison, where the bar is ignored. They
  // beep where the view stands at its start, and stay.
  settings.LeftRightAssignment = ID_LR_AUDIO_EGG_SCROLL;
  LiveView.ViewPosition = 100;
  Steps({{KEY_RIGHT + kShift, &LiveView.ViewPosition, 104}, {KEY_LEFT, &LiveView.ViewPosition, 103},
         {0, &MainUi.scrollBar.position, 103}});
  SetDisplayModeButton(ID_DISPLAY_F4);
  SetComparisonModeButton(ID_COMPARISON_OVERLAY);
  Steps({{0, &Companions.ComparisonMode, 2}, {KEY_RIGHT, &LiveView.ViewPosition, 104}});
  LiveView.ViewPosition = 0;
  LiveView.ViewClampedAtStart = 1;
  Steps({{KEY_LEFT, &LiveView.ViewPosition, 0}, {0, &MainUi.scrollBar.position, 0}});
  EXPECT_EQ(backend->Beeps(), 1);
  EXPECT_TRUE(sent.empty());
  settings.LeftRightAssignment = ID_LR_AUDIO_ONLY_SCROLL;
  EXPECT_TRUE(Press(KEY_LEFT + kShift).empty());
  EXPECT_EQ(Samples.AudioDelayA, -6);  // 0.3 ms earlier
  LiveView.AudioClampedAtEnd = 1;
  LiveView.ViewedSample = 1;
  Steps({{KEY_RIGHT, &Samples.AudioDelayB, 1}});  // the step is made even at the limit, with a beep
  EXPECT_EQ(backend->Beeps(), 2);
  Mode.PlayingSignals = 1;
  Steps({{KEY_RIGHT, &Samples.AudioDelayB, 1}});

  Variant(1);
  Frozen();
  Mode.PlayingSignals = LiveView.ViewedSample = 0;
  settings.UpDownAssignment = ID_UD_SPECTRUM_CURSOR;
  Display.Panels.Spectrum.width = 100;
  SetDisplayModeButton(ID_DISPLAY_F1);
  auto& c = PanelCursors;
  Steps({{KEY_UP + kShift, &c.SpectrumCursorA, 4}, {0, &c.CursorTarget, 1}, {KEY_DOWN + kShift},
         {KEY_DOWN, &c.SpectrumCursorA, 0}});  // not below the panel's left edge
  for (int i = 0; i < 30; ++i) Press(KEY_UP + kShift);
  EXPECT_EQ(c.SpectrumCursorA, 100);  // nor beyond its right edge
  // F3: the spectrogram row moves with it, up is a smaller row; Sample B keeps its own row.
  SetDisplayModeButton(ID_DISPLAY_F3);
  LiveView.ViewedSample = 1;
  c.CursorYB = 200;
  Steps({{KEY_DOWN + kShift, &c.CursorYB, 204}, {0, &c.CursorTarget, 0}, {KEY_UP, &c.CursorYB, 203}});
  c.CursorYB = 2;
  Steps({{KEY_UP + kShift, &c.CursorYB, 0}});
}

TEST_F(KeyTable, UpDownMoveTheCriterionLineInTheSignalLayoutsEvenWhenLive) {
  Variant(0);
  Mode.IdleState = 0;
  SignalPanels.CqLevelA = 0.3f;
  for (int i = 0; i < 20; ++i) Press(KEY_DOWN);
  EXPECT_FLOAT_EQ(SignalPanels.CqLevelA, 0.5f);
  Press(KEY_UP);
  EXPECT_NEAR(SignalPanels.CqLevelA, 0.49f, 1e-6);
  SetDisplayModeButton(ID_DISPLAY_F4);  // no glottogram: the keys leave the line alone
  Press(KEY_UP);
  EXPECT_NEAR(SignalPanels.CqLevelA, 0.49f, 1e-6);
  // The step is a pixel of the band, clamped, and safe before any panel was drawn (height 0).
  for (int h : {0, 37, 241}) {
    float level = 0;
    for (int i = 0; i < 60; ++i) level = StepCqLevel(level, -0.01f, h);
    EXPECT_FLOAT_EQ(level, -0.5f) << h;
    EXPECT_NEAR(StepCqLevel(0.25f, 0.01f, h), 0.26f, 1e-6) << h;
  }
}

// --- The mouse and the position scroll bar ---------------------------------------------------

constexpr int kBackground = 5;

// (Times inside the panel: the click table below.)
TEST(TimeJumpPosition, TheRightEdgeIsTheLastTimeAndWhatLiesOutsideOrAnEmptyPanelIsRefused) {
  float exact = -1;
  int position = -1;
  for (auto [x, left, width, expected] : {std::tuple{760, 0, 760, 8000}, {500, 380, 380, 2526}}) {
    EXPECT_TRUE(TimeJumpPosition(x, left, width, 8000, &exact, &position)) << x;
    EXPECT_EQ(position, expected);
    EXPECT_NEAR(exact, (x - left) * 8000.0 / width, 1e-3);
  }
  for (auto [x, left, width] : {std::tuple{761, 0, 760}, {-1, 0, 760}, {379, 380, 380}, {100, 0, 0}, {100, 0, -5}})
    EXPECT_FALSE(TimeJumpPosition(x, left, width, 8000, &exact, &position)) << x << " " << left << " " << width;
  EXPECT_EQ(position, 2526);  // nothing written by a refusal
}

class MouseTest : public InputTest {
 protected:
  static constexpr int kW = 760, kH = 500;
  void SetUp() override {
    InputTest::SetUp();
    Display.ScreenWidth = Display.ClientWidth = Display.PanelAreaWidth = kW;
    Display.ScreenHeight = 600, Display.PanelAreaHeight = kH;
    MakeFrame();
    Mode.Frozen = 1, Mode.StopRequested = 0;
    MainUi.scrollBar.maximum = 8000;
    Samples.CursorX = LiveView.ViewPosition = 1000;
    Samples.CursorXB = 5000;
    Layout(1, 0);  // F2
  }
  // The panels as the layout draws them, as the mouse code reads them back.
  void Layout(int displayMode, int comparisonMode) {
    Companions.DisplayMode = displayMode;
    Companions.ComparisonMode = comparisonMode;
    auto sp = RebuildSpectrogramRect(displayMode, comparisonMode, 1, kW, kH);
    Display.Panels.Spectrogram = sp ? *sp : PanelRect{};
    Display.Panels.Spectrum = {kW / 2, kH, kW / 2, kH / 2};  // in the right half where a layout has one
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
    EXPECT_EQ(SignalPanels.DragActive + SignalPanels.IntervalStartA + PanelCursors.CursorY, 0) << which;
    EXPECT_EQ(PanelCursors.SpectrumCursorA + Display.FullRedraw + MainUi.hasFocus, 0) << which;
    EXPECT_EQ(LiveView.ViewPosition, 1000) << which;
  }
  // The right button freezes while an activity runs and nothing is recorded, and does nothing else.
  for (auto [idle, recording, freezes] : {std::tuple{0, 0, true}, {1, 0, false}, {0, 1, false}}) {
    sent.clear(), Mode.IdleState = idle, Mode.Recording = recording;
    OnRightButtonDown();
    EXPECT_EQ(sent, Cmd(freezes ? CMD_FREEZE : 0)) << idle << recording;
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
    TearDown();
    SetUp();
    Layout(c.mode, c.comparison);
    PanelCursors.CursorTarget = 9;
    PanelCursors.CursorY = PanelCursors.CursorYB = -7;
    Dirty();
    OnLeftButtonDown(c.x, c.y);
    SCOPED_TRACE(std::to_string(c.mode) + ": " + std::to_string(c.x) + "," + std::to_string(c.y));
    const bool b = c.sample == 1;
    EXPECT_EQ(std::tuple(LiveView.ViewedSample, SignalPanels.ViewedSample, PanelCursors.CursorTarget,
                         LiveView.ViewPosition, MainUi.scrollBar.position),
              std::tuple(c.sample, c.sample, c.target, c.viewPosition, c.viewPosition));
    EXPECT_FLOAT_EQ(MouseInput.ViewPositionExact, c.viewPosition == (b ? 5000 : 1000) ? 0 : c.viewPosition);
    EXPECT_EQ(b ? PanelCursors.CursorYB : PanelCursors.CursorY, c.rowMoves ? c.y : -7);
    EXPECT_EQ(b ? PanelCursors.CursorY : PanelCursors.CursorYB, -7);
    EXPECT_EQ(b ? PanelCursors.SpectrumCursorB : PanelCursors.SpectrumCursorA, c.x - kW / 2);
    EXPECT_EQ(b ? PanelCursors.SpectrumCursorA : PanelCursors.SpectrumCursorB, 0);
    // The interval mark starts and ends at the click on the chosen sample only; the drag begins there.
    const SignalPanelState& s = SignalPanels;
    EXPECT_EQ(std::tuple(b ? s.IntervalStartB : s.IntervalStartA, b ? s.IntervalEndB : s.IntervalEndA,
                         b ? s.IntervalStartA : s.IntervalStartB, s.DragActive, s.DragX),
              std::tuple(c.x, c.x, 0, 1, c.x));
    EXPECT_TRUE(Finished());
    OnLeftButtonUp();
    EXPECT_EQ(SignalPanels.DragActive, 0);
  }
}

TEST_F(MouseTest, ADragMovesTheIntervalEndAndTheCursorsButKeepsItsSampleAndStart) {
  Layout(1, 1);
  OnLeftButtonDown(100, 100);  // Sample A
  Dirty();
  OnMouseMove(380, 400);  // over B's half: the sample stays A
  const SignalPanelState& s = SignalPanels;
  const PanelCursorState& p = PanelCursors;
  // Sample, A's interval start and end, B's end, drag x; both rows, A's spectrum cursor, the view.
  EXPECT_EQ(std::tuple(LiveView.ViewedSample, s.IntervalStartA, s.IntervalEndA, s.IntervalEndB, s.DragX),
            std::tuple(0, 100, 380, 0, 380));
  EXPECT_EQ(std::tuple(p.CursorY, p.CursorYB, p.SpectrumCursorA, LiveView.ViewPosition), std::tuple(400, 0, 0, 4000));
  EXPECT_TRUE(Finished());
  // Dragged out of the window: the row stops at the top, the view where it was.
  OnMouseMove(900, -20);
  EXPECT_EQ(std::tuple(p.CursorY, LiveView.ViewPosition, s.IntervalEndA), std::tuple(0, 4000, 900));
  // A release ends the drag even when an unfreeze (a key) came first; later moves change nothing.
  Mode.Frozen = 0;
  OnLeftButtonUp();
  Mode.Frozen = 1;
  Dirty();
  OnMouseMove(200, 200);
  EXPECT_EQ(std::tuple(s.DragActive, s.IntervalEndA, int{Display.FullRedraw}), std::tuple(0, 900, 0));
}

TEST_F(MouseTest, ScrollStepsStayWithinTheRangeAndTheThumbFollowsExceptInTheOverlay) {
  // From, code, thumb, to. (Line and page steps inside the range: the key table.)
  const std::tuple<int, unsigned, int, int> cases[] = {
      {7999, SB_LINERIGHT, 0, 8000}, {8000, SB_LINERIGHT, 0, 8000},      {3, SB_PAGELEFT, 0, 0},
      {7998, SB_PAGERIGHT, 0, 8000}, {100, SB_THUMBPOSITION, 1234, 1234}, {100, SB_THUMBTRACK, 4321, 4321},
      {100, SB_ENDSCROLL, 9, 100},   {100, SB_LEFT, 0, 100}};
  for (auto [from, code, thumb, to] : cases) {
    LiveView.ViewPosition = from;
    MainUi.scrollBar.position = -1;
    Dirty();
    OnPositionScroll(code, thumb);
    EXPECT_EQ(std::pair(LiveView.ViewPosition, MainUi.scrollBar.position), std::pair(to, to)) << from << " " << code;
    EXPECT_TRUE(Finished()) << from << " code " << code;
  }
  // The overlay comparison ignores the bar altogether.
  Layout(3, 2);
  Dirty();
  OnPositionScroll(SB_PAGERIGHT, 0);
  OnPositionScroll(SB_THUMBTRACK, 6000);
  EXPECT_EQ(std::pair(LiveView.ViewPosition, int{Display.FullRedraw}), std::pair(100, 0));
}

// --- Whole run -------------------------------------------------------------------------------

using MouseRun = LiveRunTest;

TEST_F(MouseRun, AClickAndTheScrollBarMoveTheSegmentTheFrozenViewAnalyses) {
  // 1.5 s of 440 Hz, then 1.5 s of 1000 Hz: frozen after 3 s of sound the view stands in the 1000 Hz
  // part; the click goes about 0.5 s into the 8-second sample, the 440 Hz part; at the second frame
  // there the thumb is dragged to 2.2 s, the 1000 Hz part.
  constexpr int kRate = 22050;
  constexpr double kBinHz = kRate / 2048.0;
  std::vector<int16_t> sound = testsig::Sine(440, 8000, kRate, kRate * 3 / 2);
  const std::vector<int16_t> high = testsig::Sine(1000, 8000, kRate, kRate * 3 / 2);
  sound.insert(sound.end(), high.begin(), high.end());
  Hear(std::move(sound), 1);
  Open(1);  // F2: the spectrogram spans the panel area
  const PanelRect sp = *RebuildSpectrogramRect(1, 0, 1, Display.PanelAreaWidth, Display.PanelAreaHeight);
  const int x = sp.width / 16, y = sp.bottom - sp.height / 2;
  float exact = 0;
  int clicked = 0;
  ASSERT_TRUE(TimeJumpPosition(x, sp.x, sp.width, 8000, &exact, &clicked));
  constexpr int kScrolled = 2200;
  int before = 0, atClick = 0;  // frozen frames not at the clicked time, and at it
  backend->onPresent = [&] {
    if (!Mode.Frozen || Mode.FreezePending) return;
    const int16_t* spectrum = Samples.SpectrumA.data();
    const double peakHz = (std::max_element(spectrum + 4, spectrum + 1024) - spectrum) * kBinHz;
    const bool there = Samples.CursorX == clicked;
    ++(there ? atClick : before);
    const bool settled = !atClick || there || Samples.CursorX == kScrolled;  // not a step between the two
    EXPECT_TRUE(!settled || std::abs(peakHz - (there ? 440 : 1000)) <= kBinHz) << Samples.CursorX << ": " << peakHz;
    if (there && atClick == 2) SendMainMessage(WM_HSCROLL, SB_THUMBTRACK | (uintptr_t{kScrolled} << 16), 0);
  };
  const std::string at = std::to_string(x) + " " + std::to_string(y);
  Run("wait 3000\nmouse rdown 10 10\nwait 300\nmouse down " + at + "\nmouse up " + at + "\nwait 300\nkey Escape");
  EXPECT_GE(before, 1) << "the right button froze the view";
  EXPECT_EQ(atClick, 2);
  EXPECT_EQ(Samples.CursorX, kScrolled);
}

}  // namespace
