#pragma once
// Save Bitmap: the display frame drawn again into a bitmap of the panel area's size, magnified
// by BitmapMagnification, written through the display palette as a palette-indexed PNG, or as an
// 8-bit bitmap file when the name ends in ".bmp".
#include <string>

// Base size: the client width rounded down to a multiple of 4 plus 4, and the client height less
// the scroll bar, the button row and 5. Saved size: base x magnification / 100, the width rounded
// down to a multiple of 4.
struct BitmapSize {
  int width = 0, height = 0;
};
BitmapSize BaseBitmapSize(int clientWidth, int clientHeight, int scrollBarHeight, int buttonHeight);
BitmapSize MagnifiedBitmapSize(BitmapSize base, int magnificationPercent);

// True when `path` names a bitmap file (".bmp", any case): the other names are written as PNG.
bool IsBitmapFileName(const std::string& path);

// Draws the frame at display time 0 into a new bitmap and writes the file. On failure returns
// false with *message set to what the user is told ("Not Enough Memory For Bitmap",
// "Error Writing File").
bool WriteDisplayBitmap(const std::string& path, int clientWidth, int clientHeight, int scrollBarHeight,
                        int buttonHeight, std::string* message);
