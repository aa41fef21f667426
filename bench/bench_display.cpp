// Display frame cost at 1920 x 1080: BM_DrawDisplayFrame/<display mode 0..7> in steady state (the
// spectrogram and envelope full and scrolling, one new column and a fresh spectrum curve every
// frame), and BM_PresentFrame, the conversion of the frame to RGB for presentation.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "app/program.h"
#include "app/window_state.h"
#include "display/display_frame.h"
#include "display/display_state.h"
#include "display/palette.h"
#include "display/panel_state.h"
#include "display/render_scene.h"
#include "display/sample_slots.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

namespace {

constexpr int kWidth = 1920, kHeight = 1080, kRate = 22050;

std::vector<int16_t> Voice(int seconds) {
  std::vector<int16_t> out(static_cast<size_t>(seconds) * kRate * 2);
  double phase = 0;
  for (size_t n = 0; n < out.size() / 2; ++n) {
    const double t = static_cast<double>(n) / kRate;
    phase += 2 * M_PI * (150 + 50 * std::sin(2 * M_PI * t / 2)) / kRate;
    double v = 0;
    for (int k = 1; k <= 15; ++k) v += std::sin(k * phase) / k;
    out[2 * n] = static_cast<int16_t>(8000 * v);
    out[2 * n + 1] = static_cast<int16_t>(std::fmod(phase, 2 * M_PI) < M_PI ? 10000 : -10000);
  }
  return out;
}

bool SetUp(int displayMode) {
  ResetProgramState();
  ResetPanelState();
  ApplyVariantStartValues(1);
  Companions.VariantTitle = "Real-Time Spectrum Analysis";
  Companions.DisplayMode = displayMode;
  Companions.ComparisonMode = 0;
  RenderSurfaceSpec surfaces;
  surfaces.clientWidth = kWidth;
  surfaces.clientHeight = kHeight;
  surfaces.fontHeight = PanelFontHeight(kWidth, 96);
  const auto font = canvas::Font::Create(surfaces.fontHeight);
  if (!font) return false;
  surfaces.panelAreaHeight = ComputePanelAreaHeight(kHeight, 20, font->Height(), 16);
  if (!SetUpRenderSurfaces(surfaces)) return false;
  // Fill the panels as a running loop would have by now.
  static const std::vector<int16_t> voice = Voice(10);
  std::string error;
  return RenderScene({&voice, 2, kRate}, 9.0, 4.0, &error);
}

void BM_DrawDisplayFrame(benchmark::State& state) {
  if (!SetUp(static_cast<int>(state.range(0)))) {
    state.SkipWithError("display set-up failed");
    return;
  }
  // Two alternating spectra and columns, so that every frame erases and draws a different curve.
  std::array<int16_t, kSpectrumLength> a = Samples.SpectrumA, b{};
  for (int i = 0; i < kSpectrumLength; ++i) b[i] = static_cast<int16_t>(a[i] / 2 + (i % 7));
  const double msPerColumn = AnalysisSettings.StoredSeconds * 1000.0 / kWidth;  // at most one column a frame
  double time = Mode.SpectrogramColumn * 1000.0 * AnalysisSettings.StoredSeconds / kWidth;
  bool odd = false;
  for (auto _ : state) {
    odd = !odd;
    Samples.SpectrumA = odd ? b : a;
    DisplayInputs.SpectrogramColumnData = odd ? b : a;
    time += msPerColumn * 2;  // one column due in the half-width layouts, two in the full-width ones
    DrawDisplayFrame(Display.FrameDC, static_cast<int>(time));
    benchmark::DoNotOptimize(Display.FrameDC.Pixels().data());
  }
  state.counters["lag"] = Mode.SpectrogramLag;
}
BENCHMARK(BM_DrawDisplayFrame)->DenseRange(0, 7)->Unit(benchmark::kMicrosecond);

void BM_PresentFrame(benchmark::State& state) {
  if (!SetUp(0)) {
    state.SkipWithError("display set-up failed");
    return;
  }
  const canvas::RgbLookup lookup = canvas::MakeRgbLookup(Palette.DisplayPalette.data(), canvas::kPaletteSize);
  std::vector<uint32_t> rgb(static_cast<size_t>(kWidth) * kHeight);
  const canvas::Rect region{0, 0, kWidth, Display.PanelAreaHeight + Display.TextHeight + 6};
  for (auto _ : state) {
    canvas::SurfaceToRgb(Display.FrameDC, lookup, region, rgb.data(), kWidth);
    benchmark::DoNotOptimize(rgb.data());
  }
}
BENCHMARK(BM_PresentFrame)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
