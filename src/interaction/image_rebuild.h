#pragma once
// Rebuilding the held-sample images. While the display is frozen the spectrogram and envelope
// panels show pictures kept in CanvasDC (Sample A) and StoreCanvasDC (Sample B). They are put
// there when the display freezes and again whenever a setting or the window layout changes: column
// by column from the sample data, through the same column drawing the live panels use, or, in the
// layouts F2 and F3 when no forced rebuild was asked for, by copying the panel from the window's
// picture (it shows the same image already).
#include <cstdint>
#include <optional>
#include <vector>

#include "display/display_state.h"
#include "platform/canvas/canvas.h"

struct ImageRebuildState {
  // One analysis block (2048 values): the segment of a column, then its spectrum in 0..1023.
  // Kept here rather than in the loops' work arrays, which hold the frozen view's last segment.
  std::vector<int16_t> Block;
  long long ColumnsRebuilt = 0;  // columns drawn by computing (tests and measurements)
  long long PanelsCopied = 0;    // panels taken over from the window's picture
};

extern ImageRebuildState ImageRebuild;

// Start values (program reset, tests).
void ResetImageRebuildState();

// Where the rebuild draws a panel for display mode `displayMode` (0..7 = F1..F8) and comparison
// mode `comparisonMode` (0 Disabled, 1 Above/Below, 2 Overlay) in a w x h panel area: x is always
// 0. side 1 is Sample A (the upper or only panel), side 2 Sample B (the lower panel in
// Above/Below). No value where the layout has no such panel.
std::optional<PanelRect> RebuildSpectrogramRect(int displayMode, int comparisonMode, int side, int w, int h);
std::optional<PanelRect> RebuildEnvelopeRect(int displayMode, int comparisonMode, int side, int w, int h);

// Where column `column` of a rebuilt image takes its 2048-frame segment. msPerColumn: the time
// history in ms divided by the panel width; lastStart: the sample's frames less 2048 less 1.
// The spectrogram counts frames: truncate(rate * msPerColumn * column / 1000) - 1024, kept within
// 0..lastStart and made even. The envelope counts 16-bit values of the interleaved sample:
// truncate(rate * msPerColumn * channels * column / 1000) - channels * 1024, kept within
// 0..lastStart * channels and made even (so it starts on a first-channel value).
int SpectrogramColumnStart(int column, float msPerColumn, int rate, int lastStart);
int EnvelopeColumnStart(int column, float msPerColumn, int rate, int channels, int lastStart);

// which: 0 Sample A's images, 1 Sample B's, 2 both. Only while frozen and in the layouts with a
// spectrogram (F1, F2, F3, F5); the frame is cleared in any case. dc: the window's picture, the
// source of the copies. ImagesRebuilding is 1 meanwhile (the display frame draws nothing).
void RebuildStoredImages(canvas::Surface& dc, int which);

// The spectrogram (or envelope) image of one sample: data is the interleaved 16-bit sample
// (SampleA or SampleB), side 1 draws into CanvasDC, side 2 into StoreCanvasDC. Nothing while a
// stored signal plays. Either clears the hold flag of a file playback that froze at its end.
void RebuildSpectrogramImage(canvas::Surface& dc, const std::vector<uint8_t>& data, int side);
void RebuildEnvelopeImage(canvas::Surface& dc, const std::vector<uint8_t>& data, int side);
