// The key handler on its own: which command each key sends in which state and variant, and what
// the keys that act directly do to the settings, the cursors and the levels. The main window is
// replaced by a recorder, so every command a key sends is seen rather than carried out; one whole
// run steps a frozen view with the arrow keys.
#include "interaction/keyboard_commands.h"

#include <vector>

#include "audio/live_fixture.h"
#include "display/display_state.h"
#include "display/panel_state.h"
#include "display/sample_slots.h"
#include "display/signal_panels.h"
#include "interaction/keyboard_actions.h"
#include "platform/ui_model.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

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

void RecordForward(int id) { forwarded.push_back(id); }

class KeyTable : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetProgramState();
    sent.clear();
    forwarded.clear();
    react = nullptr;
    backend = std::make_unique<HeadlessBackend>(HeadlessConfig{});
    SetBackend(backend.get());
    SetMainWindowProcedure(Recorder);
    hooks.sendOptionsDialogCommand = RecordForward;
  }
  void TearDown() override {
    react = nullptr;
    SetMainWindowProcedure(MainWindowProc);
    SetBackend(nullptr);
    ResetProgramState();
  }
  void Variant(int v) {
    AnalysisSettings.ProductVariant = v;
    ApplyVariantStartValues(v);
    DeriveModesFromSettings();
  }
  // Frozen on a held live view (no activity loop really runs under the recorder).
  void Frozen() {
    Mode.IdleState = 0;
    Mode.StopRequested = 0;
    Mode.Frozen = 1;
  }
  std::vector<Sent> Press(uint32_t key, bool shift = false, bool ctrl = false) {
    sent.clear();
    HandleKeyDown({key, shift, ctrl}, hooks);
    return sent;
  }
  static std::vector<Sent> Cmd(int id) { return {{WM_COMMAND, static_cast<uintptr_t>(id)}}; }
  // Presses each key alone and expects the one command it sends (0: none).
  void Expect(std::initializer_list<std::pair<uint32_t, int>> keys, const char* state) {
    for (auto [key, id] : keys) EXPECT_EQ(Press(key), id ? Cmd(id) : std::vector<Sent>{}) << state << ": " << key;
  }

  std::unique_ptr<HeadlessBackend> backend;
  KeyboardHooks hooks;
};

TEST_F(KeyTable, LettersSendTheButtonCommandsOfTheirState) {
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
}

TEST_F(KeyTable, OneRPressRunsThenRecordsWhenTheRunLeftTheIdleState) {
  Variant(1);
  Mode.IdleState = 1;
  // Run returns with its activity still going (a nested start): the second row sees it.
  react = [](const Sent& s) {
    if (s.wParam == CMD_RUN) Mode.IdleState = 0;
  };
  EXPECT_EQ(Press('R'), (std::vector<Sent>{{WM_COMMAND, CMD_RUN}, {WM_COMMAND, CMD_RECORD}}));
}

TEST_F(KeyTable, SignalsVariantLettersChooseChannelAndPolarityAndPalette) {
  Variant(2);
  Frozen();
  EXPECT_TRUE(Press('E').empty());  // E selects the EGG channel there, it never resets
  EXPECT_EQ(AnalysisSettings.ListenChannel, 0);
  Press('A');
  EXPECT_EQ(AnalysisSettings.ListenChannel, 1);
  Press('E', true);
  Press('A', true);
  EXPECT_EQ(AnalysisSettings.GlottogramPolarity, ID_GLOTTOGRAM_MINUS);
  EXPECT_EQ(AnalysisSettings.AudioPolarity, ID_AUDIO_MINUS);
  EXPECT_EQ(Display.ClearFrameRequest, 1);
  Press('E', true);
  EXPECT_EQ(AnalysisSettings.GlottogramPolarity, ID_GLOTTOGRAM_PLUS);
  Press('C', true);
  EXPECT_EQ(AnalysisSettings.PaletteChoice, ID_GRAY_SCALE);
  Press('C', true);
  EXPECT_EQ(AnalysisSettings.PaletteChoice, ID_COLOR_SCALE);
  // Esc is the Stop button's key; S, B, N and the function keys are not this variant's.
  Expect({{KEY_ESCAPE, CMD_RESET}, {'S', 0}, {'B', 0}, {'N', 0}}, "signals variant");
  const int mode = Companions.DisplayMode;
  Press(KEY_F1 + 1);
  EXPECT_EQ(Companions.DisplayMode, mode);
}

TEST_F(KeyTable, FunctionKeysActOnlyOnAStillFrozenViewAndGoToAnOpenDialog) {
  Variant(0);
  Mode.IdleState = 0;
  Mode.StopRequested = 0;
  Press(KEY_F1 + 2);
  EXPECT_EQ(Companions.DisplayMode, 4);  // live: the start layout F5 stays
  Frozen();
  Press(KEY_F1 + 5);
  EXPECT_EQ(AnalysisSettings.DisplayModeButton, ID_DISPLAY_F6);
  // Ctrl+F3 only in F4; F1 then drops Overlay to Above/Below.
  Press(KEY_F1 + 2, false, true);
  EXPECT_EQ(Companions.ComparisonMode, 0);
  Press(KEY_F1 + 3);
  Press(KEY_F1 + 2, false, true);
  EXPECT_EQ(Companions.ComparisonMode, 2);
  Press(KEY_F1);
  EXPECT_EQ(Companions.ComparisonMode, 1);
  EXPECT_EQ(Companions.DisplayMode, 0);
  // Ctrl+F2 must not also choose layout F2.
  Press(KEY_F1 + 1, false, true);
  EXPECT_EQ(Companions.DisplayMode, 0);

  // With the options dialog open the keys become its radio commands; the display is the
  // dialog's business then.
  Mode.OptionsDialogOpen = 1;
  Press(KEY_F1 + 5);
  Press(KEY_F1, false, true);
  Press(KEY_F1, true);
  Press(KEY_RETURN);
  EXPECT_EQ(forwarded, (std::vector<int>{ID_DISPLAY_F6, ID_COMPARISON_DISABLED, 1037, IDOK}));
  EXPECT_EQ(Companions.DisplayMode, 0);
  EXPECT_EQ(AnalysisSettings.ActiveConfiguration, ID_CONFIGURATION_1);
  // F5..F8 are the full variant's only.
  Mode.OptionsDialogOpen = 0;
  Variant(1);
  Frozen();
  Press(KEY_F1 + 6);
  EXPECT_EQ(AnalysisSettings.DisplayModeButton, ID_DISPLAY_F2);
}

// (Left/Right stepping the view, with the beep at the start: the whole run at the end.)
TEST_F(KeyTable, LeftRightShiftTheAudioOfTheViewedSample) {
  Variant(0);
  Frozen();
  AnalysisSettings.LeftRightAssignment = ID_LR_AUDIO_ONLY_SCROLL;
  EXPECT_TRUE(Press(KEY_LEFT, true).empty());
  EXPECT_EQ(Samples.AudioDelayA, -6);  // 0.3 ms earlier
  LiveView.AudioClampedAtEnd = 1;
  LiveView.ViewedSample = 1;
  Press(KEY_RIGHT);
  EXPECT_EQ(Samples.AudioDelayB, 1);  // the step is made even at the limit, with a beep
  EXPECT_EQ(backend->Beeps(), 1);
  Mode.PlayingSignals = 1;
  Press(KEY_RIGHT);
  EXPECT_EQ(Samples.AudioDelayB, 1);
}

TEST_F(KeyTable, UpDownMoveTheSpectrumCursorOfTheViewedSample) {
  Variant(1);
  Frozen();
  AnalysisSettings.UpDownAssignment = ID_UD_SPECTRUM_CURSOR;
  Display.Panels.Spectrum.width = 100;
  SetDisplayModeButton(ID_DISPLAY_F1);
  Press(KEY_UP, true);
  EXPECT_EQ(PanelCursors.SpectrumCursorA, 4);
  EXPECT_EQ(PanelCursors.CursorTarget, 1);
  Press(KEY_DOWN, true);
  Press(KEY_DOWN);
  EXPECT_EQ(PanelCursors.SpectrumCursorA, 0);  // not below the panel's left edge
  for (int i = 0; i < 30; ++i) Press(KEY_UP, true);
  EXPECT_EQ(PanelCursors.SpectrumCursorA, 100);  // nor beyond its right edge
  // F3: the spectrogram row moves with it, up is a smaller row; Sample B keeps its own row.
  SetDisplayModeButton(ID_DISPLAY_F3);
  LiveView.ViewedSample = 1;
  PanelCursors.CursorYB = 200;
  Press(KEY_DOWN, true);
  EXPECT_EQ(PanelCursors.CursorYB, 204);
  EXPECT_EQ(PanelCursors.CursorTarget, 0);
  Press(KEY_UP);
  EXPECT_EQ(PanelCursors.CursorYB, 203);
  PanelCursors.CursorYB = 2;
  Press(KEY_UP, true);
  EXPECT_EQ(PanelCursors.CursorYB, 0);
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

// --- The keys in a whole run: a user freezes live sound and steps the frozen view ------------

using KeyRun = LiveRunTest;

TEST_F(KeyRun, LeftAndRightStepTheViewAsTheScrollBarDoesAndBeepAtTheStart) {
  sound->source.sineHz = 220;
  Open(0);
  AnalysisSettings.LeftRightAssignment = ID_LR_AUDIO_EGG_SCROLL;
  std::vector<int> seen;  // the view position of each frozen frame, when it changed
  std::vector<int> comparison;  // the comparison mode at each change
  int thumb = -1;
  backend->onPresent = [&] {
    if (!Mode.Frozen || Mode.FreezePending) return;
    if (seen.empty() || seen.back() != LiveView.ViewPosition) {
      seen.push_back(LiveView.ViewPosition);
      comparison.push_back(Companions.ComparisonMode);
    }
    thumb = MainUi.scrollBar.position;
  };
  // Shift+Right is a page (+4), Left a line (-1); Right in the Overlay comparison (F4, Ctrl+F3),
  // where the bar is ignored, still moves the view; then far enough left to stand at the start,
  // where the next Left beeps and stays.
  std::string script = "wait 1500\nkey Space\nwait 200\nkey shift+Right\nkey Left\nkey Left\nwait 200\n"
                       "key F4\nkey ctrl+F3\nwait 200\nkey Right\nwait 200\n";
  for (int i = 0; i < 400; ++i) script += "key shift+Left\n";
  Run(script + "wait 200\nkey Left\nwait 200\nkey Escape");
  ASSERT_GE(seen.size(), 4u);
  EXPECT_GT(seen[0], 100);
  EXPECT_EQ(seen[1], seen[0] + 2);
  EXPECT_EQ(seen[2], seen[1] + 1);
  EXPECT_EQ(comparison[2], 2);
  EXPECT_EQ(seen.back(), 0);
  EXPECT_EQ(thumb, 0);
  EXPECT_GE(backend->Beeps(), 1);
}

}  // namespace
