#pragma once
// Screen and window metrics of the main window, held for the program's lifetime (pixels).
#include <cstdint>
#include <string>

#include "platform/process.h"

struct WindowState {
  int ScreenWidth = 0, ScreenHeight = 0;    // primary screen
  int WindowWidth = 0, WindowHeight = 0;    // outer size
  int ClientWidth = 0, ClientHeight = 0;
  int SystemTextHeight = 0;                 // system font height at creation
  int ButtonWidth = 0, ButtonMargin = 0, ButtonHeight = 0, ScrollBarHeight = 0;
  int DpiY = 96;
  uint8_t NoPaletteDevice = 0;              // 1 on a display without a hardware palette
  int WaveHeaderSize = 0;                   // 46 once the window exists
  bool WindowExists = false;
  int VolumeControlLaunched = 0;
  LaunchedProgram VolumeControlProcess;
};

extern WindowState Window;

// Window procedure of the main window.
intptr_t MainWindowProc(uint32_t message, uintptr_t wParam, intptr_t lParam);

// Message handlers.
void OnCreate();
void OnClose();
void OnSize();
void OnPaint();
void OnCommand(int id, intptr_t lParam);
void OnKeyDown(uint32_t key);

// Window layout: geometry, controls, panel font.
void LayoutMainWindow();
// Panel font height for a client width at a vertical dpi (negative: character height in pixels).
int PanelFontHeight(int clientWidth, int dpiY);
// Even panel-area height for a client height (see LayoutMainWindow).
int ComputePanelAreaHeight(int clientHeight, int buttonHeight, int textHeight, int scrollBarHeight);

// Copies the window picture to the screen through the palette.
void PresentMainWindow(int x, int y, int width, int height);
