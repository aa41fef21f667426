#pragma once
// The display's surfaces, geometry and redraw requests. All surfaces are palette-indexed; the
// window picture (`MainDC`) is what the backend presents, the frame (`FrameDC`) is composed
// off-screen by the display frame, and the two canvases hold the panel images of Sample A and B.
#include <cstdint>
#include <memory>

#include "platform/canvas/canvas.h"

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
