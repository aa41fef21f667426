#include "interaction/mouse_input.h"

#include <algorithm>
#include <cmath>

#include "audio/frozen_view.h"
#include "display/display_state.h"
#include "display/panel_state.h"
#include "display/sample_slots.h"
#include "display/signal_panels.h"
#include "platform/messages.h"
#include "platform/ui_model.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

MouseInputState MouseInput;

namespace {

constexpr int kAboveBelow = 1;
constexpr int kOverlay = 2;

// Display modes (F1 = 0 ... F8 = 7) whose spectrogram or envelope columns are times.
bool HasTimeAxis(int mode) { return mode == 0 || mode == 1 || mode == 2 || mode == 4; }

void MoveThumb(int position) {
  MainUi.scrollBar.position = position;
  UiChanged();
}

void SetViewPosition(int position) {
  LiveView.ViewPosition = position;
  MoveThumb(position);
}

int& SpectrumCursorOf(int sample) { return sample ? PanelCursors.SpectrumCursorB : PanelCursors.SpectrumCursorA; }
int& SpectrogramRowOf(int sample) { return sample ? PanelCursors.CursorYB : PanelCursors.CursorY; }
int& IntervalStartOf(int sample) { return sample ? SignalPanels.IntervalStartB : SignalPanels.IntervalStartA; }
int& IntervalEndOf(int sample) { return sample ? SignalPanels.IntervalEndB : SignalPanels.IntervalEndA; }

// Jumps the view to the time under x when it lies on the spectrogram's time axis; a position
// outside the panel changes nothing.
bool JumpTo(int x, int left) {
  const PanelRect& sp = Display.Panels.Spectrogram;
  float exact = 0;
  int position = 0;
  if (!TimeJumpPosition(x, left, sp.width, PanelCursors.ScrollRange, &exact, &position)) return false;
  MouseInput.ViewPositionExact = exact;
  SetViewPosition(position);
  return true;
}

// F1 measures from the window's left edge, where its spectrogram lies; F2, F3 and F5 from the
// spectrogram's left edge as last drawn. A drag in F1 tries both, the second winning.
void TimeJump(int x, bool dragging) {
  const int mode = Companions.DisplayMode;
  if (!HasTimeAxis(mode)) return;
  if (mode == 0) {
    JumpTo(x, 0);
    if (!dragging) return;
  }
  JumpTo(x, Display.Panels.Spectrogram.x);
}

// The frequency cursor follows the mouse: in F1 the spectrum side (right half) makes the spectrum
// cursor lead and the spectrogram side the spectrogram cursor; in F2 and F3, and over F5's
// spectrogram, each spectrogram keeps its own row. Rows never go above the window.
void PlaceFrequencyCursor(int sample, int x, int y) {
  const int mode = Companions.DisplayMode;
  const bool spectrumSide = x > Display.ClientWidth / 2;
  auto& c = PanelCursors;
  if (mode == 0) {
    SpectrogramRowOf(sample) = std::max(y, 0);
    c.CursorTarget = spectrumSide ? (sample ? 3 : 1) : (sample ? 4 : 2);
  } else if (mode == 1 || mode == 2 || (mode == 4 && !spectrumSide)) {
    c.CursorTarget = 0;
    SpectrogramRowOf(sample) = std::max(y, 0);
  }
}

// The end of every handled click and drag step: the next display step redraws the whole frame,
// and the keys go to the main window again.
void Finish() {
  FillFrame();
  SetMainFocus();
}

}  // namespace

void ResetMouseInputState() { MouseInput = MouseInputState{}; }

bool TimeJumpPosition(int x, int left, int width, int scrollRange, float* exact, int* position) {
  if (width <= 0) return false;
  const float t = static_cast<float>(x - left) * static_cast<float>(scrollRange) / static_cast<float>(width);
  const int truncated = static_cast<int>(std::trunc(t));
  if (truncated < 0 || truncated > scrollRange) return false;
  *exact = t;
  *position = truncated;
  return true;
}

void OnRightButtonDown() {
  if (Mode.IdleState == 0 && !Mode.Recording) SendMainMessage(WM_COMMAND, CMD_FREEZE, 0);
}

void OnLeftButtonDown(int x, int y) {
  if (!Mode.Frozen || Mode.PlayingSignals) return;
  // 1. The sample: in Above/Below the lower half of the panel area shows Sample B.
  const int sample = Companions.ComparisonMode == kAboveBelow && y > Display.PanelAreaHeight / 2 ? 1 : 0;
  LiveView.ViewedSample = sample;
  SignalPanels.ViewedSample = sample;
  // 2. The view goes to where that sample was looked at last.
  SetViewPosition(sample ? Samples.CursorXB : Samples.CursorX);
  // 3 to 5. Spectrum cursor, time, spectrogram cursor.
  SpectrumCursorOf(sample) = x - Display.Panels.Spectrum.x;
  TimeJump(x, false);
  PlaceFrequencyCursor(sample, x, y);
  // 6. An interval mark starts here.
  SignalPanels.DragActive = 1;
  SignalPanels.DragX = x;
  IntervalStartOf(sample) = x;
  IntervalEndOf(sample) = x;
  Finish();
}

void OnMouseMove(int x, int y) {
  if (!SignalPanels.DragActive || !Mode.Frozen) return;
  // The sample chosen at the press stays, and so does the interval's start.
  const int sample = LiveView.ViewedSample;
  IntervalEndOf(sample) = x;
  SignalPanels.DragX = x;
  SpectrumCursorOf(sample) = x - Display.Panels.Spectrum.x;
  TimeJump(x, true);
  PlaceFrequencyCursor(sample, x, y);
  Finish();
}

void OnLeftButtonUp() {
  // A release always ends the drag, also one that a Reset or a playback interrupted: a drag left
  // on would move the marks and cursors with the button up.
  SignalPanels.DragActive = 0;
  if (!Mode.Frozen || Mode.PlayingSignals) return;
  Finish();
}

void OnPositionScroll(unsigned code, int thumb) {
  // The overlay comparison leaves the view where the bar would put it; the keys still move it.
  if (Companions.ComparisonMode == kOverlay) return;
  StepViewPosition(code, thumb);
}

void StepViewPosition(unsigned code, int thumb) {
  FillFrame();
  const int range = PanelCursors.ScrollRange;
  int v = LiveView.ViewPosition;
  switch (code) {
    case SB_LINELEFT: v -= 1; break;
    case SB_LINERIGHT: v += 1; break;
    case SB_PAGELEFT: v -= 4; break;
    case SB_PAGERIGHT: v += 4; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: v = thumb; break;
    default: break;
  }
  SetViewPosition(std::clamp(v, 0, std::max(range, 0)));
  SetMainFocus();
}
