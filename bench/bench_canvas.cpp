// Canvas speed: presenting a full-HD frame (palette indexes to packed RGB) and typical drawing.
#include <benchmark/benchmark.h>

#include <vector>

#include "display/palette.h"
#include "platform/canvas/canvas.h"

namespace {

canvas::Surface BusyFrame(int w, int h) {
  canvas::Surface s(w, h, 5);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.Row(y)[x] = static_cast<uint8_t>((x / 3 + y) % 236);
  return s;
}

void BM_SurfaceToRgb(benchmark::State& state) {
  const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
  const canvas::Surface frame = BusyFrame(w, h);
  BuildPalette();
  const auto lookup = canvas::MakeRgbLookup(PresentationEntries().data(), 256);
  std::vector<uint32_t> rgb(static_cast<size_t>(w) * h);
  for (auto _ : state) {
    canvas::SurfaceToRgb(frame, lookup, canvas::Rect{0, 0, w, h}, rgb.data(), static_cast<size_t>(w));
    benchmark::DoNotOptimize(rgb.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * w * h);
}
BENCHMARK(BM_SurfaceToRgb)->Args({1920, 1080})->Args({800, 600})->Unit(benchmark::kMicrosecond);

// The scrolling panels move their plot two pixels left every second column.
void BM_ScrollPanel(benchmark::State& state) {
  canvas::Surface frame = BusyFrame(1920, 1080);
  canvas::DrawContext dc(&frame);
  for (auto _ : state) {
    dc.ScrollRect(0, 0, 1920, 540, -2, 0);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_ScrollPanel)->Unit(benchmark::kMicrosecond);

// A spectrum curve: 1024 short lines across a wide panel.
void BM_SpectrumCurve(benchmark::State& state) {
  canvas::Surface frame(1920, 1080, 5);
  canvas::DrawContext dc(&frame);
  dc.SelectPen(canvas::Pen{2, 1});
  for (auto _ : state) {
    dc.MoveTo(0, 500);
    for (int i = 1; i <= 1024; ++i) dc.LineTo(i * 1900 / 1024, 300 + (i * 37) % 400);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_SpectrumCurve)->Unit(benchmark::kMicrosecond);

// Panel titles and readouts: a few texts per frame, glyphs from the cache.
void BM_TextOut(benchmark::State& state) {
  canvas::Surface frame(1920, 1080, 5);
  canvas::DrawContext dc(&frame);
  dc.SelectFont(canvas::Font::Create(-13));
  dc.SetTextColour(4);
  for (auto _ : state) {
    dc.TextOut(10, 10, "Power Spectrum (A)  F0 = 220 Hz  -23 dB at 1250 Hz");
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_TextOut)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
