#include "display/render_scene.h"

#include <algorithm>
#include <cmath>

#include "analysis/fft_tables.h"
#include "analysis/power_spectrum.h"
#include "display/display_frame.h"
#include "display/display_state.h"
#include "display/envelope_panel.h"
#include "display/palette.h"
#include "display/panel_state.h"
#include "display/sample_slots.h"
#include "display/spectrogram_panel.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

namespace {

constexpr int kSegment = 2048;

struct Analysed {
  std::vector<std::array<int16_t, kSpectrumLength>> columns;  // one un-averaged spectrum per column
  std::vector<std::vector<int16_t>> audio, egg;               // the segment of each column
  std::array<int16_t, kSpectrumLength> averaged{};            // average of the last spectra
};

// The 2048 frames ending at frame `end` of one channel; frames outside the recording are silence.
std::vector<int16_t> Segment(const RenderSignal& s, int64_t end, int channel) {
  std::vector<int16_t> out(kSegment, 0);
  if (channel >= s.channels) return out;
  const int64_t frames = static_cast<int64_t>(s.samples->size()) / s.channels;
  for (int i = 0; i < kSegment; ++i) {
    const int64_t f = end - kSegment + i;
    if (f >= 0 && f < frames) out[i] = (*s.samples)[static_cast<size_t>(f * s.channels + channel)];
  }
  return out;
}

// Analysis of `count` columns, column k at time endMs - (count - 1 - k) * msPerColumn.
Analysed Analyse(const RenderSignal& s, double endMs, int count, double msPerColumn) {
  Analysed a;
  const int average = std::clamp(AnalysisSettings.SpectrumAverageCount, 1, kHistorySpectra);
  std::vector<std::array<int, kSpectrumLength>> history;
  for (int k = 0; k < count; ++k) {
    const double t = endMs - (count - 1 - k) * msPerColumn;
    const int64_t end = static_cast<int64_t>(std::floor(t * s.rate / 1000.0));
    std::vector<int16_t> audio = Segment(s, end, 0);
    a.audio.push_back(audio);
    a.egg.push_back(Segment(s, end, 1));
    PowerSpectrum(audio.data(), kBandWindowSelector);
    std::array<int16_t, kSpectrumLength> column{};
    std::copy_n(audio.begin(), kSpectrumLength, column.begin());
    a.columns.push_back(column);
  }
  // The live loop averages the newest spectra and sets negative averages to 0.
  const int first = std::max(0, count - average);
  for (int i = 0; i < kSpectrumLength; ++i) {
    int sum = 0;
    for (int k = first; k < count; ++k) sum += a.columns[k][i];
    a.averaged[i] = static_cast<int16_t>(std::max(0, sum / average));
  }
  return a;
}

void SetTraces(std::array<int16_t, kTraceLength>& t1, std::array<int16_t, kTraceLength>& t2, const Analysed& a,
               int k) {
  std::copy_n(t1.begin(), kTraceLength / 2, t1.begin() + kTraceLength / 2);
  std::copy_n(t2.begin(), kTraceLength / 2, t2.begin() + kTraceLength / 2);
  std::copy(a.audio[k].begin(), a.audio[k].end(), t1.begin());
  std::copy(a.egg[k].begin(), a.egg[k].end(), t2.begin());
}

// The spectrogram (or envelope) of the layout, or none.
const PanelPlacement* Find(const std::vector<PanelPlacement>& panels, PanelKind kind) {
  for (const auto& p : panels)
    if (p.kind == kind) return &p;
  return nullptr;
}

int ColumnsWidth(const std::vector<PanelPlacement>& panels) {
  const PanelPlacement* p = Find(panels, PanelKind::SpectrogramA);
  if (!p) p = Find(panels, PanelKind::SpectrogramB);
  return p ? p->rect.width : Display.PanelAreaWidth;
}

// Sample B stored from the recording: its images rebuilt column by column into StoreCanvasDC.
void StoreSampleB(const RenderSignal& s, double atMs, const std::vector<PanelPlacement>& panels) {
  const int width = ColumnsWidth(panels);
  const double msPerColumn = AnalysisSettings.StoredSeconds * 1000.0 / width;
  const Analysed a = Analyse(s, atMs, width + 1, msPerColumn);
  const PanelPlacement* sg = Find(panels, PanelKind::SpectrogramB);
  const PanelPlacement* env = Find(panels, PanelKind::EnvelopeB);
  Mode.SpectrogramColumn = Mode.SpectrogramLag = 0;
  if (sg)
    for (int k = 0; k <= width; ++k)
      DrawSpectrogramA(Display.FrameDC, std::nullopt, 0, AnalysisSettings.SpectrogramBins, a.columns[k].data(),
                       sg->rect.x, sg->rect.bottom, sg->rect.width, sg->rect.height, 2);
  Mode.EnvelopeColumn = Mode.EnvelopeLag = 0;
  if (env)
    for (int k = 0; k <= width; ++k)
      DrawEnvelopeA(Display.FrameDC, std::nullopt, 0, a.audio[k].data(), env->rect.x, env->rect.bottom,
                    env->rect.width, env->rect.height, 2);
  std::copy(a.averaged.begin(), a.averaged.end(), Samples.SpectrumB.begin());
  Samples.SpectrumStored = Samples.SpectrumB;
  SetTraces(Samples.TraceB1, Samples.TraceB2, a, width);
  Samples.F0B = Samples.F0A;
  Mode.SampleBStored = 1;
}

}  // namespace

bool SetUpRenderSurfaces(const RenderSurfaceSpec& surfaces) {
  if (surfaces.clientWidth <= 0 || surfaces.clientHeight <= 0) return false;
  Display.PanelFont = canvas::Font::Create(surfaces.fontHeight);
  if (!Display.PanelFont) return false;
  Display.TextHeight = Display.PanelFont->Height();
  Display.CharWidth = Display.PanelFont->AverageCharWidth();
  if (!Palette.PaletteBuilt) BuildPalette();
  const int w = surfaces.clientWidth, h = surfaces.clientHeight;
  Display.ScreenWidth = Display.ClientWidth = Display.PanelAreaWidth = w;
  Display.ScreenHeight = Display.ClientHeight = h;
  Display.PanelAreaHeight = surfaces.panelAreaHeight;
  Display.MainDC = canvas::Surface(w, h, kBackgroundIndex);
  MakeFrame();
  Display.CanvasDC = canvas::Surface(w, h, kBackgroundIndex);
  Display.StoreCanvasDC = canvas::Surface(w, h, kBackgroundIndex);
  Display.CanvasReady = Display.StoreCanvasReady = 1;
  Display.LegendStripDirty = 1;
  Display.FullRedraw = 1;
  return true;
}

bool RenderScene(const RenderSignal& signal, double atSeconds, double storedAtSeconds, std::string* error) {
  if (!signal.samples || signal.channels < 1 || signal.rate < 1) {
    if (error) *error = "no signal to render";
    return false;
  }
  if (!EnsureFftTables()) {
    if (error) *error = kFftSetupFailedText;
    return false;
  }
  AnalysisSettings.SampleRate = signal.rate;
  RecomputeSpectrogramBins();
  SetBandwidth(AnalysisSettings.BandwidthHz, signal.rate);
  const int index = Companions.ComparisonMode * 8 + Companions.DisplayMode;
  const int w = Display.PanelAreaWidth, h = Display.PanelAreaHeight;

  if (Companions.ComparisonMode != 0) StoreSampleB(signal, storedAtSeconds * 1000.0, FramePanels(index, w, h, false, 0, true));

  // The live frames: one column due per frame, the newest at atSeconds.
  const int width = ColumnsWidth(FramePanels(index, w, h, false, 0, false));
  const double msPerColumn = AnalysisSettings.StoredSeconds * 1000.0 / width;
  const Analysed a = Analyse(signal, atSeconds * 1000.0, width + 1, msPerColumn);
  Mode.SpectrogramColumn = Mode.SpectrogramLag = Mode.EnvelopeColumn = Mode.EnvelopeLag = 0;
  for (int k = 0; k <= width; ++k) {
    DisplayInputs.SpectrogramColumnData = a.columns[k];
    SetTraces(Samples.TraceA1, Samples.TraceA2, a, k);
    // The spectrum shows the average of the spectra so far (the last one the full average).
    if (k == width) {
      std::copy(a.averaged.begin(), a.averaged.end(), Samples.SpectrumA.begin());
      Display.FullRedraw = 1;
    } else {
      Samples.SpectrumA = a.columns[k];
    }
    DrawDisplayFrame(Display.FrameDC, static_cast<int>(std::lround(k * msPerColumn)));
  }
  return true;
}
