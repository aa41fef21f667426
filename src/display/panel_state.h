#pragma once
// State the panels share with the activity loops and the mouse and key code: the cursors of the
// frozen view, and the inputs the loops hand to the display frame besides the sample slots.
//
// How a loop feeds one display frame: it writes Samples.SpectrumA (or SpectrumB), TraceA1/TraceA2
// (or the B traces), Samples.F0A and DisplayInputs.SpectrogramColumnData, then calls
// DrawDisplayFrame(surface, displayTimeMs). The spectrogram draws its new columns from
// SpectrogramColumnData; the envelope takes entries 256..767 of TraceA1 (the current 2048-frame
// segment); while a loop runs, each new column asks the loop instead for the spectrum and the trace
// of its own moment (ColumnSpectrumAt, ColumnTraceAt); the spectrum panel erases the curve it drew last time from the copy the frame keeps
// below, so the loops need not keep a second half in the spectrum arrays.
#include <array>
#include <cstdint>

#include "display/sample_slots.h"

struct PanelCursorState {
  // Which cursor leads (the mouse and keys set it): 0 each spectrogram by its own row, 1 the
  // Sample A spectrum cursor, 2 the Sample A spectrogram cursor, 3 the Sample B spectrum cursor,
  // 4 the Sample B spectrogram cursor.
  int CursorTarget = 0;
  int CursorY = 0, CursorYB = 0;                  // spectrogram cursor rows, frame pixels
  int SpectrumCursorA = 0, SpectrumCursorB = 0;   // spectrum cursor, pixels from the panel's left edge
  float CursorFreqA = 0, CursorFreqB = 0;         // cursor frequency, Hz
  int ScrollRange = 8000;                         // the position scroll bar's range (CursorX is 0..ScrollRange)
  float CursorTimeMs = 0;                         // time under the spectrogram cursor, ms (last drawn)
  // Set by file playback when it freezes at the end of a file in layouts F2/F3; the image rebuild
  // clears it. While set the Sample A spectrogram and envelope draw no cursor.
  uint8_t SpectrogramHold = 0;
};

struct DisplayInputState {
  // The newest un-averaged spectrum, whole dB per FFT bin: one spectrogram column.
  std::array<int16_t, kSpectrumLength> SpectrogramColumnData{};
  // Set by a running loop: the un-averaged spectrum (1024 whole-dB bins) and the audio trace (2048
  // values) of the moment a column at display time displayMs shows, or null when no sound is
  // there. Unset, every new column of a frame shows SpectrogramColumnData and TraceA1.
  const int16_t* (*ColumnSpectrumAt)(double displayMs) = nullptr;
  const int16_t* (*ColumnTraceAt)(double displayMs) = nullptr;
  // The curves the spectrum panel drew last from SpectrumA and from SpectrumB, for the erase pass.
  std::array<int16_t, kSpectrumLength> DrawnSpectrumA{}, DrawnSpectrumB{};
};

extern PanelCursorState PanelCursors;
extern DisplayInputState DisplayInputs;

// Start values of both (program reset, tests).
void ResetPanelState();
