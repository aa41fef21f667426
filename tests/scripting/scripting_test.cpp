// The scripted runner's own parts: the script language (what each line means, and that every line
// it does not understand is refused with its line number and text), and the headless backend
// against a stand-in window procedure: the virtual clock, the scripted user (timing, re-entrancy,
// the closing user) and the answers to blocking requests.
#include <gtest/gtest.h>

#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>
#include <vector>

#include "app/mode_state.h"
#include "display/bitmap_writer.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/headless/headless_backend.h"
#include "platform/messages.h"
#include "platform/ui_model.h"
#include "scripting/dump.h"
#include "scripting/script.h"
#include "scripting/session.h"
#include "settings/analysis_settings.h"

namespace {

// The script language: what each line means, and that every line the runner does not understand
// is refused with its line number and text. The backend tests run click, menu, key, mouse, set,
// dump, save-frame, device and most answers end to end; here are the parser's own corners.
// The values of one kind of line, one element per line of `script`.
template <typename T, typename F>
std::vector<T> Parsed(const std::string& script, F value) {
  ParsedScript p = ParseScript(script);
  EXPECT_EQ(p.error, "");
  std::vector<T> out;
  for (const ScriptLine& line : p.lines) out.push_back(value(line));
  return out;
}

TEST(HeadlessScript, KeyNamesAndAnswers) {
  const std::string keys =
      "key R\nkey r\nkey shift+C\nkey ctrl+F2\nkey ctrl+shift+F8\nkey Escape\nkey Enter\nkey Down\nkey 7";
  EXPECT_EQ(
      Parsed<uint32_t>(keys, [](const ScriptLine& l) { return l.key; }),
      (std::vector<uint32_t>{'R', 'R', 'C', KEY_F1 + 1, KEY_F8, KEY_ESCAPE, KEY_RETURN, KEY_DOWN, '7'}));
  EXPECT_EQ(
      Parsed<uint32_t>(keys, [](const ScriptLine& l) { return l.modifiers; }),
      (std::vector<uint32_t>{0, 0, KEYMOD_SHIFT, KEYMOD_CONTROL, KEYMOD_CONTROL | KEYMOD_SHIFT, 0, 0, 0, 0}));
  uint32_t key = 0, mods = 0;
  for (const char* bad : {"F9", "shift+", "Tab"}) EXPECT_FALSE(ParseKeyName(bad, &key, &mods)) << bad;

  using Kind = ScriptAnswer::Kind;
  const std::string answerLines =
      "answer ok\nanswer cancel\nanswer file rec.wav\nanswer dialog ok\nanswer dialog cancel\n"
      "answer scroll 7 lineleft\nanswer scroll 1049 thumb 250\n";
  const auto answers = Parsed<ScriptAnswer>(answerLines, [](const ScriptLine& l) { return l.answer; });
  EXPECT_EQ(Parsed<Kind>(answerLines, [](const ScriptLine& l) { return l.answer.kind; }),
            (std::vector<Kind>{Kind::Ok, Kind::Cancel, Kind::File, Kind::DialogOk, Kind::DialogCancel,
                               Kind::Scroll, Kind::Scroll}));
  ASSERT_EQ(answers.size(), 7u);
  EXPECT_EQ(std::tuple(answers[2].path, answers[5].controlId, answers[5].scrollCode, answers[6].scrollCode,
                       answers[6].thumb),
            std::tuple("rec.wav", 7, uint32_t{SB_LINELEFT}, uint32_t{SB_THUMBPOSITION}, 250));
}

TEST(HeadlessScript, ErrorsNameTheLineAndItsText) {
  std::istringstream bad(
      "frobnicate 3\nclick\nclick abc\nclick 1 2\nkey F9\nwait -5\nwait soon\nset NoSuchField 3\n"
      "set FreqScaleHz x\nanswer maybe\nanswer dialog yes\nanswer scroll 5 sideways\nanswer scroll 5 thumb\n"
      "answer file /tmp/a b\nmouse drag 1 2\nmouse move 1\ndevice speaker fail\ndump now\nsave-frame\n");
  for (std::string text; std::getline(bad, text);) {
    ParsedScript p = ParseScript("dump\n# fine\n" + text + "\ndump\n");
    EXPECT_EQ(p.error.rfind("line 3: ", 0), 0u) << text << " -> " << p.error;
    EXPECT_NE(p.error.find(text), std::string::npos) << p.error;
  }
}

// The headless backend against a stand-in window procedure: the virtual clock, the scripted user
// (timing, re-entrancy, the closing user), and the answers to blocking requests.
struct Received {
  uint32_t message;
  uintptr_t wParam;
  intptr_t lParam;
  double atMs;
  uint32_t modifiers;
};

// The stand-in program: records every message; 102 runs an "activity" that pumps until 107;
// WM_CLOSE during the activity stops it, in idle it ends the program.
struct FakeProgram {
  std::vector<Received> log;
  bool active = false;
  int loopsPumped = 0, closesRefused = 0;
};
FakeProgram Fake;

intptr_t FakeProc(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  Fake.log.push_back({message, wParam, lParam, NowMs(), CurrentBackend().KeyModifiers()});
  if (message == WM_COMMAND && wParam == CMD_RUN && !Fake.active) {
    Fake.active = true;
    while (Fake.active) {
      PumpMessages();
      SleepMs(2);
      ++Fake.loopsPumped;
    }
  } else if (message == WM_COMMAND && wParam == CMD_RESET) {
    Fake.active = false;
  } else if (message == WM_CLOSE) {
    // Closes are refused during the activity (which they stop) and while a modeless dialog is open.
    if (Fake.active || !MainUi.openDialogs.empty()) {
      ++Fake.closesRefused;
      Fake.active = false;
    } else {
      CurrentBackend().DestroyMainWindow();
      PostQuitMessage(0);
    }
  }
  return 0;
}

class HeadlessBackendTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Fake = FakeProgram{};
    ResetMessageQueue();
    ResetUiModel();
    ResetSettingsState();
    Mode = ModeState{};
    SetMainWindowProcedure(FakeProc);
  }
  void TearDown() override {
    SetBackend(nullptr);
    SetMainWindowProcedure(nullptr);
    ResetMessageQueue();
  }
  // Installs the backend and the script, shows the window and runs the idle loop to the end.
  int Run(HeadlessBackend& backend, const std::string& script) {
    ParsedScript p = ParseScript(script);
    EXPECT_EQ(p.error, "");
    backend.SetScript(p.lines);
    Connect(backend);
    SetBackend(&backend);
    backend.MoveMainWindow(0, 0, 796, 596);
    backend.ShowMainWindow();
    return RunMessageLoop();
  }
  std::vector<Received> Only(uint32_t message) {
    std::vector<Received> out;
    for (const auto& r : Fake.log)
      if (r.message == message) out.push_back(r);
    return out;
  }
  // The dump lines the script wrote, parsed.
  std::vector<nlohmann::json> Dumps() {
    std::vector<nlohmann::json> out;
    std::istringstream lines(dumps_.str());
    for (std::string line; std::getline(lines, line);) out.push_back(nlohmann::json::parse(line));
    return out;
  }
  // Runs one script line at once, as the script runner would.
  void Exec(HeadlessBackend& b, const std::string& line) {
    Connect(b);
    b.Execute(ParseScript(line).lines.at(0));
  }
  // `set`, `dump` and `save-frame` lines reach the program state; dumps go to dumps_.
  void Connect(HeadlessBackend& backend) {
    actions_ = std::make_unique<ProgramActions>(backend, dumps_);
    backend.SetProgramActions(actions_.get());
  }
  std::ostringstream dumps_;
  std::unique_ptr<ProgramActions> actions_;
};

TEST_F(HeadlessBackendTest, ClockMovesOnlyBySleepsPumpsAndFrames) {
  HeadlessBackend b({.pumpCostMs = 0.25, .frameCostMs = 3});
  SetBackend(&b);
  EXPECT_EQ(NowMs(), 0.0);
  SleepMs(10);
  PumpMessages();
  NoteFrameDrawn();
  EXPECT_EQ(std::tuple(NowMs(), b.FramesDrawn()), std::tuple(13.25, 1));
  // With a line due later, waiting stops at its due time; with none, after the longest wait.
  b.SetScript(ParseScript("wait 100\ndump\n").lines);
  b.ShowMainWindow();
  Connect(b);
  PumpMessages();  // runs the wait line
  const double due = NowMs() + 100;
  // The third wait: the line is due now, so no waiting.
  for (auto [wait, after] : {std::pair{30.0, due - 70}, {1000.0, due}, {1000.0, due}}) {
    b.WaitForInput(wait);
    EXPECT_DOUBLE_EQ(NowMs(), after) << wait;
  }
}

TEST_F(HeadlessBackendTest, LinesRunInOrderAtTheirDueTimesWithTheirModifiers) {
  HeadlessBackend b;
  // Comments, blank lines, CR LF endings and leading blanks are allowed.
  Run(b,
      "click 101\r\n   wait 100\nkey ctrl+F2\nkey R\n# a comment\n\nmenu 40008\n"
      "mouse move 5 6\nmouse rdown 7 -3\nwait 50.5\nclose\n");
  // The click at the first pump; the modifier held only while its own key was delivered.
  const auto commands = Only(WM_COMMAND), keys = Only(WM_KEYDOWN), move = Only(WM_MOUSEMOVE),
             down = Only(WM_RBUTTONDOWN);
  ASSERT_EQ(std::tuple(commands.size(), keys.size(), move.size(), down.size(), Only(WM_CLOSE).size()),
            std::tuple(2u, 2u, 1u, 1u, 1u));
  EXPECT_EQ(std::tuple(commands[0].wParam, commands[0].lParam, commands[0].atMs, commands[1].wParam),
            std::tuple(101u, 0, 0.5, 40008u));
  EXPECT_EQ(std::tuple(keys[0].wParam, keys[0].modifiers, keys[1].modifiers, b.KeyModifiers()),
            std::tuple(KEY_F1 + 1u, uint32_t{KEYMOD_CONTROL}, 0u, 0u));
  EXPECT_TRUE(keys[0].atMs >= 100.5 && keys[0].atMs < 101.5) << keys[0].atMs;
  EXPECT_EQ(std::tuple(PointX(move[0].lParam), PointY(move[0].lParam), PointX(down[0].lParam),
                       PointY(down[0].lParam)),
            std::tuple(5, 6, 7, -3));
  EXPECT_GE(Only(WM_CLOSE)[0].atMs, keys[0].atMs + 50.5);
  EXPECT_EQ(b.ScriptError(), "");
}

TEST_F(HeadlessBackendTest, AClickThatStartsALoopKeepsTheScriptGoingAndTheLeavingUserClosesWhatIsOpen) {
  HeadlessBackend b;
  Connect(b);
  Run(b, "click 102\nwait 200\ndump\nclick 107\nwait 10\ndump\n");
  EXPECT_GT(Fake.loopsPumped, 50);
  const auto dumps = Dumps();
  ASSERT_EQ(dumps.size(), 2u);
  const double t1 = dumps[0]["clock_ms"].get<double>(), t2 = dumps[1]["clock_ms"].get<double>();
  EXPECT_TRUE(t1 >= 200.5 && t1 < 203.0) << t1;  // one loop step late at most
  EXPECT_GE(t2, t1 + 10);
  // The script ended in the idle state: one close ended the program.
  EXPECT_EQ(std::tuple(Only(WM_CLOSE).size(), Fake.closesRefused), std::tuple(1u, 0));

  // A script that ends during an activity: the first close only stops it, the second ends the
  // program; a trailing wait still lets its time pass.
  SetUp();
  HeadlessBackend b2;
  Run(b2, "click 102\nwait 30\n");
  EXPECT_EQ(std::tuple(Fake.closesRefused, Only(WM_CLOSE).size(), QuitPosted()), std::tuple(1, 2u, true));
  EXPECT_GE(Only(WM_CLOSE)[0].atMs, 30.5);

  // The leaving user closes a modeless dialog first (it ends when closed), then the window.
  SetUp();
  DialogModel options{.modal = false};
  options.procedure = [](DialogModel& d, uint32_t message, uintptr_t, intptr_t) -> intptr_t {
    if (message == WM_CLOSE) std::erase(MainUi.openDialogs, &d);
    return 1;
  };
  MainUi.openDialogs.push_back(&options);
  HeadlessBackend b3;
  Run(b3, "wait 5\n");
  EXPECT_EQ(std::tuple(MainUi.openDialogs.empty(), Fake.closesRefused, QuitPosted()),
            std::tuple(true, 0, true));
}

TEST_F(HeadlessBackendTest, ResizeBeforeTheFirstLineSendsWmSize) {
  HeadlessBackend b({.resizeClientWidth = 763, .resizeClientHeight = 500});
  Run(b, "click 101\n");
  const auto sizes = Only(WM_SIZE);
  ASSERT_EQ(sizes.size(), 1u);
  EXPECT_EQ(std::tuple(PointX(sizes[0].lParam), PointY(sizes[0].lParam), MainUi.clientWidth),
            std::tuple(763, 500, 763));
  EXPECT_EQ(std::pair(MainUi.windowRect.width, MainUi.windowRect.height), std::pair(763 + 16, 500 + 51));
  EXPECT_LT(sizes[0].atMs, Only(WM_COMMAND)[0].atMs + 1e-9);  // WM_SIZE came before the click
  b.MoveMainWindow(10, 20, 736, 552);
  EXPECT_EQ(std::make_pair(MainUi.clientWidth, MainUi.clientHeight), std::make_pair(720, 501));
}

TEST_F(HeadlessBackendTest, MessageBoxesTakeOnlyAnswersThatFitThemAndFileDialogsAppendTheExtension) {
  HeadlessBackend b;
  SetBackend(&b);
  EXPECT_EQ(b.ShowMessageBox("Not enough memory", "Taldrinex", MessageIcon::Exclamation), IDOK);
  Exec(b, "answer file x.wav");
  // A file answer waits for its file dialog; the box gets the default OK.
  EXPECT_EQ(b.ShowMessageBox("Cannot Open File", "Taldrinex", MessageIcon::Exclamation), IDOK);
  EXPECT_EQ(b.ChooseFile({}), std::optional<std::string>("x.wav"));
  Exec(b, "answer cancel");
  EXPECT_EQ(b.ShowMessageBox("Cannot Open Audio Device", "Taldrinex", MessageIcon::Stop), IDCANCEL);
  b.Beep();
  b.Beep();
  // The dump reports what the user saw.
  nlohmann::json d = BuildDump(b);
  ASSERT_EQ(d["messages"].size(), 3u);
  const char* last =
      R"({"text": "Cannot Open Audio Device", "caption": "Taldrinex", "icon": "stop", "answer": 2})";
  EXPECT_EQ(d["messages"][2], nlohmann::json::parse(last));  // answer 2: Cancel
  EXPECT_EQ(d["beeps"], 2);

  // File dialogs append the default extension to a name without one and are recorded.
  FileDialogRequest request{.save = true,
                            .title = "Save Bitmap",
                            .filters = {{"Bitmap Files (*.bmp)", {"*.bmp"}}, {"All Files (*.*)", {"*.*"}}},
                            .defaultExtension = "bmp"};
  for (const char* p : {"dir.v2/picture", "shot.png", "frame"}) Exec(b, std::string("answer file ") + p);
  std::vector<std::optional<std::string>> chosen{b.ChooseFile(request), b.ChooseFile(request)};
  request.defaultExtension.clear();
  chosen.insert(chosen.end(), {b.ChooseFile(request), b.ChooseFile(request)});  // nothing queued: Cancel
  EXPECT_EQ(chosen, (std::vector<std::optional<std::string>>{"dir.v2/picture.bmp", "shot.png", "frame", {}}));
  const nlohmann::json f = BuildDump(b)["file_dialogs"];
  ASSERT_EQ(f.size(), 5u);  // the one of the file answer above, then these four
  EXPECT_EQ(
      std::tuple(f[1]["title"], f[1]["default_extension"], f[1]["filters"][0]["patterns"][0], f[1]["answer"]),
      std::tuple("Save Bitmap", "bmp", "*.bmp", "dir.v2/picture.bmp"));
  EXPECT_TRUE(f[4]["answer"].is_null());
}

// A modal dialog that logs what it gets; it accepts OK only when `AcceptOk`.
using Calls = std::vector<std::pair<uint32_t, uintptr_t>>;
Calls DialogCalls;
bool AcceptOk = true;

intptr_t DialogProc(DialogModel& dialog, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  DialogCalls.push_back(
      {message, message == WM_HSCROLL ? (wParam | (static_cast<uintptr_t>(lParam) << 32)) : wParam});
  if (message == WM_COMMAND && wParam == IDOK && AcceptOk) dialog.End(IDOK);
  if (message == WM_COMMAND && wParam == IDCANCEL) dialog.End(IDCANCEL);
  return 1;
}

TEST_F(HeadlessBackendTest, ModalDialogsRunTheQueuedClicksThenOk) {
  HeadlessBackend b;
  SetBackend(&b);
  DialogModel dialog{.resourceId = 110, .title = "Bitmap Magnification"};
  dialog.procedure = DialogProc;
  DialogCalls.clear();
  AcceptOk = true;
  for (const char* line :
       {"answer scroll 1049 pageright", "answer scroll 1049 thumb 300", "answer dialog cancel"})
    Exec(b, line);
  PostMainMessage(MM_WIM_DATA, 0, 0);  // a device notification arrives while the dialog is up
  EXPECT_EQ(b.RunModalDialog(dialog), IDCANCEL);
  EXPECT_EQ(DialogCalls,
            (Calls{{WM_INITDIALOG, 0},
                   {WM_HSCROLL, SB_PAGERIGHT | (uintptr_t{1049} << 32)},
                   {WM_HSCROLL, SB_THUMBPOSITION | (uintptr_t{300} << 16) | (uintptr_t{1049} << 32)},
                   {WM_COMMAND, IDCANCEL}}));
  EXPECT_EQ(Only(MM_WIM_DATA).size(), 1u);  // delivered under the open dialog

  // Nothing queued: the user presses OK.
  DialogCalls.clear();
  EXPECT_EQ(b.RunModalDialog(dialog), IDOK);
  EXPECT_EQ(DialogCalls, (Calls{{WM_INITDIALOG, 0}, {WM_COMMAND, IDOK}}));

  // A dialog that will not take OK is cancelled instead of hanging the run.
  AcceptOk = false;
  EXPECT_EQ(b.RunModalDialog(dialog), IDCANCEL);
  ASSERT_EQ(b.ModalDialogs().size(), 3u);
  EXPECT_EQ(std::pair(b.ModalDialogs()[0].resourceId, b.ModalDialogs()[2].result),
            std::pair(110, int{IDCANCEL}));
}

TEST_F(HeadlessBackendTest, PresentKeepsTheLastPictureAndPalette) {
  HeadlessBackend b;
  canvas::Surface picture(8, 4, 5);
  std::vector<canvas::PaletteEntry> palette(256);
  palette[7] = {1, 2, 3};
  b.PresentWindow(picture, palette.data(), {0, 0, 8, 4});
  picture.Row(2)[3] = 7;
  picture.Row(0)[0] = 9;
  b.PresentWindow(picture, palette.data(), {3, 2, 1, 1});  // only this pixel changed on screen
  // Outside the changed rectangle: not presented yet.
  EXPECT_EQ(
      std::tuple(b.LastPicture().At(3, 2), b.LastPicture().At(0, 0), b.PresentCount(), b.LastPalette()[7]),
      std::tuple(7, 5, 2, canvas::PaletteEntry{1, 2, 3}));

  // save-frame writes what was presented, with the system colours above the 236 entries.
  palette[240] = {200, 100, 50};
  picture.Row(1)[1] = 240;
  b.PresentWindow(picture, palette.data(), {0, 0, 8, 4});
  const std::string path = ::testing::TempDir() + "tx-save-frame.bmp";
  Exec(b, "save-frame " + path);
  EXPECT_EQ(b.ScriptError(), "");
  auto bmp = ReadBitmap8(path);
  ASSERT_TRUE(bmp);
  EXPECT_EQ(std::tuple(bmp->width, bmp->pixels.Pixels()), std::tuple(8, picture.Pixels()));
  EXPECT_EQ(std::pair(bmp->colours[7], bmp->colours[240]),
            std::pair(canvas::PaletteEntry{1, 2, 3}, canvas::PaletteEntry{200, 100, 50}));
  Exec(b, "save-frame /nonexistent-dir/x.bmp");
  EXPECT_NE(b.ScriptError().find("line 1: cannot create"), std::string::npos) << b.ScriptError();
}

}  // namespace
