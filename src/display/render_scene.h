#pragma once
// Drawing whole display frames without a window: the surfaces and font a window of a given size
// would have, and a scene analysed from a recording held in memory the way the live loop would
// have analysed it over the seconds before a moment. Used by `taldrinex-cli render`, the
// golden-picture tests and the benchmarks.
#include <cstdint>
#include <string>
#include <vector>

struct RenderSurfaceSpec {
  int clientWidth = 800, clientHeight = 600;  // the window's client area, pixels
  int panelAreaHeight = 0;                     // even; from the window layout rule
  int fontHeight = 0;                          // panel font height as the layout asks for it (< 0: pixels)
};

// Makes MainDC, FrameDC, CanvasDC and StoreCanvasDC (client-sized, background), the panel font and
// its metrics, the palette when it is not built yet, and the panel-area geometry. False when the
// size is not positive or the font cannot be loaded.
bool SetUpRenderSurfaces(const RenderSurfaceSpec& surfaces);

// A recording held in memory: interleaved 16-bit frames, channel 0 audio, 1 glottogram.
struct RenderSignal {
  const std::vector<int16_t>* samples = nullptr;
  int channels = 1;
  int rate = 22050;
};

// Analyses the time history before atSeconds as the live loop would (a 2048-frame segment ending
// at each spectrogram column's time, its spectrum as the column, the last SpectrumAverageCount
// spectra averaged into SpectrumA, the segment as the traces) and draws one frame per column into
// FrameDC in the current display and comparison modes, so that the spectrogram and envelope fill
// their panels. In the comparison modes Sample B is stored first from the same recording at
// storedAtSeconds (its images rebuilt into StoreCanvasDC, its spectrum into SpectrumB and
// SpectrumStored) and the last frame draws the stored panels. Time before the start of the
// recording is silence. False (with *error) when the analysis tables cannot be built.
bool RenderScene(const RenderSignal& signal, double atSeconds, double storedAtSeconds, std::string* error);
