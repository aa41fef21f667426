#include "interaction/keyboard_actions.h"

#include <algorithm>
#include <cmath>

#include "audio/frozen_view.h"
#include "audio/output_device.h"
#include "display/display_state.h"
#include "display/egg_measures.h"
#include "display/palette.h"
#include "display/panel_state.h"
#include "display/sample_slots.h"
#include "display/signal_panels.h"
#include "interaction/image_rebuild.h"
#include "interaction/mouse_input.h"
#include "platform/backend.h"
#include "platform/messages.h"
#include "platform/ui_model.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

namespace {

bool FrozenAndStill() { return Mode.Frozen && !Mode.PlayingSignals; }

void ClearIntervalMarks() {
  SignalPanels.IntervalStartA = SignalPanels.IntervalEndA = 0;
  SignalPanels.IntervalStartB = SignalPanels.IntervalEndB = 0;
}

// A rebuild that computes every column, whatever the layout would copy from the screen. The flag
// is put back afterwards: F2 keeps it set on purpose, and this rebuild must not undo that.
void RebuildForced(int which) {
  const int kept = Display.ForceImageRebuild;
  Display.ForceImageRebuild = 1;
  RebuildStoredImages(Display.MainDC, which);
  Display.ForceImageRebuild = kept;
}

void Beep() {
  if (HasBackend()) CurrentBackend().Beep();
}

}  // namespace

void SwitchConfiguration() {
  auto& st = AnalysisSettings;
  if (st.ActiveConfiguration == ID_CONFIGURATION_2) {
    st.ActiveConfiguration = ID_CONFIGURATION_1;
    st.FreqScaleHz = st.Config1FreqScaleHz;
    st.AmplitudeScaleDb = st.Config1AmplitudeScaleDb;
  } else {
    st.ActiveConfiguration = ID_CONFIGURATION_2;
    st.FreqScaleHz = st.Config2FreqScaleHz;
    st.AmplitudeScaleDb = st.Config2AmplitudeScaleDb;
  }
  RedrawAfterConfigurationSwitch();
}

void RedrawAfterConfigurationSwitch() {
  if (FrozenAndStill()) {
    RebuildForced(2);
    return;
  }
  // Live, the panels on the right carry the scales; F4 and F6 have scales across the whole frame.
  const int mode = Companions.DisplayMode;
  if (mode == 0 || mode == 4) Display.ClearRightHalfRequest = 1;
  if (mode == 3 || mode == 5) Display.ClearFrameRequest = 1;
}

void ChooseDisplay(int n) {
  if (n < 1 || n > 8) return;
  if (Companions.ComparisonMode == 2 && n != 4) SetComparisonModeButton(ID_COMPARISON_ABOVE_BELOW);
  SetDisplayModeButton(ID_DISPLAY_F1 + n - 1);
  Display.FullRedraw = 1;
  Display.ClearFrameRequest = 1;
  if (n == 2 || n == 3) Display.ForceImageRebuild = 1;
  if (n >= 5) ClearIntervalMarks();
  if (Companions.ComparisonMode == 0) RebuildStoredImages(Display.MainDC, 0);
  if (Companions.ComparisonMode == 1) RebuildStoredImages(Display.MainDC, 2);
  if (n == 3) Display.ForceImageRebuild = 0;
}

void ChooseComparison(int n, void (*showFrozenControls)()) {
  if (n == 3) {
    ClearIntervalMarks();
    SetComparisonModeButton(ID_COMPARISON_OVERLAY);
    Display.ClearFrameRequest = 1;
    return;
  }
  if (n != 1 && n != 2) return;
  const bool aboveBelow = n == 2;
  SetComparisonModeButton(aboveBelow ? ID_COMPARISON_ABOVE_BELOW : ID_COMPARISON_DISABLED);
  Display.ClearFrameRequest = 1;
  SetButtonCaption(CMD_RUN, "Play &A");
  EnableButton(CMD_RUN, true);
  SetButtonCaption(CMD_PLAY_FILE, "Play &B");
  const bool playB = aboveBelow && Mode.SampleBStored;
  EnableButton(CMD_PLAY_FILE, playB);
  if (playB) EnableMenuItem(MENU_PLAY_FILE, true);
  ClearIntervalMarks();
  RebuildForced(aboveBelow ? 2 : 0);
  if (showFrozenControls) showFrozenControls();
}

void ToggleGrayScale() {
  const bool toGray = !Palette.GrayScaleShown;
  const int choice = toGray ? ID_GRAY_SCALE : ID_COLOR_SCALE;
  SwitchPalette(choice);
  AnalysisSettings.PaletteChoice = choice;
  Palette.GrayScaleShown = toGray ? 1 : 0;
  // The window picture is presented through the new table at the next step; the frame is
  // filled so that every panel is drawn again with the new pens.
  FillFrame();
}

void ToggleGlottogramPolarity() {
  auto& p = AnalysisSettings.GlottogramPolarity;
  p = p == ID_GLOTTOGRAM_MINUS ? ID_GLOTTOGRAM_PLUS : ID_GLOTTOGRAM_MINUS;
  Display.ClearFrameRequest = 1;
}

void ToggleAudioPolarity() {
  auto& p = AnalysisSettings.AudioPolarity;
  p = p == ID_AUDIO_MINUS ? ID_AUDIO_PLUS : ID_AUDIO_MINUS;
  Display.ClearFrameRequest = 1;
}

void ChooseListenChannel(int listenChannel) {
  AnalysisSettings.ListenChannel = listenChannel == 0 ? 0 : 1;
  const OutputVolume v = listenChannel == 0 ? OutputVolume{0, kPlaybackLevel} : OutputVolume{kPlaybackLevel, 0};
  if (Output.PlaybackDevice) {
    Output.PlaybackDevice->SetVolume(v.left, v.right);
    Output.Volume = v;
  }
}

void ScrollViewByKey(bool right, bool shift) {
  if (right ? LiveView.ViewClampedAtEnd : LiveView.ViewClampedAtStart) Beep();
  // The scroll bar's step fills the frame, steps, keeps the range and moves the thumb: the keys
  // take the same road so both always agree, but move the view in the Overlay comparison too,
  // where the bar's notifications are ignored.
  const uint32_t code = right ? (shift ? SB_PAGERIGHT : SB_LINERIGHT) : (shift ? SB_PAGELEFT : SB_LINELEFT);
  StepViewPosition(code, 0);
}

void ShiftAudioByKey(bool right, bool shift) {
  if (right ? LiveView.AudioClampedAtEnd : LiveView.AudioClampedAtStart) Beep();
  FillFrame();
  const int step = (shift ? 6 : 1) * (right ? 1 : -1);
  // No limit here: the frozen step clamps the shifted trace and raises the flag tested above.
  (LiveView.ViewedSample == 1 ? Samples.AudioDelayB : Samples.AudioDelayA) += step;
}

void MoveSpectrumCursorByKey(bool up, bool shift) {
  FillFrame();
  auto& c = PanelCursors;
  const bool b = LiveView.ViewedSample == 1;
  const int step = shift ? 4 : 1;
  int& cursor = b ? c.SpectrumCursorB : c.SpectrumCursorA;
  cursor = std::max(0, cursor + (up ? step : -step));
  // Beyond the panel's right edge the cursor would vanish and need as many presses back.
  if (Display.Panels.Spectrum.width > 0) cursor = std::min(cursor, Display.Panels.Spectrum.width);
  const int mode = Companions.DisplayMode;
  if (mode == 0 || mode == 1) {
    c.CursorTarget = b ? 3 : 1;
  } else if (mode == 2 || mode == 4) {
    // Each spectrogram follows its own row (0): with 2 the Sample A row would lead and Sample B's
    // moved row would not show.
    c.CursorTarget = 0;
    int& row = b ? c.CursorYB : c.CursorY;
    // Up is a higher frequency, a smaller row; a row above the frame would only be clamped away.
    row = std::max(0, row + (up ? -step : step));
  }
}

int LastEggBandHeight() {
  const PanelRect& r = Display.Panels.Signals;
  if (r.width <= 0 || r.height <= 0) return 0;
  const int th = Display.TextHeight;
  // F8 draws the glottogram alone over the whole panel, the others in its lower half.
  const int band = Companions.DisplayMode == 7 ? r.height - th - 4 : r.height / 2 - th - 4;
  return std::max(0, band);
}

float StepCqLevel(float level, float step, int bandHeight) {
  float moved = level + step;
  if (bandHeight > 0) {
    const float h = static_cast<float>(bandHeight);
    moved = (h * level + h * step) / h;
  }
  // The level is shown in hundredths and moved in hundredths: kept on that grid, twenty presses
  // from 0.30 reach the limit 0.50 instead of stopping a rounding error short of it.
  moved = std::round(moved * 100.0f) / 100.0f;
  return StepCriterionOffset(moved, 0.0f);
}

void MoveCqLevelByKey(bool up) {
  float& level = LiveView.ViewedSample == 1 ? SignalPanels.CqLevelB : SignalPanels.CqLevelA;
  // The offset is positive downward on screen: Up lowers it.
  level = StepCqLevel(level, up ? -0.01f : 0.01f, LastEggBandHeight());
  FillFrame();
}
