// The full (111) and advanced (112) analysis options dialogs: one procedure over two templates.
// The advanced template is the full one without the audio-segment, polarity, spectrum-type,
// arrow-key and update-period controls, with display radios F1..F4 only.
#include <algorithm>
#include <cstdio>
#include <string>

#include "analysis/fft_tables.h"
#include "app/options_dialog.h"
#include "app/window_state.h"
#include "audio/live_loop.h"
#include "display/display_state.h"
#include "display/palette.h"
#include "display/sample_slots.h"
#include "display/signal_panels.h"
#include "interaction/keyboard_actions.h"
#include "platform/backend.h"
#include "platform/messages.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

namespace {

// Control ids of the scroll bars and read-only edits.
enum : int {
  kAverageBar = 1002, kAverageEdit = 1003, kSegmentBar = 1004, kBandwidthBar = 1005, kBandwidthEdit = 1006,
  kSegmentEdit = 1011, kAmplitudeBar = 1012, kAmplitudeEdit = 1013, kFreqBar = 1014, kFreqEdit = 1015,
  kHistoryBar = 1016, kHistoryEdit = 1017, kLegendEdit = 1036, kToggleScale = 1037, kToggleUpDown = 1038,
  kToggleLeftRight = 1039, kConfigurationEdit = 1043, kUpDownEdit = 1045, kLeftRightEdit = 1047,
  kUpdatePeriodEdit = 1051,
};

constexpr int kLegendMax = 79;  // characters the legend keeps

struct Bar {
  int id, edit, line, page, lo, hi, thumbGrid;
};

// Builds the template row by row; `full` adds the controls only dialog 111 has.
DialogModel MakeFullDialog(bool full) {
  DialogModel d;
  d.resourceId = full ? kFullOptionsDialog : kAdvancedOptionsDialog;
  d.title = full ? "Analysis Options" : "Advanced Analysis Options";
  d.modal = false;
  d.width = 560;
  d.height = full ? 520 : 440;
  int y = 8;
  auto add = [&](int id, DialogControlKind kind, const char* text, UiRect r) {
    // Only the legend takes typing; the other edits show values the bars and buttons set.
    d.Add(id, kind, text, r).readOnly = kind == DialogControlKind::Edit && id != kLegendEdit;
  };
  using K = DialogControlKind;
  auto bar = [&](int id, int edit, const char* group, const char* label, int line, int page) {
    add(-1, K::Label, group, {8, y, 110, 16});
    add(-1, K::Label, label, {120, y, 150, 16});
    add(edit, K::Edit, "", {280, y, 60, 18});
    add(id, K::ScrollBar, "", {350, y, 200, 16});
    d.controls.back().lineStep = line;
    d.controls.back().pageStep = page;
    y += 24;
  };
  if (full) {
    add(ID_SPECTRUM_AUDIO, K::Radio, "Audio", {8, y, 80, 18});
    add(ID_SPECTRUM_DIFFERENCE, K::Radio, "Difference", {96, y, 90, 18});
    y += 24;
    add(ID_BANDWIDTH_HZ, K::Radio, "Bandwidth (Hz)", {8, y, 120, 18});
    add(ID_BANDWIDTH_PERCENT_F0, K::Radio, "Bandwidth (%F0)", {136, y, 130, 18});
  } else {
    add(-1, K::Label, "Bandwidth (Hz)", {8, y, 120, 18});
  }
  add(kBandwidthEdit, K::Edit, "", {280, y, 60, 18});
  add(kBandwidthBar, K::ScrollBar, "", {350, y, 200, 16});
  d.controls.back().pageStep = 10;
  y += 24;
  bar(kAverageBar, kAverageEdit, "Spectrum", "Average (Count)", 1, 10);
  bar(kAmplitudeBar, kAmplitudeEdit, "Power Spectrum", "Amplitude Scale (dB)", 5, 20);
  bar(kFreqBar, kFreqEdit, "Power Spectrum", "Freq Scale (Hz)", 1000, 1000);
  bar(kHistoryBar, kHistoryEdit, "Spectrogram", "Time History (sec)", 1, 1);
  if (full) bar(kSegmentBar, kSegmentEdit, "Audio Segment", "Length (msec)", 1, 10);
  add(kToggleScale, K::Button, "Toggle Scale   Shift - F1", {8, y, 170, 24});
  add(kConfigurationEdit, K::Edit, "", {186, y, 150, 20});
  y += 30;
  if (full) {
    add(-1, K::Group, "Audio Polarity", {8, y, 170, 40});
    add(ID_AUDIO_PLUS, K::Radio, "Plus", {16, y + 16, 60, 18});
    add(ID_AUDIO_MINUS, K::Radio, "Minus", {86, y + 16, 60, 18});
    add(-1, K::Group, "Glottogram Polarity", {186, y, 170, 40});
    add(ID_GLOTTOGRAM_PLUS, K::Radio, "Plus", {194, y + 16, 60, 18});
    add(ID_GLOTTOGRAM_MINUS, K::Radio, "Minus", {264, y + 16, 60, 18});
  }
  add(-1, K::Group, "F0 Measurement", {364, y, 170, 40});
  add(ID_F0_ON, K::Radio, "On", {372, y + 16, 60, 18});
  add(ID_F0_OFF, K::Radio, "Off", {442, y + 16, 60, 18});
  y += 48;
  add(-1, K::Group, "Display", {8, y, 544, 40});
  const int displays = full ? 8 : 4;
  static const char* const kKeys[8] = {"F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8"};
  for (int i = 0; i < displays; ++i) add(ID_DISPLAY_F1 + i, K::Radio, kKeys[i], {16 + 66 * i, y + 16, 60, 18});
  y += 48;
  add(-1, K::Label, "Legend", {8, y, 60, 18});
  add(kLegendEdit, K::Edit, "", {70, y, 480, 20});
  y += 28;
  add(-1, K::Group, "Display Comparison Mode", {8, y, 270, 40});
  add(ID_COMPARISON_DISABLED, K::Radio, "Ctrl - F1", {16, y + 16, 80, 18});
  add(ID_COMPARISON_ABOVE_BELOW, K::Radio, "Ctrl - F2", {104, y + 16, 80, 18});
  add(ID_COMPARISON_OVERLAY, K::Radio, "Ctrl - F3", {192, y + 16, 80, 18});
  add(-1, K::Group, "Display Color Palette", {286, y, 266, 40});
  add(ID_COLOR_SCALE, K::Radio, "Color Scale", {294, y + 16, 110, 18});
  add(ID_GRAY_SCALE, K::Radio, "Gray Scale", {412, y + 16, 110, 18});
  y += 48;
  if (full) {
    add(-1, K::Group, "Arrow Key Assignment", {8, y, 544, 48});
    add(kUpDownEdit, K::Edit, "", {16, y + 18, 170, 20});
    add(kToggleUpDown, K::Button, "Toggle U/D", {192, y + 16, 80, 24});
    add(kLeftRightEdit, K::Edit, "", {280, y + 18, 170, 20});
    add(kToggleLeftRight, K::Button, "Toggle L/R", {456, y + 16, 80, 24});
    y += 56;
    add(-1, K::Label, "Achieved Display Update Period (msec)", {8, y, 260, 18});
    add(kUpdatePeriodEdit, K::Edit, "", {280, y, 60, 18});
    y += 28;
  } else {
    add(kSimpleOptionsButton, K::Button, "Simple Analysis Options", {8, y, 170, 26});
  }
  add(IDOK, K::DefaultButton, "OK", {480, y, 70, 26});
  d.height = y + 40;
  return d;
}

// An activity that plays a file or captures holds the sample length and the frequency scale.
bool ActivityHoldsSamples() { return !Mode.StopRequested && (Mode.FileSource || Mode.CaptureStarted); }

bool PaletteChangeable() { return (Mode.Frozen && !Mode.PlayingSignals) || Mode.StopRequested; }

void ShowNumber(DialogModel& d, int bar, int edit, int value) {
  if (d.Control(bar)) d.SetScrollPosition(bar, value);
  if (d.Control(edit)) d.SetText(edit, std::to_string(value));
}

void SetUpBar(DialogModel& d, int bar, int edit, int lo, int hi, int value) {
  if (!d.Control(bar)) return;
  d.SetScrollRange(bar, lo, hi);
  ShowNumber(d, bar, edit, value);
}

// The analysis window follows the bandwidth once the analysis has been set up.
void HandBandwidthOver() {
  if (!Analysis.FftReady) return;
  SetBandwidth(AnalysisBandwidthHz(LiveLoop.F0Tens * 10), AnalysisSettings.SampleRate);
}

void SetUpBandwidthBar(DialogModel& d) {
  const auto& st = AnalysisSettings;
  if (st.BandwidthMode == ID_BANDWIDTH_PERCENT_F0)
    SetUpBar(d, kBandwidthBar, kBandwidthEdit, 10, 100, st.BandwidthPercentF0);
  else
    SetUpBar(d, kBandwidthBar, kBandwidthEdit, 10, 500, st.BandwidthHz);
  HandBandwidthOver();
}

// Outside the power-spectrum-only layout the difference spectrum and the %F0 bandwidth have no
// place: both are forced back and their buttons locked.
void ApplySpectrumRules(DialogModel& d) {
  auto& st = AnalysisSettings;
  if (st.ProductVariant == 2) return;
  const bool f4 = Companions.DisplayMode == 3;
  if (!f4) {
    st.SpectrumType = ID_SPECTRUM_AUDIO;
    st.BandwidthMode = ID_BANDWIDTH_HZ;
  }
  CheckRadioGroup(d, ID_SPECTRUM_AUDIO, ID_SPECTRUM_DIFFERENCE, st.SpectrumType);
  CheckRadioGroup(d, ID_BANDWIDTH_HZ, ID_BANDWIDTH_PERCENT_F0, st.BandwidthMode);
  if (d.Control(ID_SPECTRUM_DIFFERENCE)) d.SetEnabled(ID_SPECTRUM_DIFFERENCE, f4);
  if (d.Control(ID_BANDWIDTH_PERCENT_F0)) d.SetEnabled(ID_BANDWIDTH_PERCENT_F0, f4);
  SetUpBandwidthBar(d);
}

void ShowConfiguration(DialogModel& d) {
  const auto& st = AnalysisSettings;
  d.SetText(kConfigurationEdit,
            st.ActiveConfiguration == ID_CONFIGURATION_2 ? " Configuration #2" : " Configuration #1");
  ShowNumber(d, kFreqBar, kFreqEdit, st.FreqScaleHz);
  ShowNumber(d, kAmplitudeBar, kAmplitudeEdit, st.AmplitudeScaleDb);
}

void ShowArrowKeys(DialogModel& d) {
  if (!d.Control(kUpDownEdit)) return;
  const auto& st = AnalysisSettings;
  d.SetText(kUpDownEdit,
            st.UpDownAssignment == ID_UD_SPECTRUM_CURSOR ? " U/D Spectrum Cursor" : " U/D Closed Quotient");
  d.SetText(kLeftRightEdit,
            st.LeftRightAssignment == ID_LR_AUDIO_EGG_SCROLL ? " L/R Audio-EGG Scroll" : " L/R Audio Only Scroll");
}

void EnablePalette(DialogModel& d) {
  d.SetEnabled(ID_COLOR_SCALE, PaletteChangeable());
  d.SetEnabled(ID_GRAY_SCALE, PaletteChangeable());
}

void Initialise(DialogModel& d) {
  auto& st = AnalysisSettings;
  auto& o = OptionsDialogs;
  if (o.PositionSet) {
    d.x = o.Left;
    d.y = o.Top;
  } else {
    d.x = std::max(0, (Window.ScreenWidth - d.width) / 2);
    d.y = std::max(0, (Window.ScreenHeight - d.height) / 2);
  }
  SetUpBar(d, kSegmentBar, kSegmentEdit, 5, 50, st.AudioSegmentMs);
  SetUpBar(d, kAmplitudeBar, kAmplitudeEdit, 20, 120, st.AmplitudeScaleDb);
  d.SetScrollRange(kFreqBar, 2000, 10000);
  SetUpBar(d, kHistoryBar, kHistoryEdit, 4, 8, st.StoredSeconds);
  d.SetText(kLegendEdit, Companions.VariantTitle);
  DeriveModesFromSettings();
  CheckRadioGroup(d, ID_GLOTTOGRAM_PLUS, ID_GLOTTOGRAM_MINUS, st.GlottogramPolarity);
  CheckRadioGroup(d, ID_DISPLAY_F1, ID_DISPLAY_F8, st.DisplayModeButton);
  CheckRadioGroup(d, ID_AUDIO_PLUS, ID_AUDIO_MINUS, st.AudioPolarity);
  CheckRadioGroup(d, ID_F0_ON, ID_F0_OFF, st.F0Measurement);
  CheckRadioGroup(d, ID_COLOR_SCALE, ID_GRAY_SCALE, st.PaletteChoice);
  EnablePalette(d);
  ApplyOverlayRule(d);
  CheckRadioGroup(d, ID_COMPARISON_DISABLED, ID_COMPARISON_OVERLAY, st.ComparisonModeButton);
  d.SetEnabled(kHistoryBar, !ActivityHoldsSamples());
  d.SetEnabled(kHistoryEdit, !ActivityHoldsSamples());
  SetUpBar(d, kAverageBar, kAverageEdit, 1, 256, st.SpectrumAverageCount);
  st.FreqScaleHz = st.ActiveConfiguration == ID_CONFIGURATION_2 ? st.Config2FreqScaleHz : st.Config1FreqScaleHz;
  ShowConfiguration(d);
  ApplySpectrumRules(d);
  if (st.ProductVariant != 1) ShowArrowKeys(d);
  Mode.OptionsDialogOpen = 1;
}

void Paint(DialogModel& d);

void Paint(DialogModel& d) {
  if (d.Control(kUpdatePeriodEdit)) {
    char text[24];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(Companions.AchievedUpdatePeriodMs));
    d.SetText(kUpdatePeriodEdit, text);
  }
  const bool held = ActivityHoldsSamples();
  for (int id : {kHistoryBar, kHistoryEdit}) d.SetEnabled(id, !held);
  // A still frozen view takes a new scale (its held images are rebuilt); a running one does not.
  const bool still = Mode.Frozen && !Mode.PlayingSignals;
  for (int id : {kFreqBar, kFreqEdit}) d.SetEnabled(id, !held || still);
  ApplyOverlayRule(d);
  CheckRadioGroup(d, ID_COMPARISON_DISABLED, ID_COMPARISON_OVERLAY, AnalysisSettings.ComparisonModeButton);
  EnablePalette(d);
}

void OnScroll(DialogModel& d, int bar, uint32_t code, int thumb) {
  auto& st = AnalysisSettings;
  const DialogControlModel* c = d.Control(bar);
  if (!c || !c->enabled) return;
  FillFrame();
  const bool percent = st.BandwidthMode == ID_BANDWIDTH_PERCENT_F0;
  Bar b{};
  int* value = nullptr;
  switch (bar) {
    case kAverageBar: b = {bar, kAverageEdit, 1, 10, 1, 256, 1}; value = &st.SpectrumAverageCount; break;
    case kFreqBar: b = {bar, kFreqEdit, 1000, 1000, 2000, 10000, 1000}; value = &st.FreqScaleHz; break;
    case kHistoryBar: b = {bar, kHistoryEdit, 1, 1, 4, 8, 1}; value = &st.StoredSeconds; break;
    case kSegmentBar: b = {bar, kSegmentEdit, 1, 10, 5, 50, 1}; value = &st.AudioSegmentMs; break;
    case kAmplitudeBar: b = {bar, kAmplitudeEdit, 5, 20, 20, 120, 5}; value = &st.AmplitudeScaleDb; break;
    case kBandwidthBar:
      b = {bar, kBandwidthEdit, 1, 10, 10, percent ? 100 : 500, 1};
      value = percent ? &st.BandwidthPercentF0 : &st.BandwidthHz;
      break;
    default: return;
  }
  *value = ScrolledValue(*value, code, thumb, {b.line, b.page, b.lo, b.hi, b.thumbGrid});
  ShowNumber(d, b.id, b.edit, *value);
  const bool second = st.ActiveConfiguration == ID_CONFIGURATION_2;
  switch (bar) {
    case kFreqBar:
      (second ? st.Config2FreqScaleHz : st.Config1FreqScaleHz) = st.FreqScaleHz;
      Display.ClearFrameRequest = 1;
      // Held images were drawn for the old range: computed again, as the configuration switch does.
      if (Mode.Frozen && !Mode.PlayingSignals) RedrawAfterConfigurationSwitch();
      break;
    case kAmplitudeBar: (second ? st.Config2AmplitudeScaleDb : st.Config1AmplitudeScaleDb) = st.AmplitudeScaleDb; break;
    case kHistoryBar: OptionsDialogs.StoredSecondsChanged = 1; break;
    case kSegmentBar: Display.ClearFrameRequest = 1; break;
    case kBandwidthBar: HandBandwidthOver(); break;
    default: break;
  }
}

void ClearIntervalMarks() {
  SignalPanels.IntervalStartA = SignalPanels.IntervalEndA = 0;
  SignalPanels.IntervalStartB = SignalPanels.IntervalEndB = 0;
}

// The sample length takes effect only here and only while no activity holds the samples: both
// samples are made anew at the new length and a stored Sample B, now of the wrong length, is let go.
void ApplySampleLength() {
  auto& o = OptionsDialogs;
  if (!o.StoredSecondsChanged || !Mode.StopRequested) return;
  const auto& st = AnalysisSettings;
  if (Mode.SampleBStored) {
    FillStoreCanvas();
    std::fill(Samples.TraceB1.begin() + 1, Samples.TraceB1.end(), int16_t{0});
    std::fill(Samples.TraceB2.begin() + 1, Samples.TraceB2.end(), int16_t{0});
    Mode.SampleBStored = 0;
  }
  FreeSamples();
  AllocateSamples(st.SampleRate, st.StoredSeconds, st.Channels);
  Display.FullRedraw = 1;
  o.StoredSecondsChanged = 0;
  Samples.SampleStartMs = 0;
  Samples.SampleStartMsB = 0;
  // No loop runs to draw the next frame: the window drops the pictures of the discarded samples now.
  FillFrame();
  OnPaint();
}

// Cancel keeps the live changes; OK also takes the legend and the sample length.
void Finish(DialogModel& d, bool ok) {
  if (ok) {
    RecomputeSpectrogramBins();
    ApplySampleLength();
    const DialogControlModel* legend = d.Control(kLegendEdit);
    if (legend) Companions.VariantTitle = legend->text.substr(0, kLegendMax);
  }
  OptionsDialogs.Left = d.x;
  OptionsDialogs.Top = d.y;
  OptionsDialogs.PositionSet = 1;
  Display.LegendStripDirty = 1;
  CloseOptionsDialog(d);
}

bool OnButton(DialogModel& d, int id) {
  auto& st = AnalysisSettings;
  const DialogControlModel* c = d.Control(id);
  if (!c) return false;
  if (!c->enabled) return true;  // a forwarded key meets a locked control as a click would
  switch (id) {
    case ID_GLOTTOGRAM_PLUS:
    case ID_GLOTTOGRAM_MINUS:
      st.GlottogramPolarity = id;
      CheckRadioGroup(d, ID_GLOTTOGRAM_PLUS, ID_GLOTTOGRAM_MINUS, id);
      Display.ClearFrameRequest = 1;
      return true;
    case ID_AUDIO_PLUS:
    case ID_AUDIO_MINUS:
      st.AudioPolarity = id;
      CheckRadioGroup(d, ID_AUDIO_PLUS, ID_AUDIO_MINUS, id);
      Display.ClearFrameRequest = 1;
      return true;
    case ID_SPECTRUM_AUDIO:
    case ID_SPECTRUM_DIFFERENCE:
      st.SpectrumType = id;
      if (id == ID_SPECTRUM_DIFFERENCE) st.F0Measurement = ID_F0_ON;
      CheckRadioGroup(d, ID_SPECTRUM_AUDIO, ID_SPECTRUM_DIFFERENCE, id);
      CheckRadioGroup(d, ID_F0_ON, ID_F0_OFF, st.F0Measurement);
      Display.ClearFrameRequest = 1;
      return true;
    case ID_BANDWIDTH_HZ:
    case ID_BANDWIDTH_PERCENT_F0:
      st.BandwidthMode = id;
      if (id == ID_BANDWIDTH_PERCENT_F0) st.F0Measurement = ID_F0_ON;
      CheckRadioGroup(d, ID_BANDWIDTH_HZ, ID_BANDWIDTH_PERCENT_F0, id);
      CheckRadioGroup(d, ID_F0_ON, ID_F0_OFF, st.F0Measurement);
      SetUpBandwidthBar(d);
      Display.ClearFrameRequest = 1;
      return true;
    case ID_F0_ON:
    case ID_F0_OFF:
      st.F0Measurement = id;
      st.BandwidthMode = ID_BANDWIDTH_HZ;
      if (st.ProductVariant == 0) st.SpectrumType = ID_SPECTRUM_AUDIO;
      CheckRadioGroup(d, ID_F0_ON, ID_F0_OFF, id);
      CheckRadioGroup(d, ID_BANDWIDTH_HZ, ID_BANDWIDTH_PERCENT_F0, st.BandwidthMode);
      CheckRadioGroup(d, ID_SPECTRUM_AUDIO, ID_SPECTRUM_DIFFERENCE, st.SpectrumType);
      SetUpBandwidthBar(d);
      Display.ClearFrameRequest = 1;
      return true;
    case ID_COMPARISON_DISABLED:
    case ID_COMPARISON_ABOVE_BELOW:
    case ID_COMPARISON_OVERLAY:
      ApplyComparisonRadio(id);
      CheckRadioGroup(d, ID_COMPARISON_DISABLED, ID_COMPARISON_OVERLAY, st.ComparisonModeButton);
      return true;
    case ID_COLOR_SCALE:
    case ID_GRAY_SCALE:
      st.PaletteChoice = id;
      SwitchPalette(id);
      Palette.GrayScaleShown = id == ID_GRAY_SCALE ? 1 : 0;
      CheckRadioGroup(d, ID_COLOR_SCALE, ID_GRAY_SCALE, id);
      FillFrame();
      RebuildImagesForComparison();
      Display.ClearFrameRequest = 1;
      return true;
    case kToggleScale:
      SwitchConfiguration();  // also the redraw: rebuild when frozen, else the clears by layout
      ShowConfiguration(d);
      return true;
    case kToggleUpDown:
      st.UpDownAssignment = st.UpDownAssignment == ID_UD_CLOSED_QUOTIENT ? ID_UD_SPECTRUM_CURSOR : ID_UD_CLOSED_QUOTIENT;
      ShowArrowKeys(d);
      return true;
    case kToggleLeftRight:
      st.LeftRightAssignment =
          st.LeftRightAssignment == ID_LR_AUDIO_EGG_SCROLL ? ID_LR_AUDIO_ONLY_SCROLL : ID_LR_AUDIO_EGG_SCROLL;
      ShowArrowKeys(d);
      return true;
    default:
      break;
  }
  if (id >= ID_DISPLAY_F1 && id <= ID_DISPLAY_F8) {
    SetDisplayModeButton(id);
    CheckRadioGroup(d, ID_DISPLAY_F1, ID_DISPLAY_F8, id);
    ApplyOverlayRule(d);
    CheckRadioGroup(d, ID_COMPARISON_DISABLED, ID_COMPARISON_OVERLAY, st.ComparisonModeButton);
    ApplySpectrumRules(d);
    ClearIntervalMarks();
    RebuildImagesForComparison();
    Display.ClearFrameRequest = 1;
    return true;
  }
  return false;
}

intptr_t FullDialogProc(DialogModel& d, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case WM_INITDIALOG:
      // Painted at once: the update period and the locks of a running activity show from the start.
      Initialise(d);
      Paint(d);
      return 1;
    case WM_PAINT: Paint(d); return 1;
    case WM_CLOSE: Finish(d, false); return 1;
    case WM_HSCROLL:
      OnScroll(d, static_cast<int>(lParam), static_cast<uint32_t>(wParam & 0xFFFF), static_cast<int>(wParam >> 16));
      SetMainFocus();
      UiChanged();
      return 1;
    case WM_COMMAND: {
      const int id = static_cast<int>(wParam & 0xFFFF);
      if (id == IDOK) {
        Finish(d, true);
      } else if (id == kSimpleOptionsButton && d.Control(id)) {
        // Closed with the effect of OK; the command then finds no advanced dialog and opens the simple one.
        Finish(d, true);
        SendMainMessage(WM_COMMAND, MENU_ANALYSIS_OPTIONS, 0);
      } else if (!OnButton(d, id)) {
        return 0;
      }
      SetMainFocus();
      UiChanged();
      return 1;
    }
    default:
      return 0;
  }
}

}  // namespace

void OpenFullOptionsDialog(int resourceId) {
  if (OpenOptionsDialogModel()) return;
  DialogModel& d = OptionsDialogs.Full;
  d = MakeFullDialog(resourceId == kFullOptionsDialog);
  d.procedure = FullDialogProc;
  d.procedure(d, WM_INITDIALOG, 0, 0);
  MainUi.openDialogs.push_back(&d);
  if (HasBackend()) CurrentBackend().ShowModelessDialog(d);
  UiChanged();
}
