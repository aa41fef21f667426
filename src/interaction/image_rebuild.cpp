#include "interaction/image_rebuild.h"

#include <algorithm>
#include <cmath>

#include "analysis/fft_tables.h"
#include "analysis/power_spectrum.h"
#include "display/envelope_panel.h"
#include "display/panel_state.h"
#include "display/sample_slots.h"
#include "display/spectrogram_panel.h"
#include "platform/ui_model.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

ImageRebuildState ImageRebuild;

namespace {

constexpr int kBlock = 2048;  // N: one analysis block

// The panel rectangles, as fractions of the panel area: bottom, width and height, each
// numerator * H (or W) / denominator with integer quotients. A zero denominator: no panel.
struct Fraction {
  int num = 0, den = 0;
  int Of(int v) const { return den ? num * v / den : 0; }
};
struct RectRule {
  Fraction bottom, width, height;
};
struct LayoutRects {
  int key;  // DisplayMode + 8 * ComparisonMode
  RectRule spectrogram[2], envelope[2];
};

constexpr Fraction kNone{0, 0}, kWhole{1, 1}, kHalf{1, 2}, kThird{1, 3}, kSixth{1, 6}, kTwoSixths{2, 6},
    kFourSixths{4, 6};

constexpr LayoutRects kRects[] = {
    // F1: spectrogram and envelope in the left half.
    {0, {{kWhole, kHalf, kFourSixths}, {}}, {{kThird, kHalf, kThird}, {}}},
    // F2: spectrogram and envelope across the width.
    {1, {{kWhole, kWhole, kFourSixths}, {}}, {{kThird, kWhole, kThird}, {}}},
    // F3: the spectrogram alone.
    {2, {{kWhole, kWhole, kWhole}, {}}, {{}, {}}},
    // F5: the spectrogram in the left half.
    {4, {{kWhole, kHalf, kWhole}, {}}, {{}, {}}},
    // Above/Below: Sample A in the upper half, Sample B in the lower.
    {8,
     {{kHalf, kHalf, kTwoSixths}, {kWhole, kHalf, kTwoSixths}},
     {{kSixth, kHalf, kSixth}, {kFourSixths, kHalf, kSixth}}},
    {9,
     {{kHalf, kWhole, kTwoSixths}, {kWhole, kWhole, kTwoSixths}},
     {{kSixth, kWhole, kSixth}, {kFourSixths, kWhole, kSixth}}},
    {10, {{kHalf, kWhole, kHalf}, {kWhole, kWhole, kHalf}}, {{}, {}}},
    {12, {{kHalf, kHalf, kHalf}, {kWhole, kHalf, kHalf}}, {{}, {}}},
};

std::optional<PanelRect> LookUp(int displayMode, int comparisonMode, int side, int w, int h, bool envelope) {
  if (side != 1 && side != 2) return std::nullopt;
  const int key = displayMode + 8 * comparisonMode;
  for (const LayoutRects& r : kRects) {
    if (r.key != key) continue;
    const RectRule& rule = envelope ? r.envelope[side - 1] : r.spectrogram[side - 1];
    if (rule.width.den == 0) return std::nullopt;
    return PanelRect{0, rule.bottom.Of(h), rule.width.Of(w), rule.height.Of(h)};
  }
  return std::nullopt;
}

bool HasSpectrogram(int mode) { return mode == 0 || mode == 1 || mode == 2 || mode == 4; }
bool HasEnvelope(int mode) { return mode == 0 || mode == 1; }

// Clamps to 0..last and drops an odd unit (the clamp comes first, so the result stays in range).
int KeepEven(long long start, long long last) {
  start = std::clamp<long long>(start, 0, std::max<long long>(last, 0));
  return static_cast<int>(start & ~1LL);
}

// The format the sample data was made in: its own, else the settings'.
int SampleRateOf() {
  return Samples.SampleRateMade > 0 ? Samples.SampleRateMade : AnalysisSettings.SampleRate;
}
int ChannelsOf() {
  const int c = Samples.SampleChannels > 0 ? Samples.SampleChannels : AnalysisSettings.Channels;
  return std::clamp(c, 1, 2);
}

int16_t ValueAt(const std::vector<uint8_t>& data, long long index) {
  const size_t byte = static_cast<size_t>(index) * 2;
  if (index < 0 || byte + 1 >= data.size()) return 0;  // past the sample: silence, never a stray read
  return static_cast<int16_t>(static_cast<uint16_t>(data[byte] | (data[byte + 1] << 8)));
}

// N first-channel values from 16-bit value `start` of the interleaved sample.
void CopyFirstChannel(const std::vector<uint8_t>& data, long long start, int channels, int16_t* out) {
  for (int i = 0; i < kBlock; ++i) out[i] = ValueAt(data, start + static_cast<long long>(i) * channels);
}

canvas::Surface& SideCanvas(int side) { return side == 1 ? Display.CanvasDC : Display.StoreCanvasDC; }
bool SideCanvasReady(int side) {
  return side == 1 ? Display.CanvasReady != 0 : Display.StoreCanvasReady != 0;
}

// Step 2 of both image rebuilds. Returns true when the panel was taken over from the window's
// picture: in F2 and F3 it shows the held image already, unless the change asked for a rebuild.
bool CopiedFromWindow(canvas::Surface& dc, const PanelRect& r, int side) {
  // Whatever happens next, the held image becomes the rebuilt one: the near-end hold is over.
  PanelCursors.SpectrogramHold = 0;
  const int mode = Companions.DisplayMode;
  if (!((mode == 1 || mode == 2) && Display.ForceImageRebuild == 0)) return false;
  canvas::DrawContext(&SideCanvas(side))
      .BitBlt(r.x, r.bottom - r.height, r.width, r.height, dc, r.x, r.bottom - r.height);
  ++ImageRebuild.PanelsCopied;
  return true;
}

struct ColumnPlan {
  PanelRect rect;
  float msPerColumn = 0;
  int rate = 0, channels = 1, lastStart = 0;
};

// The rectangle and the column timing of a rebuild; false when there is nothing to draw.
bool Plan(const PanelRect& r, ColumnPlan& plan) {
  if (r.width <= 0 || r.height <= 0) return false;
  plan.rect = r;
  plan.msPerColumn =
      static_cast<float>(AnalysisSettings.StoredSeconds) * 1000.0f / static_cast<float>(r.width);
  plan.rate = SampleRateOf();
  plan.channels = ChannelsOf();
  plan.lastStart = Samples.SampleSeconds * plan.rate - kBlock - 1;
  ImageRebuild.Block.assign(kBlock, 0);
  return true;
}

}  // namespace

void ResetImageRebuildState() { ImageRebuild = ImageRebuildState{}; }

std::optional<PanelRect> RebuildSpectrogramRect(int displayMode, int comparisonMode, int side, int w, int h) {
  return LookUp(displayMode, comparisonMode, side, w, h, false);
}

std::optional<PanelRect> RebuildEnvelopeRect(int displayMode, int comparisonMode, int side, int w, int h) {
  return LookUp(displayMode, comparisonMode, side, w, h, true);
}

int SpectrogramColumnStart(int column, float msPerColumn, int rate, int lastStart) {
  const long long centre =
      static_cast<long long>(std::trunc(static_cast<double>(rate) * msPerColumn * column / 1000.0));
  return KeepEven(centre - kBlock / 2, lastStart);
}

int EnvelopeColumnStart(int column, float msPerColumn, int rate, int channels, int lastStart) {
  const long long centre = static_cast<long long>(
      std::trunc(static_cast<double>(rate) * msPerColumn * channels * column / 1000.0));
  return KeepEven(centre - static_cast<long long>(channels) * kBlock / 2,
                  static_cast<long long>(lastStart) * channels);
}

void RebuildSpectrogramImage(canvas::Surface& dc, const std::vector<uint8_t>& data, int side) {
  if (Mode.PlayingSignals || !SideCanvasReady(side)) return;
  const std::optional<PanelRect> r =
      RebuildSpectrogramRect(Companions.DisplayMode, Companions.ComparisonMode, side, Display.PanelAreaWidth,
                             Display.PanelAreaHeight);
  if (!r) return;
  if (CopiedFromWindow(dc, *r, side)) return;
  RecomputeSpectrogramBins();
  Mode.SpectrogramColumn = Mode.SpectrogramLag = 0;
  if (!EnsureFftTables()) return;  // no tables: the canvas stays cleared rather than half drawn
  ColumnPlan plan;
  if (!Plan(*r, plan)) return;
  int16_t* block = ImageRebuild.Block.data();
  for (int c = 0; c < plan.rect.width; ++c) {
    const int start = SpectrogramColumnStart(c, plan.msPerColumn, plan.rate, plan.lastStart);
    CopyFirstChannel(data, static_cast<long long>(start) * plan.channels, plan.channels, block);
    PowerSpectrum(block, kBandWindowSelector);
    DrawSpectrogramA(dc, std::nullopt, 0, AnalysisSettings.SpectrogramBins, block, plan.rect.x,
                     plan.rect.bottom, plan.rect.width, plan.rect.height, side);
    ++ImageRebuild.ColumnsRebuilt;
  }
}

void RebuildEnvelopeImage(canvas::Surface& dc, const std::vector<uint8_t>& data, int side) {
  if (Mode.PlayingSignals || !SideCanvasReady(side)) return;
  const std::optional<PanelRect> r =
      RebuildEnvelopeRect(Companions.DisplayMode, Companions.ComparisonMode, side, Display.PanelAreaWidth,
                          Display.PanelAreaHeight);
  if (!r) return;
  if (CopiedFromWindow(dc, *r, side)) return;
  Mode.EnvelopeColumn = Mode.EnvelopeLag = 0;
  ColumnPlan plan;
  if (!Plan(*r, plan)) return;
  int16_t* block = ImageRebuild.Block.data();
  for (int c = 0; c < plan.rect.width; ++c) {
    const int start = EnvelopeColumnStart(c, plan.msPerColumn, plan.rate, plan.channels, plan.lastStart);
    CopyFirstChannel(data, start, plan.channels, block);
    DrawEnvelopeA(dc, std::nullopt, 0, block, plan.rect.x, plan.rect.bottom, plan.rect.width,
                  plan.rect.height, side);
    ++ImageRebuild.ColumnsRebuilt;
  }
}

void RebuildStoredImages(canvas::Surface& dc, int which) {
  Display.ImagesRebuilding = 1;
  const int mode = Companions.DisplayMode;
  if (HasSpectrogram(mode)) {
    SetCursorShape(CursorShape::Wait);
    if (Mode.Frozen && (which == 0 || which == 2)) {
      FillCanvas();
      RebuildSpectrogramImage(dc, Samples.SampleA, 1);
      if (HasEnvelope(mode)) RebuildEnvelopeImage(dc, Samples.SampleA, 1);
    }
    if (Mode.Frozen && (which == 1 || which == 2)) {
      FillFrame();
      if (which == 2) FillStoreCanvas();
      if (Companions.ComparisonMode == 1 && Mode.SampleBStored) {
        RebuildSpectrogramImage(dc, Samples.SampleB, 2);
        if (HasEnvelope(mode)) RebuildEnvelopeImage(dc, Samples.SampleB, 2);
      }
    }
    SetCursorShape(CursorShape::Arrow);
  }
  FillFrame();
  Display.ImagesRebuilding = 0;
}
