#pragma once
// The display frame: which panels the current display mode (F1..F8) and comparison mode
// (Disabled, Above/Below, Overlay) show and where, the legend strip below them, and the one-shot
// clear requests. The panel area is W = PanelAreaWidth by H = PanelAreaHeight; the legend strip
// starts at y = H + 1.
#include <optional>
#include <vector>

#include "display/display_state.h"
#include "platform/canvas/canvas.h"

enum class PanelKind {
  SpectrogramA,   // DrawSpectrogramA fed with DisplayInputs.SpectrogramColumnData
  SpectrogramB,   // DrawSpectrogramB (stored image)
  EnvelopeA,      // DrawEnvelopeA fed with TraceA1
  EnvelopeB,      // DrawEnvelopeB (stored image)
  Spectrum,       // DrawSpectrum
  Signals,        // DrawSignals
  SignalsSingle,  // DrawSignalsSingle
};

// Which data a spectrum or signal panel shows.
enum class PanelData {
  SampleA,         // SpectrumA, TraceA1/TraceA2
  SampleB,         // SpectrumB, TraceB1/TraceB2
  StoredSpectrum,  // SpectrumStored
};

struct PanelPlacement {
  PanelKind kind = PanelKind::Spectrum;
  PanelRect rect;
  int sampleFlag = 0;
  bool eraser = false;       // spectrum and signal panels: erase what was drawn last time
  PanelData data = PanelData::SampleA;
  bool sampleBPen = false;   // the overlay's second curve, in SampleBPen
};

// The panels of layout index ComparisonMode * 8 + DisplayMode for a W x H panel area, in drawing
// order, given the playing state (PlayingSignals, PlaySelection) and FullRedraw. An unknown index
// gives no panels.
std::vector<PanelPlacement> FramePanels(int index, int w, int h, bool playingSignals, int playSelection,
                                        bool fullRedraw);

// One picture of the display into hdc (the frame surface, or a bitmap of the caller's for saving
// and printing). displayTimeMs drives the spectrogram and envelope columns. Clears FrameTexts and
// logs every text drawn. Draws nothing while ImagesRebuilding.
void DrawDisplayFrame(canvas::Surface& hdc, int displayTimeMs);

// The legend strip at (x, y): VariantTitle in a framed box across the client width, and the line
// along the top of the client area.
void DrawLegendStrip(canvas::Surface& hdc, int x, int y);
