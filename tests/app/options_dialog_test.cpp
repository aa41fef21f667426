// The modeless analysis options dialogs, driven as a backend drives them: commands through the
// main window, clicks and scroll actions straight into the open dialog's procedure.
#include "app/options_dialog.h"

#include <algorithm>

#include "analysis/fft_tables.h"
#include "app/activities.h"
#include "app/control_states.h"
#include "app/shell_fixture.h"
#include "audio/live_loop.h"
#include "display/display_state.h"
#include "display/palette.h"
#include "display/sample_slots.h"
#include "display/signal_panels.h"
#include "platform/ui_model.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

namespace {

class OptionsDialogTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    ResetOptionsDialogState();
  }
  decltype(AnalysisSettings)& Settings = AnalysisSettings;
  DialogModel* Open() { return OpenOptionsDialogModel(); }
  int OpenCount() const {
    return static_cast<int>(std::count_if(MainUi.openDialogs.begin(), MainUi.openDialogs.end(),
                                          [](const DialogModel* d) { return !d->modal; }));
  }
  void Send(uint32_t message, uintptr_t wParam, intptr_t lParam = 0) {
    DialogModel* d = Open();
    ASSERT_NE(d, nullptr);
    d->procedure(*d, message, wParam, lParam);
  }
  void Press(int control) { Send(WM_COMMAND, static_cast<uintptr_t>(control)); }
  void Scroll(int bar, uint32_t code, int thumb = 0) {
    Send(WM_HSCROLL, code | (static_cast<uintptr_t>(thumb) << 16), bar);
  }
  const DialogControlModel& C(int control) { return *Open()->Control(control); }
  bool Checked(int control) { return Open()->Control(control)->checked; }
  bool Enabled(int control) { return Open()->Control(control)->enabled; }
};

TEST_F(OptionsDialogTest, SimpleDialogOpensOnceWritesLayoutAndComparisonLiveAndCloses) {
  Start(1, 1280, 1024);
  Click(MENU_ANALYSIS_OPTIONS);
  DialogModel* d = Open();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(std::tuple(d->resourceId, d->modal), std::tuple(kSimpleOptionsDialog, false));
  EXPECT_EQ(std::tuple(d->x, d->y), std::tuple((1280 - d->width) / 2, (1024 - d->height) / 2 - 30));
  EXPECT_EQ(std::tuple(Mode.OptionsDialogOpen, Mode.AdvancedOptionsActive), std::tuple(1, 0));
  // The real-time variant starts in F2 with no comparison; F2 cannot overlay.
  EXPECT_TRUE(Checked(ID_DISPLAY_F2) && !Checked(ID_DISPLAY_F1) && Checked(ID_COMPARISON_DISABLED) &&
              !Enabled(ID_COMPARISON_OVERLAY));
  Click(MENU_ANALYSIS_OPTIONS);
  EXPECT_EQ(OpenCount(), 1);

  Display.ClearFrameRequest = 0;
  Press(ID_DISPLAY_F4);
  EXPECT_EQ(std::tuple(Settings.DisplayModeButton, Companions.DisplayMode, Display.ClearFrameRequest),
            std::tuple(ID_DISPLAY_F4, 3, 1));
  EXPECT_TRUE(Checked(ID_DISPLAY_F4) && !Checked(ID_DISPLAY_F2) && Enabled(ID_COMPARISON_OVERLAY));
  Press(ID_COMPARISON_OVERLAY);
  EXPECT_EQ(
      std::tuple(Settings.ComparisonModeButton, Companions.ComparisonMode, Checked(ID_COMPARISON_OVERLAY)),
      std::tuple(ID_COMPARISON_OVERLAY, 2, true));
  // Leaving F4 turns Overlay into Above/Below and locks the radio.
  Press(ID_DISPLAY_F1);
  EXPECT_EQ(std::tuple(Settings.ComparisonModeButton, Companions.ComparisonMode),
            std::tuple(ID_COMPARISON_ABOVE_BELOW, 1));
  EXPECT_TRUE(Checked(ID_COMPARISON_ABOVE_BELOW) && !Checked(ID_COMPARISON_OVERLAY) &&
              !Enabled(ID_COMPARISON_OVERLAY));
  // A forwarded Ctrl+F3 meets the disabled radio and changes nothing.
  Press(ID_COMPARISON_OVERLAY);
  EXPECT_EQ(Companions.ComparisonMode, 1);
  // Cancel keeps every live change: there is nothing to undo.
  Press(IDCANCEL);
  EXPECT_EQ(std::tuple(Open(), OpenCount(), Mode.OptionsDialogOpen, Settings.DisplayModeButton),
            std::tuple(nullptr, 0, 0, ID_DISPLAY_F1));

  // A small screen never pushes the dialog above or left of the screen; OK closes it.
  Window.ScreenWidth = 100;
  Window.ScreenHeight = 80;
  Click(MENU_ANALYSIS_OPTIONS);
  EXPECT_EQ(std::tuple(Open()->x, Open()->y), std::tuple(0, 0));
  Press(IDOK);
  EXPECT_EQ(std::tuple(OpenCount(), Mode.OptionsDialogOpen), std::tuple(0, 0));

  Click(MENU_ANALYSIS_OPTIONS);
  Press(ID_DISPLAY_F4);
  Press(ID_COMPARISON_OVERLAY);
  // The keys change the layout behind the dialog's back; its next paint follows the record.
  SetDisplayModeButton(ID_DISPLAY_F3);
  RepaintOptionsDialog();
  EXPECT_TRUE(!Enabled(ID_COMPARISON_OVERLAY) && Checked(ID_COMPARISON_ABOVE_BELOW));
  Send(WM_CLOSE, 0);
  RepaintOptionsDialog();  // nothing open: nothing to do
  EXPECT_EQ(std::tuple(OpenCount(), Mode.OptionsDialogOpen), std::tuple(0, 0));
}

TEST_F(OptionsDialogTest, KeysAndTheComparisonWhileFrozenReachTheMainWindow) {
  Start(1);
  Click(MENU_ANALYSIS_OPTIONS);
  Mode.Frozen = 1;
  SendMainMessage(WM_KEYDOWN, KEY_F1 + 3, 0);  // F4
  ASSERT_NE(Open(), nullptr);
  EXPECT_TRUE(Settings.DisplayModeButton == ID_DISPLAY_F4 && Checked(ID_DISPLAY_F4) &&
              Enabled(ID_COMPARISON_OVERLAY));
  // The comparison sets the play buttons of the frozen state.
  Mode.SampleBStored = 1;
  Press(ID_COMPARISON_ABOVE_BELOW);
  EXPECT_EQ(std::tuple(FindButton(CMD_RUN)->caption, FindButton(CMD_PLAY_FILE)->caption,
                       FindButton(CMD_RUN)->enabled && FindButton(CMD_PLAY_FILE)->enabled),
            std::tuple("Play &A", "Play &B", true));
  Press(ID_COMPARISON_DISABLED);
  EXPECT_EQ(std::pair(Companions.ComparisonMode, FindButton(CMD_PLAY_FILE)->enabled), std::pair(0, false));
  SendMainMessage(WM_KEYDOWN, KEY_RETURN, 0);  // Enter is OK
  EXPECT_EQ(std::tuple(Open(), OpenCount()), std::tuple(nullptr, 0));
}

TEST_F(OptionsDialogTest, RealTimeVariantSwitchesBetweenSimpleAndAdvanced) {
  Start(1);
  Click(MENU_ANALYSIS_OPTIONS);
  Press(kAdvancedOptionsButton);
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(std::tuple(Open()->resourceId, OpenCount(), Mode.AdvancedOptionsActive),
            std::tuple(kAdvancedOptionsDialog, 1, 1));
  // Back with the button: the advanced dialog ends as with OK (legend taken).
  Open()->Control(1036)->text = "Mine";
  Press(kSimpleOptionsButton);
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(std::tuple(Open()->resourceId, OpenCount(), Mode.AdvancedOptionsActive, Companions.VariantTitle),
            std::tuple(kSimpleOptionsDialog, 1, 0, "Mine"));
  // The menu commands do the same from the simple dialog.
  Click(MENU_ADVANCED_OPTIONS);
  EXPECT_EQ(std::tuple(Open()->resourceId, OpenCount()), std::tuple(kAdvancedOptionsDialog, 1));
  Click(MENU_ANALYSIS_OPTIONS);
  EXPECT_EQ(std::tuple(Open()->resourceId, OpenCount()), std::tuple(kSimpleOptionsDialog, 1));
}

// The full and advanced dialogs.

TEST_F(OptionsDialogTest,
       FullDialogScalesSnapAndFollowTheConfigurationAndSpectrumBandwidthAndF0HoldTogether) {
  Start(0, 1280, 1024);
  Click(MENU_ANALYSIS_OPTIONS);
  DialogModel* d = Open();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(std::tuple(d->resourceId, d->x, d->y),
            std::tuple(kFullOptionsDialog, (1280 - d->width) / 2, (1024 - d->height) / 2));
  EXPECT_EQ(std::tuple(C(1045).text, C(1047).text, C(1043).text),
            std::tuple(" U/D Closed Quotient", " L/R Audio Only Scroll", " Configuration #1"));

  Display.ClearFrameRequest = 0;
  Scroll(1014, SB_THUMBTRACK, 2999);
  EXPECT_EQ(
      std::tuple(Settings.FreqScaleHz, Settings.Config1FreqScaleHz, C(1015).text, Display.ClearFrameRequest),
      std::tuple(2000, 2000, "2000", 1));
  Scroll(1012, SB_THUMBPOSITION, 77);  // to 75, then down
  Scroll(1012, SB_THUMBPOSITION, 30);
  Scroll(1012, SB_PAGELEFT);
  EXPECT_EQ(std::tuple(Settings.AmplitudeScaleDb, Settings.Config1AmplitudeScaleDb, C(1012).position),
            std::tuple(20, 20, 20));
  Scroll(1002, SB_PAGERIGHT);
  Scroll(1004, SB_RIGHT);
  EXPECT_EQ(std::tuple(Settings.SpectrumAverageCount, Settings.AudioSegmentMs), std::tuple(20, 50));

  Press(1037);
  EXPECT_EQ(std::tuple(Settings.ActiveConfiguration, Settings.FreqScaleHz, Settings.AmplitudeScaleDb,
                       C(1043).text, C(1015).text),
            std::tuple(ID_CONFIGURATION_2, 8000, 80, " Configuration #2", "8000"));
  Press(1037);
  EXPECT_EQ(std::pair(Settings.FreqScaleHz, Settings.AmplitudeScaleDb), std::pair(2000, 20));

  Press(1038);
  Press(1039);
  EXPECT_EQ(std::tuple(Settings.UpDownAssignment, Settings.LeftRightAssignment, C(1045).text, C(1047).text),
            std::tuple(ID_UD_SPECTRUM_CURSOR, ID_LR_AUDIO_EGG_SCROLL, " U/D Spectrum Cursor",
                       " L/R Audio-EGG Scroll"));

  // The spectrum type, the bandwidth and F0 hold together. F5: no difference spectrum, no %F0 bandwidth.
  Press(ID_SPECTRUM_DIFFERENCE);
  EXPECT_FALSE(Enabled(ID_SPECTRUM_DIFFERENCE) || Enabled(ID_BANDWIDTH_PERCENT_F0) ||
               Settings.SpectrumType != ID_SPECTRUM_AUDIO);

  Press(ID_DISPLAY_F4);
  EXPECT_TRUE(Enabled(ID_SPECTRUM_DIFFERENCE) && Enabled(ID_BANDWIDTH_PERCENT_F0));
  Press(ID_SPECTRUM_DIFFERENCE);  // turns F0 on; F0 off turns it back to Audio and Hz
  EXPECT_TRUE(Settings.F0Measurement == ID_F0_ON && Checked(ID_F0_ON));
  Press(ID_F0_OFF);
  EXPECT_EQ(std::tuple(Settings.F0Measurement, Settings.SpectrumType, Settings.BandwidthMode),
            std::tuple(ID_F0_OFF, ID_SPECTRUM_AUDIO, ID_BANDWIDTH_HZ));

  Press(ID_BANDWIDTH_PERCENT_F0);
  EXPECT_EQ(std::tuple(Settings.F0Measurement, C(1005).minimum, C(1005).maximum, C(1006).text),
            std::tuple(ID_F0_ON, 10, 100, "80"));
  for (int i = 0; i < 3; ++i) Scroll(1005, SB_PAGERIGHT);
  EXPECT_EQ(std::tuple(Settings.BandwidthPercentF0, Settings.BandwidthHz), std::tuple(100, 10));

  // Leaving F4 forces the Audio spectrum and the Hz bandwidth back.
  SignalPanels.IntervalStartA = 5;
  Press(ID_DISPLAY_F1);
  EXPECT_TRUE(Settings.BandwidthMode == ID_BANDWIDTH_HZ && Checked(ID_BANDWIDTH_HZ));
  EXPECT_EQ(std::tuple(C(1005).maximum, C(1006).text, SignalPanels.IntervalStartA), std::tuple(500, "10", 0));
}

TEST_F(OptionsDialogTest, TimeHistoryWaitsForAnOkWhileStoppedAndThePaintFollowsTheActivity) {
  Start(0);
  MakeFrame();
  AllocateSamples(Settings.SampleRate, 8, 2);
  // While a capture runs the bars of the sample length and the scale are locked from the start,
  // and the achieved period shows.
  Mode.StopRequested = 0;
  Mode.CaptureStarted = 1;
  Companions.AchievedUpdatePeriodMs = 37;
  Click(MENU_ANALYSIS_OPTIONS);
  EXPECT_TRUE(!Enabled(1016) && !Enabled(1014) && C(1051).text == "37");
  // Every edit but the legend is read-only.
  for (const auto& c : Open()->controls)
    EXPECT_EQ(c.readOnly, c.kind == DialogControlKind::Edit && c.id != 1036) << c.id;
  Scroll(1016, SB_LINELEFT);
  EXPECT_EQ(Settings.StoredSeconds, 8);
  // The activity ends with the dialog open: it is painted again and the bars come free.
  Mode.StopRequested = 1;
  Mode.CaptureStarted = 0;
  ShowIdleControls();
  EXPECT_TRUE(Enabled(1014) && Enabled(1016));
  Press(IDOK);

  Click(MENU_ANALYSIS_OPTIONS);
  Scroll(1016, SB_LINELEFT);
  EXPECT_EQ(std::tuple(Settings.StoredSeconds, C(1017).text), std::tuple(7, "7"));
  Send(WM_CLOSE, 0);  // Cancel: the samples keep their length
  EXPECT_EQ(std::tuple(Samples.SampleSeconds, OptionsDialogs.StoredSecondsChanged), std::tuple(8, 1));

  Mode.SampleBStored = 1;
  Samples.TraceB1[0] = 3;
  Samples.TraceB1[5] = 7;
  Samples.SampleStartMs = 1500;
  // The window shows the held pictures until the samples are discarded; then it is shown again.
  const int px = 20, py = Display.PanelAreaHeight * 3 / 4;
  Display.FrameDC.Row(py)[px] = 9;
  SendMainMessage(WM_PAINT);
  ASSERT_EQ(backend.LastPicture().At(px, py), 9);
  Click(MENU_ANALYSIS_OPTIONS);
  Press(IDOK);
  const size_t bytes = Settings.SampleRate * 7u * 2 * 2;
  EXPECT_EQ(std::tuple(backend.LastPicture().At(px, py), Samples.SampleSeconds, Samples.SampleA.size(),
                       Samples.SampleB.size()),
            std::tuple(kBackgroundIndex, 7, bytes, bytes));
  EXPECT_EQ(std::tuple(Mode.SampleBStored, Samples.TraceB1[5], Samples.TraceB1[0], Samples.SampleStartMs,
                       OptionsDialogs.StoredSecondsChanged),
            std::tuple(0, 0, 3, 0, 0));
  EXPECT_EQ(Settings.SpectrogramBins, ComputeSpectrogramBins(Settings.FreqScaleHz, Settings.SampleRate));
}

TEST_F(OptionsDialogTest, LegendOnlyWithOkThePositionIsRememberedAndThePaletteWhenStoppedOrFrozen) {
  Start(0);
  const std::string title = Companions.VariantTitle;
  Click(MENU_ANALYSIS_OPTIONS);
  Open()->Control(1036)->text = "changed";
  Open()->x = 11;
  Open()->y = 22;
  Send(WM_CLOSE, 0);
  EXPECT_EQ(Companions.VariantTitle, title);

  Click(MENU_ANALYSIS_OPTIONS);
  EXPECT_EQ(std::tuple(Open()->x, Open()->y), std::tuple(11, 22));
  Open()->Control(1036)->text = std::string(100, 'x');
  Press(IDOK);
  EXPECT_EQ(std::tuple(Companions.VariantTitle, Display.LegendStripDirty),
            std::tuple(std::string(79, 'x'), 1));

  Mode.StopRequested = 0;
  Click(MENU_ANALYSIS_OPTIONS);
  Press(ID_GRAY_SCALE);
  EXPECT_TRUE(!Enabled(ID_GRAY_SCALE) && Settings.PaletteChoice == ID_COLOR_SCALE);
  Mode.Frozen = 1;
  RepaintOptionsDialog();
  EXPECT_TRUE(Enabled(ID_GRAY_SCALE));
  Press(ID_GRAY_SCALE);
  EXPECT_EQ(std::tuple(Settings.PaletteChoice, Palette.GrayScaleShown, Checked(ID_GRAY_SCALE),
                       Checked(ID_COLOR_SCALE)),
            std::tuple(ID_GRAY_SCALE, 1, true, false));
}

TEST_F(OptionsDialogTest, BandwidthReachesTheAnalysisWindowOnceSetUp) {
  ResetAnalysisState();  // the program reset leaves the FFT tables alone
  Start(0);
  Click(MENU_ANALYSIS_OPTIONS);
  Press(ID_DISPLAY_F4);
  const int16_t before = Analysis.WindowLength;
  Scroll(1005, SB_THUMBPOSITION, 100);
  // No tables yet: nothing to hand over to.
  EXPECT_EQ(std::tuple(Settings.BandwidthHz, Analysis.WindowLength), std::tuple(100, before));

  ASSERT_TRUE(EnsureFftTables());
  Scroll(1005, SB_LINELEFT);
  Scroll(1005, SB_LINERIGHT);
  EXPECT_EQ(Analysis.WindowLength, 220);  // 22050 frames/s over 100 Hz
  // In %F0 mode the bandwidth follows the F0 estimate: 80 % of 200 Hz.
  LiveLoop.F0Tens = 20;
  Press(ID_BANDWIDTH_PERCENT_F0);
  EXPECT_EQ(Analysis.WindowLength, 137);
  ResetAnalysisState();
}

}  // namespace
