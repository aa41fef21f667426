// The backend against a hand-filled UI model and a fake window procedure that records what it
// gets: the widgets mirror the model, and user actions arrive as the right messages.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <thread>
#include <vector>

#include "gui_support.h"
#include "platform/canvas/canvas.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/qt/qt_backend.h"
#include "platform/ui_model.h"

namespace {

struct Received {
  uint32_t message;
  uintptr_t wParam;
  intptr_t lParam;
  uint32_t modifiers;
};

struct FakeProgram {
  std::vector<Received> messages;
  bool loopStop = false;
  int loopDepth = 0;
};
FakeProgram Fake;

intptr_t FakeWindowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  Fake.messages.push_back({message, wParam, lParam, CurrentBackend().KeyModifiers()});
  // Command 102 runs an activity loop that pumps until command 105 stops it, as Run does.
  if (message == WM_COMMAND && wParam == CMD_RUN) {
    Fake.loopStop = false;
    ++Fake.loopDepth;
    const double end = NowMs() + 5000;
    while (!Fake.loopStop && NowMs() < end) {
      PumpMessages();
      SleepMs(2);
    }
    --Fake.loopDepth;
  }
  if (message == WM_COMMAND && wParam == CMD_FREEZE) Fake.loopStop = true;
  return 0;
}

ButtonModel Button(int id, const char* caption, int slot, bool pushLike) {
  ButtonModel b;
  b.id = id;
  b.caption = caption;
  b.rect = {slot * 100, 380, 100, 20};
  b.pushLike = pushLike;
  return b;
}

class FakeWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Fake = FakeProgram{};
    ShowBareWindow(backend_, FakeWindowProc);
    MainUi.menu = {{"&Project", {{40011, "&Run Audio", true}, {0, "", true}, {40005, "&Exit", false}}},
                   {"&Help", {{40008, "&About Taldrinex", true}}}};
    MainUi.buttons = {Button(102, "&Run", 0, true), Button(105, "&Freeze", 1, true),
                      Button(107, "R&eset - Esc", 2, false)};
    MainUi.buttons[1].pressed = true;
    MainUi.buttons[2].enabled = false;
    MainUi.scrollBar = {.rect = {0, 360, 300, 16}, .maximum = 8000, .position = 100};
    UiChanged();
    backend_.MoveMainWindow(100, 80, 320, 440);
    backend_.ShowMainWindow();
    backend_.ProcessUserInput();
    Fake.messages.clear();
  }
  void TearDown() override { RemoveBareWindow(backend_); }
  std::vector<uint32_t> MessagesOf(uint32_t message) {
    std::vector<uint32_t> w;
    for (const auto& m : Fake.messages)
      if (m.message == message) w.push_back(static_cast<uint32_t>(m.wParam));
    return w;
  }
  QPushButton* ButtonWidget(int id) { return FindInMainWindow<QPushButton>(QString("button%1").arg(id)); }

  QtBackend backend_;
};

TEST_F(FakeWindowTest, WidgetsMirrorTheModelAndFollowItsChanges) {
  QWidget* window = MainWindowWidget();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(ModelMismatches(), std::vector<std::string>{});
  EXPECT_FALSE(window->windowIcon().isNull());
  // Buttons never take the focus; only push-like ones can look pressed.
  EXPECT_EQ(ButtonWidget(102)->focusPolicy(), Qt::NoFocus);
  EXPECT_FALSE(ButtonWidget(107)->isCheckable());
  auto* menuBar = FindInMainWindow<QMenuBar>("");
  ASSERT_NE(menuBar, nullptr);
  ASSERT_EQ(menuBar->actions().size(), 2);
  EXPECT_EQ(menuBar->actions()[0]->text(), "&Project");
  EXPECT_TRUE(menuBar->actions()[0]->menu()->actions()[1]->isSeparator());

  // The program changes its model; the next pump shows it.
  SetButtonCaption(102, "Play &A");
  SetButtonPressed(105, false);
  EnableButton(107, true);
  EnableMenuItem(40005, true);
  SetWindowCaption("Changed");
  EXPECT_NE(ModelMismatches(), std::vector<std::string>{});
  backend_.ProcessUserInput();
  EXPECT_EQ(ModelMismatches(), std::vector<std::string>{});
  EXPECT_EQ(ButtonWidget(102)->text(), "Play &A");
  // The client area is below the menu bar, inside the window's outer size.
  EXPECT_EQ(std::make_pair(MainUi.windowRect.width, MainUi.windowRect.height), std::make_pair(320, 440));
  EXPECT_LT(MainUi.clientHeight, 440);

  // The close box asks the program, which alone ends the window; a resize sends WM_SIZE.
  window->close();
  window->resize(500, 460);
  backend_.ProcessUserInput();
  EXPECT_EQ(std::make_pair(MessagesOf(WM_CLOSE).size(), MessagesOf(WM_SIZE).size()),
            std::make_pair(1ul, 1ul));
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(MainUi.clientWidth, 500);
  EXPECT_EQ(ModelMismatches(), std::vector<std::string>{});
}

TEST_F(FakeWindowTest, ClickArrivesAsItsCommandAndNeverTogglesThePressedLook) {
  QTest::mouseClick(ButtonWidget(102), Qt::LeftButton);
  QTest::mouseClick(ButtonWidget(105), Qt::LeftButton);
  // Nothing reaches the program inside Qt's dispatch: only the pump delivers.
  EXPECT_TRUE(Fake.messages.empty());
  backend_.ProcessUserInput();
  EXPECT_EQ(MessagesOf(WM_COMMAND), (std::vector<uint32_t>{102u, 105u}));
  EXPECT_TRUE(ButtonWidget(105)->isChecked());
  EXPECT_FALSE(ButtonWidget(102)->isChecked());

  // A disabled button sends nothing; a menu item sends its command.
  Fake.messages.clear();
  QTest::mouseClick(ButtonWidget(107), Qt::LeftButton);
  FindInMainWindow<QAction>("menu40011")->trigger();
  backend_.ProcessUserInput();
  EXPECT_EQ(MessagesOf(WM_COMMAND), std::vector<uint32_t>{40011u});
}

TEST_F(FakeWindowTest, KeysAndMouseArriveWithModifiersAndClientCoordinates) {
  QWidget* client = FindInMainWindow<QWidget>("clientArea");
  ASSERT_NE(client, nullptr);
  for (auto [key, modifier] : {std::pair{Qt::Key_R, Qt::NoModifier},
                               {Qt::Key_F2, Qt::ShiftModifier},
                               {Qt::Key_F3, Qt::ControlModifier},
                               {Qt::Key_Escape, Qt::NoModifier},
                               {Qt::Key_Left, Qt::NoModifier},
                               {Qt::Key_Return, Qt::NoModifier}})
    QTest::keyClick(client, key, modifier);
  QTest::mousePress(client, Qt::LeftButton, Qt::NoModifier, QPoint(30, 40));
  QTest::mouseRelease(client, Qt::LeftButton, Qt::NoModifier, QPoint(35, 41));
  QTest::mouseClick(client, Qt::RightButton, Qt::NoModifier, QPoint(7, 9));
  backend_.ProcessUserInput();
  EXPECT_EQ(MessagesOf(WM_KEYDOWN),
            (std::vector<uint32_t>{'R', KEY_F1 + 1, KEY_F1 + 2, KEY_ESCAPE, KEY_LEFT, KEY_RETURN}));
  for (const auto& m : Fake.messages) {
    if (m.message != WM_KEYDOWN) continue;
    EXPECT_EQ(m.modifiers, m.wParam == KEY_F1 + 1   ? uint32_t{KEYMOD_SHIFT}
                           : m.wParam == KEY_F1 + 2 ? uint32_t{KEYMOD_CONTROL}
                                                    : 0u);
  }
  std::vector<std::tuple<uint32_t, int, int>> mouse;
  for (const auto& m : Fake.messages)
    if (m.message == WM_LBUTTONDOWN || m.message == WM_LBUTTONUP || m.message == WM_RBUTTONDOWN)
      mouse.emplace_back(m.message, PointX(m.lParam), PointY(m.lParam));
  EXPECT_EQ(mouse, (std::vector<std::tuple<uint32_t, int, int>>{
                       {WM_LBUTTONDOWN, 30, 40}, {WM_LBUTTONUP, 35, 41}, {WM_RBUTTONDOWN, 7, 9}}));
}

TEST_F(FakeWindowTest, ScrollBarActionsBecomeHScrollAndTheModelKeepsThePosition) {
  auto* bar = FindInMainWindow<QScrollBar>("positionScrollBar");
  ASSERT_NE(bar, nullptr);
  bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  bar->triggerAction(QAbstractSlider::SliderPageStepSub);
  backend_.ProcessUserInput();
  const auto got = MessagesOf(WM_HSCROLL);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0], SB_LINERIGHT | (101u << 16));
  EXPECT_EQ(got[1] & 0xFFFF, uint32_t{SB_PAGELEFT});
  // The program did not move the thumb, so it stays where the model has it.
  EXPECT_EQ(bar->value(), 100);
  MainUi.scrollBar.position = 4000;
  UiChanged();
  backend_.ProcessUserInput();
  EXPECT_EQ(bar->value(), 4000);
}

TEST_F(FakeWindowTest, CommandsReenterWhileAnActivityLoopPumps) {
  // Run starts a loop that pumps; Freeze, clicked while the loop runs, arrives inside it.
  QTimer::singleShot(50, [this] { QTest::mouseClick(ButtonWidget(105), Qt::LeftButton); });
  QTest::mouseClick(ButtonWidget(102), Qt::LeftButton);
  backend_.ProcessUserInput();
  EXPECT_EQ(MessagesOf(WM_COMMAND), (std::vector<uint32_t>{102u, 105u}));
  EXPECT_TRUE(Fake.loopStop);
  EXPECT_EQ(Fake.loopDepth, 0);
}

TEST_F(FakeWindowTest, PostedMessageFromAnotherThreadEndsTheWait) {
  std::thread poster([] {
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    PostMainMessage(MM_WIM_DATA, 1, 0);
  });
  const double start = NowMs();
  backend_.WaitForInput(10000);
  const double waited = NowMs() - start;
  poster.join();
  EXPECT_LT(waited, 5000.0);  // woken, not timed out
  PumpMessages();
  EXPECT_EQ(MessagesOf(MM_WIM_DATA), std::vector<uint32_t>{1u});
}

TEST_F(FakeWindowTest, PictureIsShownThroughThePaletteAndScreenshotSaved) {
  canvas::Surface picture(MainUi.clientWidth, MainUi.clientHeight, 5);
  canvas::DrawContext(&picture).FillRect(10, 10, 60, 30, 7);
  std::vector<canvas::PaletteEntry> palette(256, canvas::PaletteEntry{255, 255, 255});
  palette[5] = {0, 0, 0};
  palette[7] = {255, 0, 0};
  backend_.PresentWindow(picture, palette.data(), {0, 0, picture.Width(), picture.Height()});
  backend_.ProcessUserInput();
  QWidget* client = FindInMainWindow<QWidget>("clientArea");
  const QImage shown = client->grab().toImage();
  EXPECT_EQ(QColor(shown.pixel(20, 20)), QColor(255, 0, 0));
  EXPECT_EQ(QColor(shown.pixel(5, 5)), QColor(0, 0, 0));
  // A palette switch recolours without a new picture.
  palette[7] = {0, 0, 255};
  backend_.PresentWindow(picture, palette.data(), {0, 0, 0, 0});
  EXPECT_EQ(QColor(client->grab().toImage().pixel(20, 20)), QColor(0, 0, 255));

  const std::string file = SaveScreenshot(MainWindowWidget(), "gui-fake-window.png");
  ASSERT_FALSE(file.empty());
  EXPECT_GT(std::filesystem::file_size(file), 100u);
}

}  // namespace
