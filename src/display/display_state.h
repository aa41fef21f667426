#pragma once
// The display's surfaces, geometry and redraw requests. All surfaces are palette-indexed; the
// window picture (`MainDC`) is what the backend presents, the frame (`FrameDC`) is composed
// off-screen by the display frame, and the two canvases hold the panel images of Sample A and B.
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/canvas/canvas.h"

// A panel as the panels are given: left x, bottom y, width, height (pixels of the frame); the panel
// spans x .. x + width and bottom - height .. bottom, its title strip along the bottom.
struct PanelRect {
  int x = 0, bottom = 0, width = 0, height = 0;
  bool operator==(const PanelRect&) const = default;
};

// Where each kind of panel was drawn last, for the mouse code (zero until drawn once).
struct PanelGeometry {
  PanelRect Spectrum;     // the last power-spectrum panel drawn
  PanelRect Spectrogram;  // the last spectrogram panel drawn into the frame (A or B)
  PanelRect Envelope;     // the last waveform-envelope panel drawn into the frame (A or B)
  PanelRect Signals;      // the last audio/glottogram panel
};

struct DisplayState {
  canvas::Surface MainDC;          // the window's client picture, client-sized
  canvas::Surface FrameDC;         // made at each start of an activity (FrameReady), screen-sized
  canvas::Surface CanvasDC;        // screen-sized, panel images of the A side
  canvas::Surface StoreCanvasDC;   // screen-sized, panel images of stored Sample B
  uint8_t CanvasReady = 0;
  uint8_t StoreCanvasReady = 0;
  std::shared_ptr<canvas::Font> PanelFont;

  int ScreenWidth = 0, ScreenHeight = 0;  // the size the screen-sized surfaces were made with
  int ClientWidth = 0, ClientHeight = 0;
  int PanelAreaWidth = 0, PanelAreaHeight = 0;
  int TextHeight = 0, CharWidth = 0;      // metrics of PanelFont

  // Redraw requests honoured by the next display frame.
  int ImagesRebuilding = 0;
  uint8_t FullRedraw = 0;
  int ClearFrameRequest = 0;
  int ClearRightHalfRequest = 0;
  int LegendStripDirty = 0;
  int ForceImageRebuild = 0;

  // Every text drawn into the frame by the last display frame, in drawing order.
  std::vector<canvas::DrawnText> FrameTexts;

  PanelGeometry Panels;
};

extern DisplayState Display;

// Makes the frame surface (screen-sized, background) and sets FrameReady; deletes an old one.
void MakeFrame();
void DeleteFrame();

// Background fills with palette index 5. All but FillCanvas set FullRedraw.
void FillFrame();
void FillStoreCanvas();
void FillRightHalf();
void FillSampleArea();
void FillCanvas();
