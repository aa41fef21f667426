#include "display/display_frame.h"

#include <array>

#include "display/envelope_panel.h"
#include "display/palette.h"
#include "display/panel_draw.h"
#include "display/panel_state.h"
#include "display/sample_slots.h"
#include "display/signal_panels.h"
#include "display/spectrogram_panel.h"
#include "display/spectrum_panel.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

namespace {

// Panel coordinates as whole-number fractions of the panel area, truncated.
enum Q : uint8_t { kZero, kW2, kW, kH, kH2, kH3, k2H3, kH6, k2H6, k4H6 };

int Eval(Q q, int w, int h) {
  switch (q) {
    case kZero: return 0;
    case kW2: return w / 2;
    case kW: return w;
    case kH: return h;
    case kH2: return h / 2;
    case kH3: return h / 3;
    case k2H3: return 2 * h / 3;
    case kH6: return h / 6;
    case k2H6: return 2 * h / 6;
    case k4H6: return 4 * h / 6;
  }
  return 0;
}

using K = PanelKind;
struct Entry {
  K kind;
  Q x, bottom, width, height;
};
// A row of the layout table: at most three panels.
struct Row {
  int count;
  std::array<Entry, 3> panels;
};

// Comparison Disabled, by display mode.
constexpr std::array<Row, 8> kSingle = {{
    {3, {{{K::SpectrogramA, kZero, kH, kW2, k2H3}, {K::EnvelopeA, kZero, kH3, kW2, kH3}, {K::Spectrum, kW2, kH, kW2, kH}}}},
    {2, {{{K::SpectrogramA, kZero, kH, kW, k2H3}, {K::EnvelopeA, kZero, kH3, kW, kH3}}}},
    {1, {{{K::SpectrogramA, kZero, kH, kW, kH}}}},
    {1, {{{K::Spectrum, kZero, kH, kW, kH}}}},
    {2, {{{K::SpectrogramA, kZero, kH, kW2, kH}, {K::Signals, kW2, kH, kW2, kH}}}},
    {2, {{{K::Spectrum, kZero, kH, kW2, kH}, {K::Signals, kW2, kH, kW2, kH}}}},
    {1, {{{K::Signals, kZero, kH, kW, kH}}}},
    {1, {{{K::SignalsSingle, kZero, kH, kW, kH}}}},
}};

// Above/Below: Sample A in the upper half.
constexpr std::array<Row, 8> kUpper = {{
    {3, {{{K::SpectrogramA, kZero, kH2, kW2, k2H6}, {K::EnvelopeA, kZero, kH6, kW2, kH6}, {K::Spectrum, kW2, kH2, kW2, kH2}}}},
    {2, {{{K::SpectrogramA, kZero, kH2, kW, k2H6}, {K::EnvelopeA, kZero, kH6, kW, kH6}}}},
    {1, {{{K::SpectrogramA, kZero, kH2, kW, kH2}}}},
    {1, {{{K::Spectrum, kZero, kH2, kW, kH2}}}},
    {2, {{{K::SpectrogramA, kZero, kH2, kW2, kH2}, {K::Signals, kW2, kH2, kW2, kH2}}}},
    {2, {{{K::Spectrum, kZero, kH2, kW2, kH2}, {K::Signals, kW2, kH2, kW2, kH2}}}},
    {1, {{{K::Signals, kZero, kH2, kW, kH2}}}},
    {1, {{{K::SignalsSingle, kZero, kH2, kW, kH2}}}},
}};

// Above/Below: the stored Sample B in the lower half (drawn after a fill only).
constexpr std::array<Row, 8> kStoredLower = {{
    {3, {{{K::EnvelopeB, kZero, k4H6, kW2, kH6}, {K::SpectrogramB, kZero, kH, kW2, k2H6}, {K::Spectrum, kW2, kH, kW2, kH2}}}},
    {2, {{{K::EnvelopeB, kZero, k4H6, kW, kH6}, {K::SpectrogramB, kZero, kH, kW, k2H6}}}},
    {1, {{{K::SpectrogramB, kZero, kH, kW, kH2}}}},
    {1, {{{K::Spectrum, kZero, kH, kW, kH2}}}},
    {2, {{{K::SpectrogramB, kZero, kH, kW2, kH2}, {K::Signals, kW2, kH, kW2, kH2}}}},
    {2, {{{K::Spectrum, kZero, kH, kW2, kH2}, {K::Signals, kW2, kH, kW2, kH2}}}},
    {1, {{{K::Signals, kZero, kH, kW, kH2}}}},
    {1, {{{K::SignalsSingle, kZero, kH, kW, kH2}}}},
}};
// The stored spectrum and signal panels of modes F1, F4 and F5 erase their last curve; F6..F8 not.
constexpr std::array<bool, 8> kStoredEraser = {true, true, true, true, true, false, false, false};

// Above/Below while Play B runs: the live drawers in the lower half.
constexpr std::array<Row, 8> kPlayBLower = {{
    {3, {{{K::SpectrogramA, kZero, kH, kW2, k2H6}, {K::EnvelopeA, kZero, k4H6, kW2, kH6}, {K::Spectrum, kW2, kH, kW2, kH2}}}},
    {2, {{{K::SpectrogramA, kZero, kH, kW, k2H6}, {K::EnvelopeA, kZero, k4H6, kW, kH6}}}},
    {1, {{{K::SpectrogramA, kZero, kH, kW, kH2}}}},
    {1, {{{K::Spectrum, kZero, kH, kW, kH2}}}},
    {2, {{{K::SpectrogramA, kZero, kH, kW2, kH2}, {K::Signals, kW2, kH, kW2, kH2}}}},
    {2, {{{K::Spectrum, kZero, kH, kW2, kH2}, {K::Signals, kW2, kH, kW2, kH2}}}},
    {1, {{{K::Signals, kZero, kH, kW, kH2}}}},
    {1, {{{K::SignalsSingle, kZero, kH, kW, kH2}}}},
}};

void AddRow(std::vector<PanelPlacement>& out, const Row& row, int w, int h, int flag, bool eraser, PanelData data) {
  for (int i = 0; i < row.count; ++i) {
    const Entry& e = row.panels[i];
    PanelPlacement p;
    p.kind = e.kind;
    p.rect = {Eval(e.x, w, h), Eval(e.bottom, w, h), Eval(e.width, w, h), Eval(e.height, w, h)};
    p.sampleFlag = flag;
    p.eraser = eraser;
    p.data = data;
    out.push_back(p);
  }
}

int16_t* TraceOf(PanelData data, int channel) {
  if (data == PanelData::SampleB) return channel == 1 ? Samples.TraceB1.data() : Samples.TraceB2.data();
  return channel == 1 ? Samples.TraceA1.data() : Samples.TraceA2.data();
}

void DrawSpectrumPanel(canvas::Surface& hdc, const PanelPlacement& p) {
  const int16_t* levels = Samples.SpectrumA.data();
  std::array<int16_t, kSpectrumLength>* drawn = &DisplayInputs.DrawnSpectrumA;
  if (p.data == PanelData::SampleB) {
    levels = Samples.SpectrumB.data();
    drawn = &DisplayInputs.DrawnSpectrumB;
  } else if (p.data == PanelData::StoredSpectrum) {
    levels = Samples.SpectrumStored.data();
    drawn = nullptr;  // never erased: it changes only after a fill
  }
  const std::optional<canvas::Pen> eraser = p.eraser ? std::optional<canvas::Pen>(Palette.EraserPen) : std::nullopt;
  const canvas::Pen curve = p.sampleBPen ? Palette.SampleBPen : Palette.FramePen;
  DrawSpectrum(hdc, eraser, curve, Palette.FramePen, levels, drawn ? drawn->data() : nullptr, p.rect.x, p.rect.bottom,
               p.rect.width, p.rect.height, p.sampleFlag);
  // Keep what was drawn, so that the next frame can erase it.
  if (drawn) std::copy(levels, levels + kSpectrumLength, drawn->begin());
}

void DrawPanel(canvas::Surface& hdc, const PanelPlacement& p, int displayTimeMs) {
  const PanelRect& r = p.rect;
  const std::optional<canvas::Pen> eraser = p.eraser ? std::optional<canvas::Pen>(Palette.EraserPen) : std::nullopt;
  switch (p.kind) {
    case K::SpectrogramA:
      DrawSpectrogramA(hdc, Palette.FramePen, displayTimeMs, AnalysisSettings.SpectrogramBins,
                       DisplayInputs.SpectrogramColumnData.data(), r.x, r.bottom, r.width, r.height, 0);
      break;
    case K::SpectrogramB: DrawSpectrogramB(hdc, r.x, r.bottom, r.width, r.height); break;
    case K::EnvelopeA:
      DrawEnvelopeA(hdc, Palette.FramePen, displayTimeMs, Samples.TraceA1.data(), r.x, r.bottom, r.width, r.height, 0);
      break;
    case K::EnvelopeB: DrawEnvelopeB(hdc, r.x, r.bottom, r.width, r.height); break;
    case K::Spectrum: DrawSpectrumPanel(hdc, p); break;
    case K::Signals:
      DrawSignals(hdc, eraser, Palette.FramePen, Palette.FramePen, TraceOf(p.data, 1), TraceOf(p.data, 2), r.x, r.bottom,
                  r.width, r.height, p.sampleFlag);
      break;
    case K::SignalsSingle:
      DrawSignalsSingle(hdc, eraser, Palette.FramePen, Palette.FramePen, TraceOf(p.data, 1), TraceOf(p.data, 2), r.x,
                        r.bottom, r.width, r.height, p.sampleFlag);
      break;
  }
}

}  // namespace

std::vector<PanelPlacement> FramePanels(int index, int w, int h, bool playingSignals, int playSelection,
                                        bool fullRedraw) {
  std::vector<PanelPlacement> out;
  if (index >= 0 && index < 8) {
    AddRow(out, kSingle[index], w, h, 0, true, PanelData::SampleA);
  } else if (index >= 8 && index < 16) {
    const int m = index - 8;
    if (playingSignals && playSelection == 1) {
      AddRow(out, kPlayBLower[m], w, h, 1, true, PanelData::SampleA);
    } else {
      AddRow(out, kUpper[m], w, h, 0, true, PanelData::SampleA);
      if (!playingSignals && fullRedraw) AddRow(out, kStoredLower[m], w, h, 1, kStoredEraser[m], PanelData::SampleB);
    }
  } else if (index == 19) {
    PanelPlacement first;
    first.rect = {0, h, w, h};
    first.eraser = true;
    out.push_back(first);
    PanelPlacement second = first;
    second.sampleBPen = true;
    if (playingSignals && playSelection == 1) {
      second.data = PanelData::SampleB;
    } else {
      second.data = PanelData::StoredSpectrum;
      second.eraser = false;
    }
    out.push_back(second);
  }
  return out;
}

void DrawLegendStrip(canvas::Surface& hdc, int x, int y) {
  canvas::DrawContext dc = panel::Context(hdc);
  const int th = Display.TextHeight, cw = Display.ClientWidth;
  if (Display.LegendStripDirty) {
    dc.FillRect(x, y, cw, y + 3 + th, kBackgroundIndex);
    Display.LegendStripDirty = 0;
  }
  dc.TextOut(x, y + 3, Companions.VariantTitle);
  dc.SelectPen(Palette.FramePen);
  dc.MoveTo(0, y - 1);
  dc.LineTo(0, y + 3 + th);
  dc.LineTo(cw - 1, y + 3 + th);
  dc.LineTo(cw - 1, y - 1);
  dc.LineTo(0, y - 1);
  panel::Line(dc, Palette.FramePen, 0, 0, cw, 0);
}

void DrawDisplayFrame(canvas::Surface& hdc, int displayTimeMs) {
  Display.FrameTexts.clear();
  if (Display.ImagesRebuilding == 1) return;
  if (Display.ClearFrameRequest == 1) {
    FillFrame();
    Display.ClearFrameRequest = 0;
  }
  if (Display.ClearRightHalfRequest == 1) {
    FillRightHalf();
    Display.ClearRightHalfRequest = 0;
  }
  RecomputeSpectrogramBins();

  const int index = Companions.ComparisonMode * 8 + Companions.DisplayMode;
  const auto panels = FramePanels(index, Display.PanelAreaWidth, Display.PanelAreaHeight, Mode.PlayingSignals != 0,
                                  Mode.PlaySelection, Display.FullRedraw != 0);
  for (const PanelPlacement& p : panels)
    if (p.kind == K::Spectrum) SetLeadingSpectrumCursorFrequency(p.rect.width, p.sampleFlag);
  for (const PanelPlacement& p : panels) DrawPanel(hdc, p, displayTimeMs);

  DrawLegendStrip(hdc, Display.CharWidth, Display.PanelAreaHeight + 1);
  Display.FullRedraw = 0;
}
