// The audio and glottogram panels: oscilloscope traces of the current block, triggered on a rising
// zero crossing of the glottogram while live, auto-scaled to their bands, with a dotted time grid;
// on a held picture the cycle measures of the glottogram and the interval marks are drawn over them.
#include "display/signal_panels.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "display/display_state.h"
#include "display/palette.h"
#include "display/panel_draw.h"
#include "display/panel_state.h"
#include "display/sample_slots.h"
#include "platform/messages.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

SignalPanelState SignalPanels;

void ResetSignalPanelState() { SignalPanels = SignalPanelState{}; }

namespace {

constexpr int kOverlay = 2;

// The time base of one call, fixed from the settings at its start so that both traces of a frame
// agree even if a message handled in the middle changes a setting.
struct Span {
  int segmentMs = 0;
  double segSamples = 0;  // samples across the panel width
  int points = 0;         // samples drawn: trunc(segSamples)
  double perPixel = 0;    // samples per pixel column
};

Span MakeSpan(int width) {
  Span s;
  s.segmentMs = std::max(AnalysisSettings.AudioSegmentMs, 1);
  s.segSamples = static_cast<double>(s.segmentMs) * std::max(AnalysisSettings.SampleRate, 1) / 1000.0;
  // A segment longer than a block would read the previous block as if it were newer sound.
  s.segSamples = std::min(s.segSamples, static_cast<double>(kTraceBlock));
  s.points = static_cast<int>(s.segSamples);
  s.perPixel = s.segSamples / width;
  return s;
}

// Where one trace is drawn and how it is scaled.
struct TraceGeometry {
  int centre = 0;       // band centre: small signals and the start of some polylines
  int startY = 0;       // first point of the auto-scaled polyline
  int band = 0;         // band height (HalfPlot or PlotHeight)
  int scaleSpan = 0;    // rows the range is scaled to
  double origin = 0;    // row of the range's minimum
  int direction = 1;    // +1 larger values lower, -1 higher
  bool negate = false;  // audio with polarity Plus is drawn from -s
};

int Value(const int16_t* block, int i, bool negate) {
  return negate ? -static_cast<int>(block[i]) : block[i];
}

// Draws one trace of a block from `start`; returns the mapping when the trace was auto-scaled
// (the cycle measures run only then).
std::optional<TraceMapping> DrawTrace(canvas::DrawContext& dc, canvas::Pen pen, const int16_t* block,
                                      int start, const Span& span, int x, int width, const TraceGeometry& g) {
  const int last = kTraceBlock - 1;
  int lo = 0, hi = 0;
  for (int p = 0; p < width; ++p) {
    const int v = Value(block, std::min(start + static_cast<int>(p * span.perPixel), last), g.negate);
    if (p == 0 || v < lo) lo = v;
    if (p == 0 || v > hi) hi = v;
  }
  dc.SelectPen(pen);
  if (hi == lo || hi - lo < kSmallSignal) {
    const int mid = (hi + lo) / 2;
    dc.MoveTo(x, g.centre);
    for (int p = 0; p < width; ++p) {
      const int v = Value(block, std::min(start + static_cast<int>(p * span.perPixel), last), g.negate);
      dc.LineTo(x + p, g.centre - (v - mid) * g.band / 2048);
    }
    return std::nullopt;
  }
  TraceMapping m;
  m.origin = g.origin;
  m.direction = g.direction;
  m.min = lo;
  m.scale = static_cast<double>(g.scaleSpan) / (hi - lo);
  dc.MoveTo(x, g.startY);
  const int points = std::min(span.points, kTraceBlock - start);
  for (int n = 0; n < points; ++n)
    dc.LineTo(x + static_cast<int>(n * width / span.segSamples), m.Y(Value(block, start + n, g.negate)));
  return m;
}

// The lower (two-trace) or only (single) glottogram band; `single` selects the whole-panel form.
TraceGeometry EggGeometry(int bottom, int height, bool single) {
  const int th = Display.TextHeight, sep = bottom - th - 4;
  const bool plus = AnalysisSettings.GlottogramPolarity != ID_GLOTTOGRAM_MINUS;
  TraceGeometry g;
  g.band = single ? height - th - 4 : height / 2 - th - 4;
  g.centre = sep - g.band / 2;
  g.startY = single ? g.centre : bottom - g.band / 2;
  g.scaleSpan = g.band - 1;
  g.direction = plus ? 1 : -1;
  if (single)
    g.origin = plus ? sep - g.band : sep;
  else
    g.origin = plus ? bottom - height / 2 + 1 : sep + 1;
  return g;
}

TraceGeometry AudioGeometry(int bottom, int height) {
  const int th = Display.TextHeight;
  TraceGeometry g;
  g.band = height / 2 - th - 4;
  g.centre = bottom - height / 2 - th - 4 - g.band / 2;
  g.startY = g.centre;
  g.scaleSpan = g.band;
  g.origin = bottom - height;
  g.direction = 1;
  g.negate = AnalysisSettings.AudioPolarity != ID_AUDIO_MINUS;
  return g;
}

// Edges, top line, bottom line and title separator of a band spanning top .. bottom.
void DrawBandFrame(canvas::DrawContext& dc, canvas::Pen pen, int x, int bottom, int width, int top) {
  panel::Line(dc, pen, x, top, x, bottom);
  panel::Line(dc, pen, x + width - 1, top, x + width - 1, bottom);
  panel::Line(dc, pen, x, top, x + width, top);
  panel::Line(dc, pen, x, bottom, x + width, bottom);
  panel::Line(dc, pen, x, bottom - Display.TextHeight - 4, x + width, bottom - Display.TextHeight - 4);
}

// Time step of the grid for a segment length, ms.
int GridStepMs(int segmentMs) {
  if (segmentMs >= 40) return 10;
  if (segmentMs >= 20) return 5;
  if (segmentMs >= 10) return 2;
  return 1;
}

// Dots of one band: a column every grid step from 0 to the segment's end, six rows up from the
// separator. Columns sit where the trace has that time (the trace spans the width exactly).
void DrawGrid(canvas::DrawContext& dc, int x, int width, int separator, int band, int segmentMs) {
  const int step = GridStepMs(segmentMs);
  const bool tall = Display.ClientWidth > 1024;  // wide windows get 2 x 3 dots
  for (int k = 0; k <= segmentMs / step; ++k) {
    const int gx = x + static_cast<int>(static_cast<double>(width) * k * step / segmentMs);
    if (gx >= Display.ClientWidth) continue;
    for (int j = 0; j < 6; ++j) {
      const int gy = separator - j * band / 6;
      for (int dy = tall ? -1 : 0; dy <= (tall ? 1 : 0); ++dy) {
        dc.SetPixel(gx, gy + dy, kFrameIndex);
        dc.SetPixel(gx + 1, gy + dy, kFrameIndex);
      }
    }
  }
}

// The time under the view cursor, ms (the spectrogram cursor's time).
unsigned CursorTimeMs(int sampleFlag) {
  const double scroll = PanelCursors.ScrollRange > 0 ? PanelCursors.ScrollRange : 1;
  const double position = sampleFlag ? Samples.CursorXB : Samples.CursorX;
  const double start = sampleFlag ? Samples.SampleStartMsB : Samples.SampleStartMs;
  return panel::Unsigned(AnalysisSettings.StoredSeconds * 1000.0 * position / scroll + start);
}

// The EGG title shows the cursor time on a held picture: A when frozen, B when stored and not playing.
bool ShowsTime(int sampleFlag) {
  if (sampleFlag == 0) return Mode.Frozen != 0;
  return !Mode.PlayingSignals && Mode.SampleBStored;
}

std::string EggTitle(int sampleFlag, int segmentMs, bool single) {
  char text[96];
  const unsigned seg = panel::Unsigned(segmentMs);
  const char* name = single ? "EGG" : (sampleFlag ? "EGG (B)" : "EGG (A)");
  if (ShowsTime(sampleFlag))
    std::snprintf(text, sizeof text, "%s %-2u ms, Time %-4u ms", name, seg, CursorTimeMs(sampleFlag));
  else
    std::snprintf(text, sizeof text, "%s %-2u ms", name, seg);
  return text;
}

std::string AudioTitle(int sampleFlag, int segmentMs) {
  char text[96];
  const unsigned seg = panel::Unsigned(segmentMs);
  if (sampleFlag == 0)
    std::snprintf(text, sizeof text, "Audio (A) %-2u ms, Delay %-2.2f ms", seg,
                  static_cast<double>(Samples.AudioDelayMsA));
  else if (Mode.SampleBStored)
    std::snprintf(text, sizeof text, "Audio (B) %-2u ms, Delay %-2.2f ms", seg,
                  static_cast<double>(Samples.AudioDelayMsB));
  else
    std::snprintf(text, sizeof text, "Audio (B) %-2u ms", seg);
  return text;
}

// The sweep starts at a rising zero crossing while live, while a stored signal plays, and while
// the user drags over the held sample's signal panel in F5.
bool Triggered(int sampleFlag) {
  if (Mode.PlayingSignals) return true;
  if (sampleFlag == 0 && !Mode.Frozen) return true;
  return SignalPanels.DragActive && SignalPanels.DragX < Display.ClientWidth / 2 &&
         Companions.DisplayMode == 4 && SignalPanels.ViewedSample == sampleFlag;
}

// Vertical lines over the bands of a panel: the glottogram band, and the audio band of a
// two-trace panel (single: one line over the whole plot).
void BandLines(canvas::DrawContext& dc, canvas::Pen pen, int cx, int bottom, int height, bool single) {
  const int th = Display.TextHeight;
  if (single) {
    panel::Line(dc, pen, cx, bottom - height, cx, bottom - th - 4);
    return;
  }
  panel::Line(dc, pen, cx, bottom - height / 2, cx, bottom - th - 4);
  panel::Line(dc, pen, cx, bottom - height, cx, bottom - height / 2 - th - 4);
}

struct EggResult {
  CycleCrossings crossings;
  bool measured = false;  // the detection ran and completed
};

// Criterion line, crossing detection, markers and the CQ readout on the glottogram just drawn.
EggResult MeasureEgg(canvas::DrawContext& dc, const int16_t* egg, int start, const Span& span,
                     const TraceMapping& m, int x, int bottom, int width, int height, int sampleFlag,
                     bool single) {
  EggResult r;
  // Only a held picture is measured: Sample A frozen, or the stored Sample B while it is not playing.
  const bool held = (sampleFlag == 0 && Mode.Frozen) || (sampleFlag == 1 && !Mode.PlayingSignals);
  if (!held || Companions.ComparisonMode == kOverlay) return r;
  const float offset = sampleFlag ? SignalPanels.CqLevelB : SignalPanels.CqLevelA;
  const int th = Display.TextHeight, sep = bottom - th - 4;
  const int band = single ? height - th - 4 : height / 2 - th - 4;
  const int lineY = CriterionLineY(sep, band, offset);
  r.crossings =
      FindCycleCrossings(egg, start, span.perPixel, width, kTraceBlock - 1, m, lineY, span.segmentMs);
  SignalPanels.LastCrossings = r.crossings;
  if (!r.crossings.complete || Mode.PlayingSignals) return r;
  r.measured = true;
  panel::Line(dc, Palette.CursorPen, x, lineY, x + width, lineY);
  for (int column : {r.crossings.column1, r.crossings.column2, r.crossings.column3})
    BandLines(dc, Palette.CursorPen, x + column, bottom, height, single);
  const double cq = ClosedQuotient(r.crossings);
  if (cq > 0 && cq < 1)
    panel::RightAligned(dc, x, width, bottom - th, FormatClosedQuotient(cq, CriterionLevel(offset)));
  return r;
}

// Interval marks dragged with the mouse on a held picture, with their length and reciprocal.
void DrawIntervalMarks(canvas::DrawContext& dc, int x, int bottom, int width, int height, int segmentMs,
                       bool single) {
  if (!Mode.Frozen || Mode.PlayingSignals) return;
  const int mode = Companions.DisplayMode;
  if (mode == 0 || mode == 2 || mode == 3) return;
  const bool upper = bottom == height;
  const int c1 = upper ? SignalPanels.IntervalStartA : SignalPanels.IntervalStartB;
  const int c2 = upper ? SignalPanels.IntervalEndA : SignalPanels.IntervalEndB;
  if (c1 < x || c2 < x || width <= 0) return;
  const double interval = static_cast<double>(std::abs(c1 - c2)) * segmentMs / width;
  if (interval == 0) return;
  BandLines(dc, Palette.MarkerPen, c1, bottom, height, single);
  BandLines(dc, Palette.MarkerPen, c2, bottom, height, single);
  const int th = Display.TextHeight, tx = x + width - 20 * Display.CharWidth;
  char text[64];
  dc.SetTextColour(kMarkerIndex);
  std::snprintf(text, sizeof text, "Interval %-2.2f ms", interval);
  dc.TextOut(tx, bottom - height + th, text);
  std::snprintf(text, sizeof text, "Reciprocal %-3u Hz", panel::Unsigned(RoundHalfUp(1000.0 / interval)));
  dc.TextOut(tx, bottom - height + 2 * th, text);
  dc.SetTextColour(kTextIndex);
}

}  // namespace

int FindSweepStart(const int16_t* block, int segmentSamples) {
  for (int i = 0; i < kTriggerSearch; ++i) {
    if (block[i] < 0 && block[i + 1] > 0) return i + segmentSamples > kTraceBlock ? 0 : i;
  }
  return 0;
}

void DrawSignals(canvas::Surface& hdc, std::optional<canvas::Pen> eraserPen, canvas::Pen curvePen,
                 std::optional<canvas::Pen> framePen, const int16_t* audio, const int16_t* egg, int x,
                 int bottom, int width, int height, int sampleFlag) {
  Display.Panels.Signals = {x, bottom, width, height};
  canvas::DrawContext dc = panel::Context(hdc);
  if (width <= 0 || height <= 0) return;
  const Span span = MakeSpan(width);
  const int th = Display.TextHeight;
  const int halfPlot = height / 2 - th - 4;
  const bool frozen = Mode.Frozen != 0;
  const bool trigger = Triggered(sampleFlag);
  const int startPrev = trigger ? FindSweepStart(egg + kTraceBlock, span.points) : 0;
  const int startNew = trigger ? FindSweepStart(egg, span.points) : 0;

  const TraceGeometry eggGeometry = EggGeometry(bottom, height, false);
  if (eraserPen) DrawTrace(dc, *eraserPen, egg + kTraceBlock, startPrev, span, x, width, eggGeometry);
  const auto mapping = DrawTrace(dc, curvePen, egg, startNew, span, x, width, eggGeometry);
  EggResult measure;
  if (mapping)
    measure = MeasureEgg(dc, egg, startNew, span, *mapping, x, bottom, width, height, sampleFlag, false);

  if (framePen) {
    DrawBandFrame(dc, *framePen, x, bottom, width, bottom - height / 2);
    DrawGrid(dc, x, width, bottom - th - 4, halfPlot, span.segmentMs);
    panel::Title(dc, x, bottom, EggTitle(sampleFlag, span.segmentMs, false));
  }
  if (measure.measured && frozen && !Mode.PlayingSignals && (sampleFlag == 0 || Mode.SampleBStored))
    panel::RightAligned(dc, x, width, bottom - height / 2 - th, FormatPeriod(measure.crossings));

  // Keep the window responsive in the middle of a live frame. Handlers must not free the traces
  // or the frame while it is drawn; the time base of this call stays as it was taken above.
  if (!frozen) PumpMessages();

  const TraceGeometry audioGeometry = AudioGeometry(bottom, height);
  if (eraserPen) DrawTrace(dc, *eraserPen, audio + kTraceBlock, startPrev, span, x, width, audioGeometry);
  DrawTrace(dc, curvePen, audio, startNew, span, x, width, audioGeometry);

  if (framePen) {
    const int upperBottom = bottom - height / 2;
    DrawBandFrame(dc, *framePen, x, upperBottom, width, bottom - height);
    DrawGrid(dc, x, width, upperBottom - th - 4, halfPlot, span.segmentMs);
    panel::Title(dc, x, upperBottom, AudioTitle(sampleFlag, span.segmentMs));
  }
  DrawIntervalMarks(dc, x, bottom, width, height, span.segmentMs, false);
}

void DrawSignalsSingle(canvas::Surface& hdc, std::optional<canvas::Pen> eraserPen, canvas::Pen curvePen,
                       std::optional<canvas::Pen> framePen, const int16_t*, const int16_t* egg, int x,
                       int bottom, int width, int height, int sampleFlag) {
  Display.Panels.Signals = {x, bottom, width, height};
  canvas::DrawContext dc = panel::Context(hdc);
  if (width <= 0 || height <= 0) return;
  const Span span = MakeSpan(width);
  const int th = Display.TextHeight;
  const bool trigger = Triggered(sampleFlag);
  const int startPrev = trigger ? FindSweepStart(egg + kTraceBlock, span.points) : 0;
  const int startNew = trigger ? FindSweepStart(egg, span.points) : 0;

  const TraceGeometry g = EggGeometry(bottom, height, true);
  if (eraserPen) DrawTrace(dc, *eraserPen, egg + kTraceBlock, startPrev, span, x, width, g);
  const auto mapping = DrawTrace(dc, curvePen, egg, startNew, span, x, width, g);
  if (mapping) MeasureEgg(dc, egg, startNew, span, *mapping, x, bottom, width, height, sampleFlag, true);

  if (framePen) {
    DrawBandFrame(dc, *framePen, x, bottom, width, bottom - height);
    DrawGrid(dc, x, width, bottom - th - 4, g.band, span.segmentMs);
    panel::Title(dc, x, bottom, EggTitle(sampleFlag, span.segmentMs, true));
  }
  DrawIntervalMarks(dc, x, bottom, width, height, span.segmentMs, true);
}
