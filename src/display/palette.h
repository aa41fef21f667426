#pragma once
// The display palette: 236 entries addressed only by index, so that switching between the colour
// scale and the gray scale recolours the whole display at the next presentation without a redraw.
// Entries 0..5 are the fixed drawing colours; 6..235 carry the spectrogram levels.
#include <cstdint>

#include "platform/canvas/canvas.h"

// Fixed entries.
enum PaletteIndex : uint8_t {
  kCursorIndex = 0,      // cursor lines
  kSampleBIndex = 1,     // Sample B curve, "(B)" in the overlay title
  kFrameIndex = 2,       // frames, separators, grid dots
  kMarkerIndex = 3,      // markers of the signal panels
  kTextIndex = 4,        // text
  kBackgroundIndex = 5,  // background, erasing, fills
  kFirstLevelIndex = 6,  // spectrogram levels 6..235
};

// The window picture shows more than the display: the separator above the buttons is drawn in
// the window's own colours, which the presentation palette carries behind the 236 entries.
constexpr uint8_t kButtonFaceIndex = 236;
constexpr uint8_t kButtonShadowIndex = 237;
constexpr uint8_t kWindowBackgroundIndex = 238;  // 238..255 present as the window background
// The system colours the separator is drawn in (the usual light-theme button face and shadow).
constexpr canvas::PaletteEntry kButtonFaceColour{240, 240, 240};
constexpr canvas::PaletteEntry kButtonShadowColour{160, 160, 160};
constexpr canvas::PaletteEntry kWindowBackgroundColour{255, 255, 255};

struct PaletteState {
  canvas::PaletteTable ColorScaleEntries{};  // both tables computed by BuildPalette
  canvas::PaletteTable GrayScaleEntries{};
  canvas::PaletteTable DisplayPalette{};     // the table every surface is shown through
  uint8_t PaletteBuilt = 0;
  uint8_t GrayScaleShown = 0;  // the signals variant's key toggle: 0 colour, 1 gray

  // Pens: solid, palette-indexed, re-made at every switch.
  canvas::Pen CursorPen{kCursorIndex, 1};
  canvas::Pen SampleBPen{kSampleBIndex, 1};
  canvas::Pen FramePen{kFrameIndex, 1};
  canvas::Pen MarkerPen{kMarkerIndex, 1};
  canvas::Pen EraserPen{kBackgroundIndex, 1};
  canvas::Pen CursorEdgePen{kBackgroundIndex, 1};
  canvas::Pen ButtonFacePen{kButtonFaceIndex, 4};  // separator above the buttons, window picture only
  canvas::Pen ButtonShadowPen{kButtonShadowIndex, 1};
};

extern PaletteState Palette;

void ResetPaletteState();

// The two 236-entry tables. Colour: 0..5 fixed, then blue with rising green (6..77), cyan through
// green to yellow (78..155), yellow to red (156..233), red (234, 235); each component truncated.
// Gray: 0..5 fixed, then max(0, 220 - i) on all three components (louder is darker).
canvas::PaletteTable ComputeColorScaleEntries();
canvas::PaletteTable ComputeGrayScaleEntries();

// At window creation: computes both tables, shows the colour scale (whatever PaletteChoice says)
// and makes the pens.
void BuildPalette();

// Copies the chosen table into DisplayPalette (ID_GRAY_SCALE: gray, anything else: colour) and
// re-makes the pens. Only the palette itself: the caller does what the switch means for its side,
// i.e. sets PaletteChoice (and GrayScaleShown for the key toggle), checks the dialog button, fills
// the frame and canvases with the background where needed, rebuilds the held images and raises
// ClearFrameRequest.
void SwitchPalette(int choice);

// The colour a pen draws in now.
canvas::PaletteEntry PenColour(canvas::Pen pen);

// The 256 entries the window picture is presented through: DisplayPalette, then the button face,
// the button shadow and the window background.
canvas::PresentationPalette PresentationEntries();
