#pragma once
// The power-spectrum panel: the spectrum of one sample as a polyline over a dotted grid (a dot every
// kHz and every 10 dB), the title, the F0 readout and, on a frozen display or while a stored
// signal plays, the frequency cursor with its level and frequency readout.
#include <cstdint>
#include <optional>

#include "platform/canvas/canvas.h"

// Scales of a spectrum panel (all from the settings and the panel size).
struct SpectrumScales {
  double HzPerPixel = 0;
  int PlotHeight = 0, PlotBottom = 0, PanelTop = 0;
  double PixelsPerDb = 0;
  double BinsExact = 0;   // FFT bins across the frequency range
  int BinCount = 0;       // BinsExact rounded half up, at most the spectrum length
  double PixelsPerBin = 0;
};
SpectrumScales ComputeSpectrumScales(int bottom, int width, int height);

// levels: 1024 whole-dB values above the bottom of the display range (SpectrumA, SpectrumB or
// SpectrumStored). erase: the curve drawn last time, drawn first in eraserPen; both must be given
// to erase. curvePen: FramePen, or SampleBPen for the second curve of the overlay. framePen: frame,
// grid and titles, or none to skip them. sampleFlag 0 Sample A, 1 Sample B (the cursor and title).
// Publishes the rectangle in Display.Panels.Spectrum.
void DrawSpectrum(canvas::Surface& hdc, std::optional<canvas::Pen> eraserPen, canvas::Pen curvePen,
                  std::optional<canvas::Pen> framePen, const int16_t* levels, const int16_t* erase, int x,
                  int bottom, int width, int height, int sampleFlag);

// In F1 and F2, when the spectrum cursor of sampleFlag's sample leads and is shown, its frequency
// (from its offset in a panel width pixels wide) becomes the sample's cursor frequency, which the
// spectrogram follows. The display frame calls it before drawing, as the spectrogram is drawn
// before the spectrum.
void SetLeadingSpectrumCursorFrequency(int width, int sampleFlag);

// The level readout of the frequency cursor: levels[bin of f] - AmplitudeScale, within
// -AmplitudeScale .. 0 dB.
double SpectrumCursorLevel(const int16_t* levels, double frequencyHz);
