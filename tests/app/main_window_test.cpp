// Creation, layout and teardown of the main window.
#include <tuple>

#include "app/shell_fixture.h"
#include "display/display_state.h"
#include "display/sample_slots.h"
#include "platform/ui_model.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

namespace {

void ResizeClient(int width, int height) {
  MainUi.clientWidth = width;
  MainUi.clientHeight = height;
  SendMainMessage(WM_SIZE);
}

TEST_F(ShellTest, WindowSizeFollowsScreenWidth) {
  // Below 801 pixels of screen width 736 x 552, else 796 x 596; centred.
  Start(1, 800, 600);
  auto rect = [] { return std::tuple(MainUi.windowRect.x, MainUi.windowRect.y, MainUi.windowRect.width, MainUi.windowRect.height); };
  EXPECT_EQ(rect(), std::tuple((800 - 736) / 2, (600 - 552) / 2, 736, 552));
  CloseIdle();
  ResetProgramState();
  Start(1, 801, 601);
  EXPECT_EQ(rect(), std::tuple((801 - 796) / 2, (601 - 596) / 2, 796, 596));
}

TEST_F(ShellTest, CaptionsAndStartValuesPerVariant) {
  const char* captions[3] = {"Taldrinex version 2.5", "TX-RadaDuza version 2.5", "TX-Zizivuv version 2.5"};
  const int display[3] = {4, 1, 6};
  const int seconds[3] = {8, 8, 4};
  for (int v = 0; v < 3; ++v) {
    SCOPED_TRACE(v);
    Start(v);
    EXPECT_EQ(MainUi.caption, captions[v]);
    EXPECT_EQ(Companions.DisplayMode, display[v]);
    EXPECT_EQ(Companions.ComparisonMode, 0);
    EXPECT_EQ(AnalysisSettings.StoredSeconds, seconds[v]);
    EXPECT_EQ(Samples.SampleBytes, 22050 * seconds[v] * 2 * 2);
    EXPECT_EQ(MainUi.buttons.size(), v == 2 ? 5u : 7u);
    EXPECT_EQ(FindButton(CMD_ANALYSIS) != nullptr, v != 2);
    EXPECT_EQ(FindButton(CMD_STORE) != nullptr, v != 2);
    CloseIdle();
    ResetProgramState();
  }
}

TEST_F(ShellTest, PanelFontAndButtonGeometry) {
  EXPECT_EQ(PanelFontHeight(760, 96), -13);
  Start(1);
  ResizeClient(763, 500);
  EXPECT_EQ(Window.ButtonWidth, 109);
  EXPECT_EQ(Window.ButtonMargin, 0);
  EXPECT_EQ(FindButton(CMD_RESET)->rect.width, 109);
  ResizeClient(768, 500);
  EXPECT_EQ(Window.ButtonWidth, 109);
  EXPECT_EQ(Window.ButtonMargin, 2);
  EXPECT_EQ(FindButton(CMD_ANALYSIS)->rect.width, 111);
  EXPECT_EQ(FindButton(CMD_RESET)->rect.width, 112);
  EXPECT_EQ(FindButton(CMD_RUN)->rect.x, 2 + 2 * 109);
  EXPECT_EQ(FindButton(CMD_RUN)->rect.y, 500 - Window.ButtonHeight);
  // The panel font follows the width: 760 / 76 = 10 points = 13 pixels at 96 dpi.
  ResizeClient(760, 500);
  EXPECT_EQ(Display.TextHeight, 15);
}

TEST_F(ShellTest, SignalsVariantKeepsTheMarginAfterItsFirstButton) {
  Start(2);
  ResizeClient(767, 500);  // 153 wide, margin 1
  EXPECT_EQ(FindButton(CMD_RUN)->rect.x, 0);
  EXPECT_EQ(FindButton(CMD_RUN)->rect.width, 153);
  EXPECT_EQ(FindButton(CMD_PLAY_FILE)->rect.x, 1 + 153);
  EXPECT_EQ(FindButton(CMD_RESET)->rect.x, 1 + 4 * 153);
  EXPECT_EQ(FindButton(CMD_RESET)->rect.width, 767 - (1 + 4 * 153));
}

TEST_F(ShellTest, PanelAreaHeightIsAlwaysEven) {
  // The client height less the bars, text and margins, made even toward zero.
  for (int h = -41; h < 700; ++h) {
    const int area = ComputePanelAreaHeight(h, 20, 15, 16), h0 = h - (20 + 15 + 3) - 16 - 8;
    EXPECT_EQ(area % 2, 0) << h;
    EXPECT_EQ(area, h0 / 2 * 2) << h;
  }
  Start(1);
  for (int h = 300; h < 310; ++h) {
    ResizeClient(700, h);
    EXPECT_EQ(Display.PanelAreaHeight % 2, 0);
  }
}

TEST_F(ShellTest, IdleCloseReleasesEverythingAndQuits) {
  Start(0);
  EXPECT_TRUE(Samples.SamplesAllocated);
  EXPECT_TRUE(Display.CanvasReady);
  SendMainMessage(WM_CLOSE);
  EXPECT_TRUE(backend.destroyed);
  EXPECT_TRUE(QuitPosted());
  EXPECT_FALSE(Samples.SamplesAllocated);
  EXPECT_FALSE(Samples.HistoryBuffersAllocated);
  EXPECT_FALSE(Display.CanvasReady);
  EXPECT_FALSE(Display.StoreCanvasReady);
  EXPECT_TRUE(Samples.SampleA.empty());
  EXPECT_EQ(backend.beeps, 0);
}

TEST_F(ShellTest, PaintShowsSeparatorAndFrame) {
  Start(1);
  ResizeClient(700, 500);
  const int y = 500 - Window.ScrollBarHeight - Window.ButtonHeight - 5;
  const auto& pic = backend.lastPicture;
  ASSERT_EQ(pic.Width(), 700);
  EXPECT_EQ(pic.At(10, y + 1), 236);  // button face
  EXPECT_EQ(pic.At(10, y + 3), 237);  // button shadow
  EXPECT_EQ(pic.At(10, 10), 238);     // class background: no frame yet
  MakeFrame();
  canvas::DrawContext(&Display.FrameDC).FillRect(0, 0, 50, 50, 3);
  SendMainMessage(WM_PAINT);
  EXPECT_EQ(backend.lastPicture.At(10, 10), 3);
}

}  // namespace
