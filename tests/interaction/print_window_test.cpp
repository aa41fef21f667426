// Print Window: the frame on a white page, stretched by the ratio of the resolutions, centred.
#include "interaction/print_window.h"

#include "app/window_state.h"
#include "audio/playback_fixture.h"
#include "display/display_state.h"
#include "display/palette.h"
#include "settings/mode_state.h"

namespace {

TEST(PrintPlacement, FactorFromTheResolutionsAndCentredOnThePage) {
  const PrintImageSize image = PrintImageSizeOf(797, 550);
  EXPECT_EQ(image.width, 800);
  EXPECT_EQ(image.height, 550);
  // 96-dpi screen, 600-dpi printer: 600 / 96 x 0.9 = 5.625.
  const UiRect r = PrintDestination(image, 96, 96, PrinterPage{600, 600, 4960, 7016});
  EXPECT_EQ(r.width, 4500);
  EXPECT_EQ(r.height, static_cast<int>(550 * 5.625f));
  EXPECT_EQ(r.x, 4960 / 2 - 4500 / 2);
  EXPECT_EQ(r.y, 7016 / 2 - r.height / 2);
  // A printer coarser than the screen enlarges by the inverse ratio (never below 0.9).
  const UiRect low = PrintDestination(image, 96, 96, PrinterPage{72, 72, 595, 842});
  EXPECT_EQ(low.width, static_cast<int>(800 * (96.0f / 72.0f * 0.9f)));
  EXPECT_EQ(PrintDestination(image, 96, 96, PrinterPage{96, 96, 1000, 1000}).width, 720);
}

class PrintRun : public PlaybackTest {};

TEST_F(PrintRun, TheFrozenDisplayIsPrintedOnOnePageAndTheScreenKeepsItsBackground) {
  ScreenInfo screen;
  screen.dpiX = 120;  // wider pixels across than down: each direction scales by its own resolution
  backend->SetScreen(screen);
  Open(0);
  Run("wait 2000\nclick 105\nwait 300\nmenu 40004\nwait 100\nkey Escape");
  ASSERT_EQ(backend->PrintedPages().size(), 1u);
  const auto& page = backend->PrintedPages()[0];
  EXPECT_EQ(page.document, "Taldrinex");
  EXPECT_EQ(page.picture.Width(), Window.ClientWidth / 4 * 4 + 4);
  EXPECT_EQ(page.picture.Height(), Window.ClientHeight);
  EXPECT_EQ(page.destination.width, static_cast<int>(page.picture.Width() * (600.0f / 120.0f * 0.9f)));
  EXPECT_EQ(page.destination.height, static_cast<int>(page.picture.Height() * (600.0f / 96.0f * 0.9f)));
  // The panels are on the page (frame lines, text), white below them where the display draws nothing.
  int frameLines = 0, white = 0;
  for (int y = 0; y < page.picture.Height(); ++y)
    for (int x = 0; x < page.picture.Width(); ++x) {
      frameLines += page.picture.At(x, y) == kFrameIndex;
      white += page.picture.At(x, y) == kWindowBackgroundIndex;
    }
  EXPECT_GT(frameLines, 1000);
  EXPECT_GT(white, page.picture.Width() * 10);
  // The screen's frame went back to the display background.
  EXPECT_EQ(Display.FrameDC.At(Display.ScreenWidth - 1, Display.ScreenHeight - 1), kBackgroundIndex);
  EXPECT_EQ(Mode.OpenBlockCount, 0);
  EXPECT_TRUE(backend->MessageBoxes().empty());
}

}  // namespace
