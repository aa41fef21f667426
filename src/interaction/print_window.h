#pragma once
// Print Window: the display frame drawn again on a white background and stretched, centred, onto
// one printer page at a size from the ratio of screen and printer resolutions.
#include "platform/backend.h"

// The picture's size: the client width rounded down to a multiple of 4 plus 4, the whole client
// height (buttons included).
struct PrintImageSize {
  int width = 0, height = 0;
};
PrintImageSize PrintImageSizeOf(int clientWidth, int clientHeight);

// Where the picture lands on the page: in each direction the larger of the two resolutions over
// the smaller, times 0.9 (so never below 0.9), centred on the printable page.
UiRect PrintDestination(PrintImageSize image, int screenDpiX, int screenDpiY, const PrinterPage& page);

// The whole command: the print dialog, the picture, the page. Messages go to the user.
void PrintDisplayWindow(int clientWidth, int clientHeight, int screenDpiX, int screenDpiY);
