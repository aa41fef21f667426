// The main window: creation, layout and teardown, the five control-state sets in the three
// variants, and the mode changes that need no running loop (through WM_COMMAND as a click sends it).
#include <tuple>

#include "app/control_states.h"
#include "app/shell_fixture.h"
#include "display/display_state.h"
#include "display/sample_slots.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

namespace {

void ResizeClient(int width, int height) {
  MainUi.clientWidth = width;
  MainUi.clientHeight = height;
  SendMainMessage(WM_SIZE);
}

TEST_F(ShellTest, EachVariantsWindowCaptionAndStartValues) {
  // Below 801 pixels of screen width the window is 736 x 552, else 796 x 596; centred.
  struct {
    int variant, screenWidth, screenHeight;
    const char* caption;
    int displayMode, seconds, x, y, width, height;
  } cases[] = {{0, 1024, 768, "Taldrinex version 2.5", 4, 8, 114, 86, 796, 596},
               {1, 800, 600, "TX-RadaDuza version 2.5", 1, 8, 32, 24, 736, 552},
               {2, 801, 601, "TX-Zizivuv version 2.5", 6, 4, 2, 2, 796, 596}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.variant);
    Start(c.variant, c.screenWidth, c.screenHeight);
    const UiRect& r = MainUi.windowRect;
    EXPECT_EQ(std::tie(r.x, r.y, r.width, r.height), std::tie(c.x, c.y, c.width, c.height));
    EXPECT_EQ(MainUi.caption, c.caption);
    EXPECT_EQ(std::tuple(Companions.DisplayMode, Companions.ComparisonMode, AnalysisSettings.StoredSeconds),
              std::tuple(c.displayMode, 0, c.seconds));
    EXPECT_EQ(Samples.SampleBytes, 22050 * c.seconds * 2 * 2);
    EXPECT_EQ(MainUi.buttons.size(), c.variant == 2 ? 5u : 7u);
    CloseIdle();
    ResetProgramState();
  }
}

// A button's place along the bar and its width.
std::pair<int, int> Across(int id) { return {FindButton(id)->rect.x, FindButton(id)->rect.width}; }

TEST_F(ShellTest, PanelFontButtonGeometryAndAnEvenPanelArea) {
  EXPECT_EQ(PanelFontHeight(760, 96), -13);
  Start(1);
  ResizeClient(763, 500);
  EXPECT_EQ(std::tuple(Window.ButtonWidth, Window.ButtonMargin, Across(CMD_RESET).second),
            std::tuple(109, 0, 109));
  // The margin goes to the first button and the remainder to the last.
  ResizeClient(768, 500);
  EXPECT_EQ(std::tuple(Window.ButtonWidth, Window.ButtonMargin, Across(CMD_ANALYSIS).second,
                       Across(CMD_RESET).second, Across(CMD_RUN).first, FindButton(CMD_RUN)->rect.y),
            std::tuple(109, 2, 111, 112, 2 + 2 * 109, 500 - Window.ButtonHeight));
  // The panel font follows the width: 760 / 76 = 10 points = 13 pixels at 96 dpi.
  ResizeClient(760, 301);
  EXPECT_EQ(std::tuple(Display.TextHeight, Display.PanelAreaHeight % 2), std::tuple(15, 0));
  // The client height less the bars, text and margins, made even toward zero.
  for (int h = -41; h < 700; ++h) EXPECT_EQ(ComputePanelAreaHeight(h, 20, 15, 16) % 2, 0) << h;
  EXPECT_EQ(ComputePanelAreaHeight(301, 20, 15, 16), 238);
  CloseIdle();
  ResetProgramState();

  // The signals variant keeps the margin after its first button.
  Start(2);
  ResizeClient(767, 500);  // 153 wide, margin 1
  EXPECT_EQ(std::tuple(Across(CMD_RUN), Across(CMD_PLAY_FILE).first, Across(CMD_RESET)),
            std::tuple(std::pair(0, 153), 1 + 153, std::pair(1 + 4 * 153, 767 - (1 + 4 * 153))));
}

TEST_F(ShellTest, PaintShowsSeparatorAndFrameAndAnIdleCloseReleasesEverything) {
  Start(0);
  ResizeClient(700, 500);
  const int y = 500 - Window.ScrollBarHeight - Window.ButtonHeight - 5;
  const auto& pic = backend.LastPicture();
  ASSERT_EQ(pic.Width(), 700);
  EXPECT_EQ(std::tuple(pic.At(10, y + 1), pic.At(10, y + 3)), std::tuple(236, 237));  // face, shadow
  EXPECT_EQ(pic.At(10, 10), 238);  // class background: no frame yet
  MakeFrame();
  canvas::DrawContext(&Display.FrameDC).FillRect(0, 0, 50, 50, 3);
  SendMainMessage(WM_PAINT);
  EXPECT_EQ(backend.LastPicture().At(10, 10), 3);

  EXPECT_TRUE(Samples.SamplesAllocated && Display.CanvasReady);
  SendMainMessage(WM_CLOSE);
  EXPECT_TRUE(Destroyed() && QuitPosted());
  EXPECT_FALSE(Samples.SamplesAllocated || Samples.HistoryBuffersAllocated || Display.CanvasReady ||
               Display.StoreCanvasReady);
  EXPECT_TRUE(Samples.SampleA.empty() && backend.Beeps() == 0);
}

// Buttons 101..107, one letter each: E enabled, P enabled and pressed, - disabled, space none; then
// the menu items of kMenuIds: 1 enabled, 0 disabled, space none. A '.' in `want` is not checked.
constexpr int kMenuIds[] = {40003, 40004, 40005, 40007, 40011, 40012,
                            40013, 40014, 40015, 40017, 40018, 40021};

std::string Controls(const std::string& want) {
  std::string got;
  for (int id = CMD_ANALYSIS; id <= CMD_RESET; ++id) {
    const ButtonModel* b = FindButton(id);
    got += !b ? ' ' : b->enabled ? (b->pressed ? 'P' : 'E') : (b->pressed ? 'p' : '-');
  }
  got += '|';
  for (int id : kMenuIds) got += !FindMenuItem(id) ? ' ' : FindMenuItem(id)->enabled ? '1' : '0';
  for (size_t i = 0; i < got.size() && i < want.size(); ++i)
    if (want[i] == '.') got[i] = '.';
  return got.substr(0, want.size());
}

std::string Caption(int id) { return FindButton(id)->caption; }

TEST_P(VariantTest, TheControlStateSets) {
  const int v = GetParam();
  const bool full = v != 2;
  Start(v);
  struct Set {
    void (*show)();
    const char *full, *signals;  // the two full variants (menu 40017 is the real-time one's), TX-Zizivuv
  } sets[] = {{ShowIdleControls, "EEE---E|001111000.00", " EE-- E|001.1100...."},
              {ShowLiveControls, "---EE--|000000110.00", " --EE -|000.0011...."},
              {ShowFileControls, "----E--|000000010.00", " ---E -|000.0001...."},
              {ShowPlaySignalsControls, "----E--|000.0001....", " ---E -|000.0001...."}};
  for (const auto& s : sets) {
    s.show();
    std::string want = full ? s.full : s.signals;
    if (v == 1 && s.show == ShowIdleControls) want[17] = '1';
    EXPECT_EQ(Controls(want), want);
    EXPECT_EQ(std::tuple(Mode.IdleState, Mode.ActivityActive),
              s.show == ShowIdleControls ? std::tuple(1, 0) : std::tuple(0, 1));
    if (s.show == ShowLiveControls) {
      EXPECT_EQ(Caption(CMD_RUN), full ? "Play &A" : "&Run");
      EXPECT_EQ(Caption(CMD_PLAY_FILE), full ? "Play &B" : "&Play Zizivuv");
      EXPECT_EQ(Caption(CMD_RESET), "&Exit");  // keeps the caption it had
    }
  }
  EXPECT_EQ(Caption(CMD_RESET), "R&eset");
  ShowIdleControls();
  EXPECT_EQ(std::tuple(Caption(CMD_RUN), Caption(CMD_PLAY_FILE), Caption(CMD_RESET)),
            std::tuple("&Run", "&Play File", "&Exit"));
  if (full) {
    EXPECT_EQ(std::tuple(Caption(CMD_ANALYSIS), Caption(CMD_STORE)), std::tuple("A&nalysis", "&Store"));
  }

  // Frozen: comparison disabled, nothing stored.
  Mode.Frozen = 1;
  ShowFrozenControls();
  const std::string frozen = full ? "EE--P-E|111100010.10" : " -E-P E|111.0101....";
  EXPECT_EQ(Controls(frozen), frozen);
  EXPECT_EQ(std::tuple(Caption(CMD_PLAY_FILE), Caption(CMD_RESET)),
            std::tuple(full ? "Play &B" : "&Play Zizivuv", "R&eset"));
  if (!full) return;
  EXPECT_EQ(Caption(CMD_RUN), "Play &A");
  // Above/Below enables Store; after a Store, Play B and Save Sample B.
  SetComparisonModeButton(ID_COMPARISON_ABOVE_BELOW);
  ShowFrozenControls();
  EXPECT_EQ(Controls("..-..E.|........1..."), "..-..E.|........1...");
  Mode.SampleBStored = 1;
  ShowFrozenControls();
  EXPECT_EQ(Controls("..E....|.....1.....1"), "..E....|.....1.....1");
  EXPECT_EQ(Caption(CMD_PLAY_FILE), "Play &B");
}

TEST_P(VariantTest, FreezeStoreAndResetInTheIdleState) {
  Start(GetParam());
  // Freeze with no loop running and no file to restart changes nothing.
  Click(CMD_FREEZE);
  EXPECT_EQ(std::tuple(Mode.Frozen, Mode.IdleState), std::tuple(0, 1));

  // Store copies whatever Sample A holds, even when idle (the key can send it).
  Samples.SampleA[0] = 0x12;
  Samples.SpectrumA[5] = 42;
  Samples.TraceA2[7] = -3;
  Samples.F0A = 220;
  Samples.FreezeElapsedA = 1234.5f;
  Click(CMD_STORE);
  EXPECT_EQ(Mode.SampleBStored, 1);
  EXPECT_EQ(
      std::tuple(Samples.SampleB[0], Samples.SpectrumB[5], Samples.SpectrumStored[5], Samples.TraceB2[7]),
      std::tuple(0x12, 42, 42, -3));
  EXPECT_EQ(std::tuple(Samples.F0B, Samples.FreezeElapsedB, Samples.StoredSecondsB),
            std::tuple(220, 1234.5f, AnalysisSettings.StoredSeconds));

  // The program stays idle: Freeze and Store remain off, and the close box ends the program.
  EXPECT_EQ(std::pair(Mode.IdleState, Controls("....-..")), std::pair(1, std::string("....-..")));
  EXPECT_FALSE(QuitPosted());
  SendMainMessage(WM_CLOSE);
  EXPECT_TRUE(QuitPosted() && Destroyed());
}

TEST_P(VariantTest, FreezePlayAndCloseOverALiveLoop) {
  Start(GetParam());
  // As if live analysis were running. Commands wait while an options dialog is open.
  Mode.StopRequested = 0;
  Mode.CaptureStarted = 1;
  MakeFrame();
  Mode.OptionsDialogOpen = 1;
  Click(CMD_FREEZE);
  Click(CMD_STORE);
  EXPECT_EQ(std::tuple(Mode.Frozen, Mode.SampleBStored), std::tuple(0, 0));
  Mode.OptionsDialogOpen = 0;
  Click(CMD_FREEZE);
  EXPECT_EQ(std::tuple(Mode.Frozen, Mode.FreezePending, Mode.ActivityActive), std::tuple(1, 1, 1));
  EXPECT_TRUE(FindButton(CMD_FREEZE)->pressed);
  Mode.SpectrogramColumn = 9;
  Click(CMD_FREEZE);
  EXPECT_EQ(std::tuple(Mode.Frozen, Mode.SpectrogramColumn), std::tuple(0, 0));
  EXPECT_EQ(Controls("....E.."), "....E..");

  // Play A from the frozen state; commands that would disturb the playback are ignored.
  Click(CMD_FREEZE);
  Click(CMD_RUN);
  EXPECT_EQ(std::tuple(Mode.PlayingSignals, Mode.PlaySelection, Mode.StopRequested, Mode.CaptureStarted),
            std::tuple(1, 0, 1, 0));
  EXPECT_TRUE(FindButton(CMD_RUN)->pressed);
  Click(CMD_PLAY_FILE);
  Click(CMD_STORE);
  EXPECT_EQ(std::tuple(Mode.PlaySelection, Mode.SampleBStored), std::tuple(0, 0));
}

TEST_P(VariantTest, ACloseDuringARunFreezesThenResetsAndTheMenuSendsTheButtons) {
  Start(GetParam());
  Mode.StopRequested = 0;
  Mode.CaptureStarted = 1;
  ShowLiveControls();
  SendMainMessage(WM_CLOSE);
  EXPECT_EQ(std::tuple(Mode.IdleState, Mode.StopRequested, Mode.CaptureStarted), std::tuple(1, 1, 0));
  EXPECT_FALSE(Destroyed());
  Mode.StopRequested = 0;
  Click(MENU_FREEZE);
  EXPECT_EQ(Mode.Frozen, 1);
  Click(MENU_EXIT);  // not idle: Reset
  EXPECT_TRUE(Mode.IdleState == 1 && !Destroyed());
  Click(MENU_EXIT);  // idle: close
  EXPECT_TRUE(Destroyed());
}

INSTANTIATE_TEST_SUITE_P(Variants, VariantTest, ::testing::Values(0, 1, 2));

}  // namespace
