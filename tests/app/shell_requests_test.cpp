// What the main window asks of the user and the desktop: file names (dialogs, the command line),
// saved samples, the small modal dialogs, About, Help, printing and the volume control.
#include <signal.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/file_paths.h"
#include "app/shell_fixture.h"
#include "app/small_dialogs.h"
#include "display/display_state.h"
#include "display/sample_slots.h"
#include "files/wave_header.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

namespace fs = std::filesystem;

namespace {

using Kind = ScriptAnswer::Kind;

TEST_F(ShellTest, AboutHelpAndPrintWithNoPrinter) {
  Start(2);
  Click(MENU_ABOUT);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(std::pair(Boxes()[0].caption, Boxes()[0].icon),
            std::pair(std::string("TX-Zizivuv 2.5"), MessageIcon::None));
  // Help is found beside the program, not in the current folder.
  const auto old = fs::current_path();
  fs::current_path(fs::temp_directory_path());
  Click(MENU_HELP_TOPICS);
  fs::current_path(old);
  ASSERT_EQ(backend.OpenedDocuments().size(), 1u);
  EXPECT_EQ(fs::path(backend.OpenedDocuments()[0]), fs::path(ProgramFolder()) / "tx-signals.html");
  // No printer chosen: nothing printed, nothing said.
  MakeFrame();
  const size_t boxes = Boxes().size();
  Click(MENU_PRINT_WINDOW);
  EXPECT_TRUE(Boxes().size() == boxes && backend.PrintedPages().empty() && Mode.OpenBlockCount == 0);
}

TEST_F(ShellTest, FileNamesFromFiltersDialogsAndTheCommandLine) {
  FileDialogRequest r;
  ParseFilterText("Taldrinex and Wave Files (*.tdx *.wav)|*.tdx;*.wav|All Files (*.*)|*.*|", r);
  ASSERT_EQ(r.filters.size(), 2u);
  EXPECT_EQ(std::tuple(r.filters[0].description, r.filters[0].patterns, r.filters[1].patterns),
            std::tuple("Taldrinex and Wave Files (*.tdx *.wav)", std::vector<std::string>{"*.tdx", "*.wav"},
                       std::vector<std::string>{"*.*"}));
  ParseFilterText("Bitmap Files (*.bmp)|*.bmp|All Files (*.*)|*.*||", r);  // replaces the old ones
  EXPECT_EQ(std::pair(r.filters.size(), r.filters[0].description),
            std::pair(2ul, std::string("Bitmap Files (*.bmp)")));

  // A cancelled dialog changes nothing; a path too long is refused.
  Start(1);
  FilePaths.OpenFileName = "/tmp/before.wav";
  FilePaths.FileTitle = "before.wav";
  EXPECT_EQ(ChooseOpenFile(), 0);
  EXPECT_EQ(std::tuple(FilePaths.OpenFileName, FilePaths.FileTitle),
            std::tuple("/tmp/before.wav", "before.wav"));
  OpenCommandLineFile("/" + std::string(300, 'a') + ".wav");
  EXPECT_EQ(FilePaths.OpenFileName, "/tmp/before.wav");
  ASSERT_FALSE(Boxes().empty());
  EXPECT_NE(Boxes().back().text.find("too long"), std::string::npos);

  // A quoted command-line file makes its folder current.
  const auto old = fs::current_path();
  const auto dir = fs::temp_directory_path() / "tx-cmdline-test";
  fs::create_directories(dir);
  OpenCommandLineFile("\"" + (dir / "take one.wav").string() + "\"");
  EXPECT_EQ(fs::current_path(), fs::canonical(dir));
  EXPECT_EQ(std::tuple(FilePaths.FileTitle, FilePaths.OpenFileName),
            std::tuple("take one.wav", (dir / "take one.wav").string()));
  fs::current_path(old);
}

TEST_F(ShellTest, SaveSampleWritesTheWholeBufferWithItsHeaderOrSaysWhyNot) {
  Start(2);  // 4-second stereo samples, "tdx" dialog
  Samples.SampleB[0] = 0x34;
  Samples.SampleB[Samples.SampleBytes - 1] = 0x56;
  const auto path = fs::temp_directory_path() / "tx-sample-b.tdx";
  fs::remove(path);
  backend.Answer(Kind::File, path.string());
  Click(MENU_SAVE_SAMPLE_B);
  EXPECT_EQ(std::pair(backend.FileDialogs().back().request.title,
                      backend.FileDialogs().back().request.defaultExtension),
            std::pair(std::string("Record Taldrinex File"), std::string("tdx")));
  std::ifstream f(path, std::ios::binary);
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(f), {}};
  const uint32_t data = 22050u * 4 * 4;
  ASSERT_EQ(bytes.size(), 46u + data);
  EXPECT_EQ(std::tuple(ReadLe32(&bytes[4]), ReadLe32(&bytes[42]), bytes[22], bytes[46], bytes.back()),
            std::tuple(data + 38, data, 2, 0x34, 0x56));
  EXPECT_TRUE(Boxes().empty());
  CloseIdle();
  ResetProgramState();

  Start(1);
  Click(MENU_SAVE_SAMPLE_A);  // cancelled: nothing said
  EXPECT_EQ(backend.FileDialogs().back().request.title, "Record Wave File");
  EXPECT_TRUE(Boxes().empty());
  backend.Answer(Kind::File, "/nonexistent-folder/x.wav");
  Click(MENU_SAVE_SAMPLE_A);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(std::pair(Boxes()[0].text, Boxes()[0].icon),
            std::pair(std::string("Cannot Open File"), MessageIcon::Exclamation));
}

TEST_F(ShellTest, MagnificationPagesInHundredsUpToFiveAndFollowsTheBarLive) {
  Start(1, 1280, 1024);
  backend.Scroll(kMagnificationBar, SB_PAGERIGHT, 0, 2);
  EXPECT_EQ(std::pair(RunMagnificationDialog(), AnalysisSettings.BitmapMagnification), std::pair(1, 300));
  const DialogModel& d = backend.dialogsSeen.back();
  EXPECT_EQ(std::tuple(d.title, d.Control(kMagnificationEdit)->text, d.x, d.y),
            std::tuple("Bitmap Magnification", "3.00", (1280 - d.width) / 2, (1024 - d.height) / 2 - 30));
  backend.Scroll(kMagnificationBar, SB_PAGERIGHT, 0, 5);
  RunMagnificationDialog();
  EXPECT_EQ(AnalysisSettings.BitmapMagnification, 500);
  EXPECT_EQ(backend.dialogsSeen.back().Control(kMagnificationEdit)->text, "5.00");
  // The factor follows the bar live, so Cancel keeps what the bar shows.
  backend.Scroll(kMagnificationBar, SB_THUMBPOSITION, 200);
  backend.Scroll(kMagnificationBar, SB_LINELEFT);
  backend.Answer(Kind::DialogCancel);
  EXPECT_EQ(std::pair(RunMagnificationDialog(), AnalysisSettings.BitmapMagnification), std::pair(0, 190));
  backend.Scroll(kMagnificationBar, SB_PAGELEFT, 0, 2);
  RunMagnificationDialog();
  EXPECT_EQ(AnalysisSettings.BitmapMagnification, 100);
}

TEST_F(ShellTest, StartingPointRangeFollowsThePlayingLength) {
  Start(1, 300, 100);
  backend.Scroll(kStartBar, SB_PAGERIGHT, 0, 3);
  EXPECT_EQ(std::pair(RunStartingPointDialog(20), SmallDialogs.StartSeconds), std::pair(1, 20));
  const DialogModel& d = backend.dialogsSeen.back();
  // Not above or left of the screen's corner.
  EXPECT_EQ(std::tuple(d.title, d.Control(kStartBar)->maximum, d.Control(kStartEdit)->text, d.x, d.y),
            std::tuple("Starting Point", 20, "20", 30, 0));
  backend.Scroll(kStartBar, SB_LINERIGHT);
  backend.Scroll(kStartBar, SB_LINELEFT, 0, 2);
  backend.Answer(Kind::DialogCancel);
  EXPECT_EQ(std::pair(RunStartingPointDialog(9), SmallDialogs.StartSeconds), std::pair(0, 0));
}

// Volume control: a mixer found on PATH is started, the previous one ended first.
bool Alive(long long pid) { return kill(static_cast<pid_t>(pid), 0) == 0; }

TEST_F(ShellTest, VolumeControlEndsTheFirstMixerBeforeStartingTheSecondOrSaysThereIsNone) {
  Start(1);
  const auto dir = fs::temp_directory_path() / "tx-mixer-test", empty = dir / "empty";
  fs::create_directories(empty);
  std::ofstream(dir / "pavucontrol") << "#!/bin/sh\nexec sleep 30\n";
  fs::permissions(dir / "pavucontrol", fs::perms::owner_all);
  struct PathGuard {
    std::string old = std::getenv("PATH") ? std::getenv("PATH") : "";
    ~PathGuard() { setenv("PATH", old.c_str(), 1); }
  } guard;
  setenv("PATH", (dir.string() + ":/usr/bin:/bin").c_str(), 1);
  Click(MENU_VOLUME_CONTROL);
  const long long first = Window.VolumeControlProcess.id;
  ASSERT_TRUE(Window.VolumeControlLaunched == 1 && first > 0 && Alive(first));
  Click(MENU_VOLUME_CONTROL);
  const long long second = Window.VolumeControlProcess.id;
  // The first ended and reaped.
  EXPECT_TRUE(second != first && !Alive(first) && Alive(second) && Boxes().empty());
  EndLaunchedProgram(Window.VolumeControlProcess);
  EXPECT_FALSE(Alive(second));

  CloseIdle();
  ResetProgramState();
  Start(1);
  setenv("PATH", empty.c_str(), 1);
  Click(MENU_VOLUME_CONTROL);
  EXPECT_EQ(Window.VolumeControlLaunched, 0);
  ASSERT_EQ(Boxes().size(), 1u);
  EXPECT_EQ(std::pair(Boxes()[0].text, Boxes()[0].caption),
            std::pair(std::string("Cannot locate volume control"), std::string("Taldrinex")));
}

}  // namespace
