#include "display/spectrum_panel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "display/display_state.h"
#include "display/palette.h"
#include "display/panel_draw.h"
#include "display/panel_state.h"
#include "display/sample_slots.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

namespace {

// Whole pixel of a float coordinate (screen coordinates are truncated).
int Px(double v) { return static_cast<int>(v); }

void DrawCurve(canvas::DrawContext& dc, canvas::Pen pen, const int16_t* levels, const SpectrumScales& s, int x,
               int bottom) {
  dc.SelectPen(pen);
  dc.MoveTo(x, bottom);
  for (int i = 0; i < s.BinCount; ++i) {
    const double px = i * s.PixelsPerBin + x;
    double py = s.PlotBottom - levels[i] * s.PixelsPerDb;
    if (Px(py) > s.PlotBottom) py = s.PlotBottom;
    if (Px(py) < s.PanelTop) py = s.PanelTop;
    dc.LineTo(Px(px), Px(py));
  }
}

void DrawFrameAndGrid(canvas::DrawContext& dc, canvas::Pen pen, const SpectrumScales& s, int x, int bottom,
                      int width) {
  panel::Line(dc, pen, x, bottom, x, s.PanelTop);
  dc.MoveTo(x + width - 1, s.PanelTop);
  dc.LineTo(x + width - 1, bottom);
  dc.LineTo(x, bottom);
  panel::Line(dc, pen, x, s.PlotBottom, x + width, s.PlotBottom);
  panel::Line(dc, pen, x, s.PanelTop, x + width, s.PanelTop);

  const int kHz = ShownFreqScaleHz() / 1000;
  const int rows = AnalysisSettings.AmplitudeScaleDb / 10;
  const bool tall = Display.ClientWidth > 1024;  // wide windows get 2 x 3 dots
  for (int k = 0; k < kHz; ++k) {
    const int gx = Px(k * 1000 / s.HzPerPixel + x);
    for (int j = 1; j < rows; ++j) {
      const int gy = Px(j * 10 * s.PixelsPerDb + s.PanelTop);
      for (int dy = tall ? -1 : 0; dy <= (tall ? 1 : 0); ++dy) {
        dc.SetPixel(gx, gy + dy, kFrameIndex);
        dc.SetPixel(gx + 1, gy + dy, kFrameIndex);
      }
    }
  }
}

void DrawTitle(canvas::DrawContext& dc, int x, int bottom, int sampleFlag) {
  const unsigned kHz = static_cast<unsigned>(std::max(ShownFreqScaleHz(), 0) / 1000);
  char text[96];
  const int comparison = Companions.ComparisonMode;
  if (comparison == 2 && Mode.SampleBStored) {
    std::snprintf(text, sizeof text, "Spectrum (A) & (B)   %-1u kHz", kHz);
    panel::Title(dc, x, bottom, text);
    // The B marker takes the colour of its curve.
    const int offset = dc.GetTextExtent("Spectrum (A) & ").width;
    dc.SetTextColour(kSampleBIndex);
    dc.TextOut(x + Display.CharWidth + offset, bottom - Display.TextHeight, "(B)");
    dc.SetTextColour(kTextIndex);
    return;
  }
  bool b = false;
  if (comparison == 1) b = Mode.PlayingSignals ? Mode.PlaySelection == 1 : sampleFlag == 1;
  if (b) {
    std::snprintf(text, sizeof text, "Spectrum (B)   %-1u kHz", kHz);
  } else {
    std::snprintf(text, sizeof text, "Spectrum (A)   %-1u kHz", kHz);
  }
  panel::Title(dc, x, bottom, text);
}

void DrawF0Readout(canvas::DrawContext& dc, int x, int width, const SpectrumScales& s) {
  const int th = Display.TextHeight, cw = Display.CharWidth;
  dc.FillRect(x + width - 20 * cw, s.PanelTop + th, x + width - 1, s.PanelTop + 2 * th, kBackgroundIndex);
  char text[48];
  std::snprintf(text, sizeof text, "F0:  %-4u Hz  ", panel::Unsigned(Samples.F0A));
  panel::RightAligned(dc, x, width, s.PanelTop + th, text);
}

bool CursorShown(int sampleFlag) {
  if (Mode.Frozen && !Mode.PlayingSignals) return sampleFlag == 0 || (sampleFlag == 1 && Mode.SampleBStored);
  if (Mode.PlayingSignals && Mode.PlaySelection == 0) return sampleFlag == 1;
  if (Mode.PlayingSignals && Mode.PlaySelection == 1) return sampleFlag == 0;
  return false;
}

// In F1 and F2 the spectrum cursor is coupled to the spectrogram's frequency cursor: the leading
// panel sets the frequency, the others follow it.
bool Coupled() { return Companions.DisplayMode == 0 || Companions.DisplayMode == 1; }
bool Leads(int sampleFlag) {
  const int target = PanelCursors.CursorTarget;
  return Coupled() && ((target == 1 && sampleFlag == 0) || (target == 3 && sampleFlag == 1));
}

void DrawCursor(canvas::DrawContext& dc, const int16_t* levels, const SpectrumScales& s, int x, int bottom, int width,
                int sampleFlag) {
  const double range = ShownFreqScaleHz();
  const int offset = sampleFlag ? PanelCursors.SpectrumCursorB : PanelCursors.SpectrumCursorA;
  int cx = x + offset;
  double f = static_cast<double>(offset) * range / width;
  if (Coupled()) {
    const int target = PanelCursors.CursorTarget;
    if (Leads(sampleFlag)) {
      SetLeadingSpectrumCursorFrequency(width, sampleFlag);
    } else if (target != 0) {
      f = sampleFlag ? PanelCursors.CursorFreqB : PanelCursors.CursorFreqA;
      cx = RoundHalfUp(f / range * width + x);
    }
  }
  const double level = SpectrumCursorLevel(levels, f);
  if (!(f > 0 && f <= range && cx > x)) return;
  panel::Line(dc, Palette.CursorPen, cx, s.PanelTop + 1, cx, s.PlotBottom + 1);
  char text[64];
  if (Companions.ComparisonMode == 2) {
    std::snprintf(text, sizeof text, "Cursor  %-4u Hz  ", panel::Unsigned(f));
  } else {
    std::snprintf(text, sizeof text, "Cursor  %-3.0f dB   %-4u Hz  ", level, panel::Unsigned(f));
  }
  panel::RightAligned(dc, x, width, bottom - Display.TextHeight, text);
}

}  // namespace

void SetLeadingSpectrumCursorFrequency(int width, int sampleFlag) {
  if (width <= 0 || !CursorShown(sampleFlag) || !Leads(sampleFlag)) return;
  const int offset = sampleFlag ? PanelCursors.SpectrumCursorB : PanelCursors.SpectrumCursorA;
  (sampleFlag ? PanelCursors.CursorFreqB : PanelCursors.CursorFreqA) =
      static_cast<float>(static_cast<double>(offset) * ShownFreqScaleHz() / width);
}

SpectrumScales ComputeSpectrumScales(int bottom, int width, int height) {
  SpectrumScales s;
  const double range = ShownFreqScaleHz();
  s.HzPerPixel = range / width;
  s.PlotHeight = height - Display.TextHeight - 4;
  s.PlotBottom = bottom - Display.TextHeight - 4;
  s.PanelTop = bottom - height;
  s.PixelsPerDb = static_cast<double>(s.PlotHeight) / AnalysisSettings.AmplitudeScaleDb;
  s.BinsExact = range / (AnalysisSettings.SampleRate / 2048.0);
  // The arrays hold 1024 bins: a range beyond half the sample rate draws what there is.
  s.BinCount = std::min(RoundHalfUp(s.BinsExact), kSpectrumLength);
  s.PixelsPerBin = width / s.BinsExact;
  return s;
}

double SpectrumCursorLevel(const int16_t* levels, double frequencyHz) {
  const double scale = AnalysisSettings.AmplitudeScaleDb;
  int bin = static_cast<int>(frequencyHz * 2048 / AnalysisSettings.SampleRate);
  bin = std::clamp(bin, 0, kSpectrumLength - 1);
  return std::clamp(levels[bin] - scale, -scale, 0.0);
}

void DrawSpectrum(canvas::Surface& hdc, std::optional<canvas::Pen> eraserPen, canvas::Pen curvePen,
                  std::optional<canvas::Pen> framePen, const int16_t* levels, const int16_t* erase, int x,
                  int bottom, int width, int height, int sampleFlag) {
  canvas::DrawContext dc = panel::Context(hdc);
  Display.Panels.Spectrum = {x, bottom, width, height};
  if (width <= 0 || ShownFreqScaleHz() <= 0 || AnalysisSettings.AmplitudeScaleDb <= 0 ||
      AnalysisSettings.SampleRate <= 0)
    return;
  const SpectrumScales s = ComputeSpectrumScales(bottom, width, height);

  if (eraserPen && erase) DrawCurve(dc, *eraserPen, erase, s, x, bottom);
  DrawCurve(dc, curvePen, levels, s, x, bottom);

  if (framePen) {
    DrawFrameAndGrid(dc, *framePen, s, x, bottom, width);
    DrawTitle(dc, x, bottom, sampleFlag);
  }
  if (AnalysisSettings.F0Measurement == ID_F0_ON &&
      ((sampleFlag == 0 && !Mode.Frozen) || (Mode.Frozen && Mode.PlayingSignals)))
    DrawF0Readout(dc, x, width, s);
  if (CursorShown(sampleFlag)) DrawCursor(dc, levels, s, x, bottom, width, sampleFlag);
}
