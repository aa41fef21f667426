// The modeless analysis options dialogs, driven as a backend drives them: commands through the
// main window, clicks and scroll actions straight into the open dialog's procedure.
#include <algorithm>

#include "analysis/fft_tables.h"
#include "app/activities.h"
#include "app/control_states.h"
#include "audio/live_loop.h"
#include "app/options_dialog.h"
#include "app/shell_fixture.h"
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
  DialogModel* Open() { return OpenOptionsDialogModel(); }
  int OpenCount() const {
    return static_cast<int>(std::count_if(MainUi.openDialogs.begin(), MainUi.openDialogs.end(),
                                          [](const DialogModel* d) { return !d->modal; }));
  }
  void Press(int control) {
    DialogModel* d = Open();
    ASSERT_NE(d, nullptr);
    d->procedure(*d, WM_COMMAND, static_cast<uintptr_t>(control), 0);
  }
  void Scroll(int bar, uint32_t code, int thumb = 0) {
    DialogModel* d = Open();
    ASSERT_NE(d, nullptr);
    d->procedure(*d, WM_HSCROLL, code | (static_cast<uintptr_t>(thumb) << 16), bar);
  }
  const DialogControlModel& C(int control) { return *Open()->Control(control); }
  bool Checked(int control) { return Open()->Control(control)->checked; }
  bool Enabled(int control) { return Open()->Control(control)->enabled; }
};

TEST_F(OptionsDialogTest, SimpleDialogOpensOnceNearTheScreenCentre) {
  Start(1, 1280, 1024);
  Click(MENU_ANALYSIS_OPTIONS);
  DialogModel* d = Open();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->resourceId, kSimpleOptionsDialog);
  EXPECT_EQ(d->title, "Simple Analysis Options");
  EXPECT_FALSE(d->modal);
  EXPECT_EQ(d->x, (1280 - d->width) / 2);
  EXPECT_EQ(d->y, (1024 - d->height) / 2 - 30);
  EXPECT_EQ(Mode.OptionsDialogOpen, 1);
  EXPECT_EQ(Mode.AdvancedOptionsActive, 0);
  // The real-time variant starts in F2 with no comparison; F2 cannot overlay.
  EXPECT_TRUE(Checked(ID_DISPLAY_F2));
  EXPECT_FALSE(Checked(ID_DISPLAY_F1));
  EXPECT_TRUE(Checked(ID_COMPARISON_DISABLED));
  EXPECT_FALSE(Enabled(ID_COMPARISON_OVERLAY));
  EXPECT_EQ(d->Control(ID_DISPLAY_F5), nullptr);

  Click(MENU_ANALYSIS_OPTIONS);
  EXPECT_EQ(OpenCount(), 1);

  // A small screen never pushes the dialog above or left of the screen.
  Press(IDOK);
  Window.ScreenWidth = 100;
  Window.ScreenHeight = 80;
  Click(MENU_ANALYSIS_OPTIONS);
  EXPECT_EQ(Open()->x, 0);
  EXPECT_EQ(Open()->y, 0);
}

TEST_F(OptionsDialogTest, SimpleDialogWritesLayoutAndComparisonLive) {
  Start(1);
  Click(MENU_ANALYSIS_OPTIONS);
  Display.ClearFrameRequest = 0;
  Press(ID_DISPLAY_F4);
  EXPECT_EQ(AnalysisSettings.DisplayModeButton, ID_DISPLAY_F4);
  EXPECT_EQ(Companions.DisplayMode, 3);
  EXPECT_EQ(Display.ClearFrameRequest, 1);
  EXPECT_TRUE(Checked(ID_DISPLAY_F4));
  EXPECT_FALSE(Checked(ID_DISPLAY_F2));
  EXPECT_TRUE(Enabled(ID_COMPARISON_OVERLAY));

  Press(ID_COMPARISON_OVERLAY);
  EXPECT_EQ(AnalysisSettings.ComparisonModeButton, ID_COMPARISON_OVERLAY);
  EXPECT_EQ(Companions.ComparisonMode, 2);
  EXPECT_TRUE(Checked(ID_COMPARISON_OVERLAY));

  // Leaving F4 turns Overlay into Above/Below and locks the radio.
  Press(ID_DISPLAY_F1);
  EXPECT_EQ(AnalysisSettings.ComparisonModeButton, ID_COMPARISON_ABOVE_BELOW);
  EXPECT_EQ(Companions.ComparisonMode, 1);
  EXPECT_TRUE(Checked(ID_COMPARISON_ABOVE_BELOW));
  EXPECT_FALSE(Checked(ID_COMPARISON_OVERLAY));
  EXPECT_FALSE(Enabled(ID_COMPARISON_OVERLAY));

  // A forwarded Ctrl+F3 meets the disabled radio and changes nothing.
  Press(ID_COMPARISON_OVERLAY);
  EXPECT_EQ(Companions.ComparisonMode, 1);

  // Cancel keeps every live change: there is nothing to undo.
  Press(IDCANCEL);
  EXPECT_EQ(Open(), nullptr);
  EXPECT_EQ(OpenCount(), 0);
  EXPECT_EQ(Mode.OptionsDialogOpen, 0);
  EXPECT_EQ(AnalysisSettings.DisplayModeButton, ID_DISPLAY_F1);
}

TEST_F(OptionsDialogTest, SimpleDialogClosesByOkAndCloseBoxAndRepaintsFromTheRecord) {
  Start(1);
  Click(MENU_ANALYSIS_OPTIONS);
  Press(IDOK);
  EXPECT_EQ(OpenCount(), 0);
  EXPECT_EQ(Mode.OptionsDialogOpen, 0);

  Click(MENU_ANALYSIS_OPTIONS);
  Press(ID_DISPLAY_F4);
  Press(ID_COMPARISON_OVERLAY);
  // The keys change the layout behind the dialog's back; its next paint follows the record.
  SetDisplayModeButton(ID_DISPLAY_F3);
  RepaintOptionsDialog();
  EXPECT_FALSE(Enabled(ID_COMPARISON_OVERLAY));
  EXPECT_TRUE(Checked(ID_COMPARISON_ABOVE_BELOW));

  DialogModel* d = Open();
  d->procedure(*d, WM_CLOSE, 0, 0);
  EXPECT_EQ(OpenCount(), 0);
  EXPECT_EQ(Mode.OptionsDialogOpen, 0);
  RepaintOptionsDialog();  // nothing open: nothing to do
  EXPECT_EQ(OpenCount(), 0);
}

TEST_F(OptionsDialogTest, ComparisonWhileFrozenSetsThePlayButtons) {
  Start(1);
  Click(MENU_ANALYSIS_OPTIONS);
  Mode.Frozen = 1;
  Mode.SampleBStored = 1;
  Press(ID_COMPARISON_ABOVE_BELOW);
  ASSERT_NE(FindButton(CMD_PLAY_FILE), nullptr);
  EXPECT_EQ(FindButton(CMD_RUN)->caption, "Play &A");
  EXPECT_TRUE(FindButton(CMD_RUN)->enabled);
  EXPECT_EQ(FindButton(CMD_PLAY_FILE)->caption, "Play &B");
  EXPECT_TRUE(FindButton(CMD_PLAY_FILE)->enabled);
  Press(ID_COMPARISON_DISABLED);
  EXPECT_EQ(Companions.ComparisonMode, 0);
  EXPECT_FALSE(FindButton(CMD_PLAY_FILE)->enabled);
}

// The full and advanced dialogs.

TEST_F(OptionsDialogTest, FullDialogScalesSnapToTheirGridAndFollowTheConfiguration) {
  Start(0, 1280, 1024);
  Click(MENU_ANALYSIS_OPTIONS);
  DialogModel* d = Open();
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->resourceId, kFullOptionsDialog);
  EXPECT_EQ(d->title, "Analysis Options");
  EXPECT_EQ(d->x, (1280 - d->width) / 2);
  EXPECT_EQ(d->y, (1024 - d->height) / 2);
  EXPECT_EQ(C(1045).text, " U/D Closed Quotient");
  EXPECT_EQ(C(1047).text, " L/R Audio Only Scroll");
  EXPECT_EQ(C(1043).text, " Configuration #1");
  EXPECT_EQ(C(1036).text, Companions.VariantTitle);
  EXPECT_EQ(C(1014).minimum, 2000);
  EXPECT_EQ(C(1014).maximum, 10000);

  Display.ClearFrameRequest = 0;
  Scroll(1014, SB_THUMBTRACK, 2999);
  EXPECT_EQ(AnalysisSettings.FreqScaleHz, 2000);
  EXPECT_EQ(AnalysisSettings.Config1FreqScaleHz, 2000);
  EXPECT_EQ(C(1015).text, "2000");
  EXPECT_EQ(Display.ClearFrameRequest, 1);
  Scroll(1012, SB_THUMBPOSITION, 77);
  EXPECT_EQ(AnalysisSettings.AmplitudeScaleDb, 75);
  Scroll(1012, SB_THUMBPOSITION, 30);
  Scroll(1012, SB_PAGELEFT);
  EXPECT_EQ(AnalysisSettings.AmplitudeScaleDb, 20);
  EXPECT_EQ(AnalysisSettings.Config1AmplitudeScaleDb, 20);
  EXPECT_EQ(C(1012).position, 20);
  Scroll(1002, SB_PAGERIGHT);
  EXPECT_EQ(AnalysisSettings.SpectrumAverageCount, 20);
  Scroll(1004, SB_RIGHT);
  EXPECT_EQ(AnalysisSettings.AudioSegmentMs, 50);

  Press(1037);
  EXPECT_EQ(AnalysisSettings.ActiveConfiguration, ID_CONFIGURATION_2);
  EXPECT_EQ(AnalysisSettings.FreqScaleHz, 8000);
  EXPECT_EQ(AnalysisSettings.AmplitudeScaleDb, 80);
  EXPECT_EQ(C(1043).text, " Configuration #2");
  EXPECT_EQ(C(1015).text, "8000");
  Press(1037);
  EXPECT_EQ(AnalysisSettings.FreqScaleHz, 2000);
  EXPECT_EQ(AnalysisSettings.AmplitudeScaleDb, 20);

  Press(1038);
  Press(1039);
  EXPECT_EQ(AnalysisSettings.UpDownAssignment, ID_UD_SPECTRUM_CURSOR);
  EXPECT_EQ(AnalysisSettings.LeftRightAssignment, ID_LR_AUDIO_EGG_SCROLL);
  EXPECT_EQ(C(1045).text, " U/D Spectrum Cursor");
  EXPECT_EQ(C(1047).text, " L/R Audio-EGG Scroll");
}

TEST_F(OptionsDialogTest, SpectrumTypeBandwidthAndF0RulesHoldTogether) {
  Start(0);
  Click(MENU_ANALYSIS_OPTIONS);
  // F5: no difference spectrum, no %F0 bandwidth.
  EXPECT_FALSE(Enabled(ID_SPECTRUM_DIFFERENCE));
  EXPECT_FALSE(Enabled(ID_BANDWIDTH_PERCENT_F0));
  Press(ID_SPECTRUM_DIFFERENCE);
  EXPECT_EQ(AnalysisSettings.SpectrumType, ID_SPECTRUM_AUDIO);

  Press(ID_DISPLAY_F4);
  EXPECT_TRUE(Enabled(ID_SPECTRUM_DIFFERENCE));
  EXPECT_TRUE(Enabled(ID_BANDWIDTH_PERCENT_F0));
  Press(ID_SPECTRUM_DIFFERENCE);
  EXPECT_EQ(AnalysisSettings.F0Measurement, ID_F0_ON);
  EXPECT_TRUE(Checked(ID_F0_ON));
  Press(ID_F0_OFF);
  EXPECT_EQ(AnalysisSettings.F0Measurement, ID_F0_OFF);
  EXPECT_EQ(AnalysisSettings.SpectrumType, ID_SPECTRUM_AUDIO);
  EXPECT_EQ(AnalysisSettings.BandwidthMode, ID_BANDWIDTH_HZ);

  Press(ID_BANDWIDTH_PERCENT_F0);
  EXPECT_EQ(AnalysisSettings.F0Measurement, ID_F0_ON);
  EXPECT_EQ(C(1005).minimum, 10);
  EXPECT_EQ(C(1005).maximum, 100);
  EXPECT_EQ(C(1006).text, "80");
  Scroll(1005, SB_PAGERIGHT);
  Scroll(1005, SB_PAGERIGHT);
  Scroll(1005, SB_PAGERIGHT);
  EXPECT_EQ(AnalysisSettings.BandwidthPercentF0, 100);
  EXPECT_EQ(AnalysisSettings.BandwidthHz, 10);

  // Leaving F4 forces the Audio spectrum and the Hz bandwidth back.
  SignalPanels.IntervalStartA = 5;
  Press(ID_DISPLAY_F1);
  EXPECT_EQ(AnalysisSettings.BandwidthMode, ID_BANDWIDTH_HZ);
  EXPECT_TRUE(Checked(ID_BANDWIDTH_HZ));
  EXPECT_EQ(C(1005).maximum, 500);
  EXPECT_EQ(C(1006).text, "10");
  EXPECT_EQ(SignalPanels.IntervalStartA, 0);
}

TEST_F(OptionsDialogTest, TimeHistoryWaitsForAnOkWhileStoppedAndThePaintFollowsTheActivity) {
  Start(0);
  MakeFrame();
  AllocateSamples(AnalysisSettings.SampleRate, 8, 2);
  // While a capture runs the bars of the sample length and the scale are locked from the start,
  // and the achieved period shows.
  Mode.StopRequested = 0;
  Mode.CaptureStarted = 1;
  Companions.AchievedUpdatePeriodMs = 37;
  Click(MENU_ANALYSIS_OPTIONS);
  EXPECT_FALSE(Enabled(1016));
  EXPECT_FALSE(Enabled(1014));
  EXPECT_EQ(C(1051).text, "37");
  // Every edit but the legend is read-only.
  for (const auto& c : Open()->controls) {
    EXPECT_EQ(c.readOnly, c.kind == DialogControlKind::Edit && c.id != 1036) << c.id;
  }
  Scroll(1016, SB_LINELEFT);
  EXPECT_EQ(AnalysisSettings.StoredSeconds, 8);
  // The activity ends with the dialog open: it is painted again and the bars come free.
  Mode.StopRequested = 1;
  Mode.CaptureStarted = 0;
  ShowIdleControls();
  EXPECT_TRUE(Enabled(1014));
  EXPECT_TRUE(Enabled(1016));
  Press(IDOK);

  Click(MENU_ANALYSIS_OPTIONS);
  EXPECT_TRUE(Enabled(1016));
  Scroll(1016, SB_LINELEFT);
  EXPECT_EQ(AnalysisSettings.StoredSeconds, 7);
  EXPECT_EQ(C(1017).text, "7");
  DialogModel* d = Open();
  d->procedure(*d, WM_CLOSE, 0, 0);  // Cancel: the samples keep their length
  EXPECT_EQ(Samples.SampleSeconds, 8);
  EXPECT_EQ(OptionsDialogs.StoredSecondsChanged, 1);

  Mode.SampleBStored = 1;
  Samples.TraceB1[0] = 3;
  Samples.TraceB1[5] = 7;
  Samples.SampleStartMs = 1500;
  // The window shows the held pictures until the samples are discarded; then it is shown again.
  const int px = 20, py = Display.PanelAreaHeight * 3 / 4;
  Display.FrameDC.Row(py)[px] = 9;
  SendMainMessage(WM_PAINT);
  ASSERT_EQ(backend.lastPicture.At(px, py), 9);
  Click(MENU_ANALYSIS_OPTIONS);
  Press(IDOK);
  EXPECT_EQ(backend.lastPicture.At(px, py), kBackgroundIndex);
  EXPECT_EQ(Samples.SampleSeconds, 7);
  EXPECT_EQ(Samples.SampleA.size(), static_cast<size_t>(AnalysisSettings.SampleRate) * 7 * 2 * 2);
  EXPECT_EQ(Samples.SampleB.size(), Samples.SampleA.size());
  EXPECT_EQ(Mode.SampleBStored, 0);
  EXPECT_EQ(Samples.TraceB1[5], 0);
  EXPECT_EQ(Samples.TraceB1[0], 3);
  EXPECT_EQ(Samples.SampleStartMs, 0);
  EXPECT_EQ(OptionsDialogs.StoredSecondsChanged, 0);
  EXPECT_EQ(AnalysisSettings.SpectrogramBins, ComputeSpectrogramBins(AnalysisSettings.FreqScaleHz,
                                                                     AnalysisSettings.SampleRate));
}

TEST_F(OptionsDialogTest, LegendOnlyWithOkAndThePositionIsRemembered) {
  Start(0);
  const std::string title = Companions.VariantTitle;
  Click(MENU_ANALYSIS_OPTIONS);
  Open()->Control(1036)->text = "changed";
  Open()->x = 11;
  Open()->y = 22;
  DialogModel* d = Open();
  d->procedure(*d, WM_CLOSE, 0, 0);
  EXPECT_EQ(Companions.VariantTitle, title);

  Click(MENU_ANALYSIS_OPTIONS);
  EXPECT_EQ(Open()->x, 11);
  EXPECT_EQ(Open()->y, 22);
  Open()->Control(1036)->text = std::string(100, 'x');
  Press(IDOK);
  EXPECT_EQ(Companions.VariantTitle, std::string(79, 'x'));
  EXPECT_EQ(Display.LegendStripDirty, 1);
}

TEST_F(OptionsDialogTest, PaletteOnlyWhenStoppedOrFrozen) {
  Start(0);
  Mode.StopRequested = 0;
  Click(MENU_ANALYSIS_OPTIONS);
  EXPECT_FALSE(Enabled(ID_GRAY_SCALE));
  Press(ID_GRAY_SCALE);
  EXPECT_EQ(AnalysisSettings.PaletteChoice, ID_COLOR_SCALE);
  Mode.Frozen = 1;
  RepaintOptionsDialog();
  EXPECT_TRUE(Enabled(ID_GRAY_SCALE));
  Press(ID_GRAY_SCALE);
  EXPECT_EQ(AnalysisSettings.PaletteChoice, ID_GRAY_SCALE);
  EXPECT_EQ(Palette.GrayScaleShown, 1);
  EXPECT_TRUE(Checked(ID_GRAY_SCALE));
  EXPECT_FALSE(Checked(ID_COLOR_SCALE));
}

TEST_F(OptionsDialogTest, RealTimeVariantSwitchesBetweenSimpleAndAdvanced) {
  Start(1);
  Click(MENU_ANALYSIS_OPTIONS);
  Press(kAdvancedOptionsButton);
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(Open()->resourceId, kAdvancedOptionsDialog);
  EXPECT_EQ(Open()->title, "Advanced Analysis Options");
  EXPECT_EQ(OpenCount(), 1);
  EXPECT_EQ(Mode.AdvancedOptionsActive, 1);
  EXPECT_EQ(Open()->Control(ID_SPECTRUM_DIFFERENCE), nullptr);
  EXPECT_EQ(Open()->Control(ID_DISPLAY_F5), nullptr);
  EXPECT_EQ(Open()->Control(1004), nullptr);

  // Back with the button: the advanced dialog ends as with OK (legend taken).
  Open()->Control(1036)->text = "Mine";
  Press(kSimpleOptionsButton);
  ASSERT_NE(Open(), nullptr);
  EXPECT_EQ(Open()->resourceId, kSimpleOptionsDialog);
  EXPECT_EQ(OpenCount(), 1);
  EXPECT_EQ(Mode.AdvancedOptionsActive, 0);
  EXPECT_EQ(Companions.VariantTitle, "Mine");

  // The menu command does the same from the simple dialog.
  Click(MENU_ADVANCED_OPTIONS);
  EXPECT_EQ(Open()->resourceId, kAdvancedOptionsDialog);
  EXPECT_EQ(OpenCount(), 1);
  Click(MENU_ANALYSIS_OPTIONS);
  EXPECT_EQ(Open()->resourceId, kSimpleOptionsDialog);
  EXPECT_EQ(OpenCount(), 1);
}

TEST_F(OptionsDialogTest, BandwidthReachesTheAnalysisWindowOnceSetUp) {
  ResetAnalysisState();  // the program reset leaves the FFT tables alone
  Start(0);
  Click(MENU_ANALYSIS_OPTIONS);
  Press(ID_DISPLAY_F4);
  const int16_t before = Analysis.WindowLength;
  Scroll(1005, SB_THUMBPOSITION, 100);
  EXPECT_EQ(AnalysisSettings.BandwidthHz, 100);
  EXPECT_EQ(Analysis.WindowLength, before);  // no tables yet: nothing to hand over to

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

TEST_F(OptionsDialogTest, KeysOfTheMainWindowReachTheOpenDialog) {
  Start(1);
  Click(MENU_ANALYSIS_OPTIONS);
  Mode.Frozen = 1;
  SendMainMessage(WM_KEYDOWN, KEY_F1 + 3, 0);  // F4
  EXPECT_EQ(AnalysisSettings.DisplayModeButton, ID_DISPLAY_F4);
  ASSERT_NE(Open(), nullptr);
  EXPECT_TRUE(Checked(ID_DISPLAY_F4));
  EXPECT_TRUE(Enabled(ID_COMPARISON_OVERLAY));
  SendMainMessage(WM_KEYDOWN, KEY_RETURN, 0);  // Enter is OK
  EXPECT_EQ(Open(), nullptr);
  EXPECT_EQ(OpenCount(), 0);
}

}  // namespace
