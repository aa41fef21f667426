// Mode transitions that need no running loop, through WM_COMMAND as a click sends it.
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "app/file_paths.h"
#include "app/shell_fixture.h"
#include "display/display_state.h"
#include "display/sample_slots.h"
#include "platform/ui_model.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

namespace {

class DispatchTest : public ShellTest, public ::testing::WithParamInterface<int> {};

TEST_P(DispatchTest, FreezeStoreAndResetInTheIdleState) {
  Start(GetParam());
  // Freeze with no loop running and no file to restart changes nothing.
  Click(CMD_FREEZE);
  EXPECT_EQ(Mode.Frozen, 0);
  EXPECT_EQ(Mode.IdleState, 1);

  // Store copies whatever Sample A holds, even when idle (the key can send it).
  Samples.SampleA[0] = 0x12;
  Samples.SpectrumA[5] = 42;
  Samples.TraceA2[7] = -3;
  Samples.F0A = 220;
  Samples.FreezeElapsedA = 1234.5f;
  Click(CMD_STORE);
  EXPECT_EQ(Mode.SampleBStored, 1);
  EXPECT_EQ(Samples.SampleB[0], 0x12);
  EXPECT_EQ(Samples.SpectrumB[5], 42);
  EXPECT_EQ(Samples.SpectrumStored[5], 42);
  EXPECT_EQ(Samples.TraceB2[7], -3);
  EXPECT_EQ(Samples.F0B, 220);
  EXPECT_EQ(Samples.FreezeElapsedB, 1234.5f);
  EXPECT_EQ(Samples.StoredSecondsB, AnalysisSettings.StoredSeconds);

  // The program stays idle: Freeze and Store remain off, and the close box ends the program.
  EXPECT_EQ(Mode.IdleState, 1);
  EXPECT_FALSE(FindButton(CMD_FREEZE)->enabled);
  EXPECT_FALSE(FindButton(CMD_FREEZE)->pressed);
  EXPECT_FALSE(QuitPosted());
  SendMainMessage(WM_CLOSE);
  EXPECT_TRUE(QuitPosted());
  EXPECT_TRUE(backend.destroyed);
}

TEST_P(DispatchTest, FreezeAndUnfreezeOverALiveLoop) {
  Start(GetParam());
  // As if live analysis were running.
  Mode.StopRequested = 0;
  Mode.CaptureStarted = 1;
  MakeFrame();
  SendMainMessage(WM_COMMAND, CMD_FREEZE, 0);
  EXPECT_EQ(Mode.Frozen, 1);
  EXPECT_EQ(Mode.FreezePending, 1);
  EXPECT_TRUE(FindButton(CMD_FREEZE)->pressed);
  EXPECT_EQ(Mode.ActivityActive, 1);
  Mode.SpectrogramColumn = 9;
  SendMainMessage(WM_COMMAND, CMD_FREEZE, 0);
  EXPECT_EQ(Mode.Frozen, 0);
  EXPECT_EQ(Mode.SpectrogramColumn, 0);
  EXPECT_FALSE(FindButton(CMD_FREEZE)->pressed);
  EXPECT_TRUE(FindButton(CMD_FREEZE)->enabled);

  // A close during the run freezes, then resets; the window stays open.
  SendMainMessage(WM_CLOSE);
  EXPECT_EQ(Mode.IdleState, 1);
  EXPECT_EQ(Mode.StopRequested, 1);
  EXPECT_EQ(Mode.CaptureStarted, 0);
  EXPECT_FALSE(backend.destroyed);
  SendMainMessage(WM_CLOSE);
  EXPECT_TRUE(backend.destroyed);
}

TEST_P(DispatchTest, PlayAAndPlayBFromTheFrozenState) {
  const int v = GetParam();
  Start(v);
  Mode.StopRequested = 0;
  Mode.CaptureStarted = 1;
  Click(CMD_FREEZE);
  Click(CMD_RUN);  // Play A
  EXPECT_EQ(Mode.PlayingSignals, 1);
  EXPECT_EQ(Mode.PlaySelection, 0);
  EXPECT_EQ(Mode.StopRequested, 1);
  EXPECT_EQ(Mode.CaptureStarted, 0);
  EXPECT_TRUE(FindButton(CMD_RUN)->pressed);
  // Commands that would disturb the playback are ignored.
  Click(CMD_PLAY_FILE);
  Click(CMD_STORE);
  EXPECT_EQ(Mode.PlaySelection, 0);
  EXPECT_EQ(Mode.SampleBStored, 0);
}

TEST_P(DispatchTest, CommandsAreIgnoredWhileAnOptionsDialogIsOpen) {
  Start(GetParam());
  Mode.StopRequested = 0;
  Mode.CaptureStarted = 1;
  Mode.OptionsDialogOpen = 1;
  Click(CMD_FREEZE);
  EXPECT_EQ(Mode.Frozen, 0);
  Click(CMD_STORE);
  EXPECT_EQ(Mode.SampleBStored, 0);
  Mode.OptionsDialogOpen = 0;
  Click(CMD_FREEZE);
  EXPECT_EQ(Mode.Frozen, 1);
}

INSTANTIATE_TEST_SUITE_P(Variants, DispatchTest, ::testing::Values(0, 1, 2));

TEST_F(ShellTest, MenuCommandsSendTheirButtons) {
  Start(1);
  Mode.StopRequested = 0;
  SendMainMessage(WM_COMMAND, MENU_FREEZE, 0);
  EXPECT_EQ(Mode.Frozen, 1);
  SendMainMessage(WM_COMMAND, MENU_EXIT, 0);  // not idle: Reset
  EXPECT_EQ(Mode.IdleState, 1);
  EXPECT_FALSE(backend.destroyed);
  SendMainMessage(WM_COMMAND, MENU_EXIT, 0);  // idle: close
  EXPECT_TRUE(backend.destroyed);
}

TEST_F(ShellTest, AboutShowsTheVariantCaption) {
  Start(2);
  SendMainMessage(WM_COMMAND, MENU_ABOUT, 0);
  ASSERT_EQ(backend.boxes.size(), 1u);
  EXPECT_EQ(backend.boxes[0].caption, "TX-Zizivuv 2.5");
  EXPECT_EQ(backend.boxes[0].icon, MessageIcon::None);
}

TEST_F(ShellTest, FilterTextsBecomeFilterLists) {
  FileDialogRequest r;
  ParseFilterText("Taldrinex and Wave Files (*.tdx *.wav)|*.tdx;*.wav|All Files (*.*)|*.*|", r);
  ASSERT_EQ(r.filters.size(), 2u);
  EXPECT_EQ(r.filters[0].description, "Taldrinex and Wave Files (*.tdx *.wav)");
  EXPECT_EQ(r.filters[0].patterns, (std::vector<std::string>{"*.tdx", "*.wav"}));
  EXPECT_EQ(r.filters[1].patterns, (std::vector<std::string>{"*.*"}));
  ParseFilterText("Bitmap Files (*.bmp)|*.bmp|All Files (*.*)|*.*||", r);
  ASSERT_EQ(r.filters.size(), 2u);
  EXPECT_EQ(r.filters[0].description, "Bitmap Files (*.bmp)");
}

TEST_F(ShellTest, CancelledDialogChangesNothingAndLongPathsAreRefused) {
  Start(1);
  FilePaths.OpenFileName = "/tmp/before.wav";
  FilePaths.FileTitle = "before.wav";
  EXPECT_EQ(ChooseOpenFile(), 0);  // the test backend cancels
  EXPECT_EQ(FilePaths.OpenFileName, "/tmp/before.wav");
  EXPECT_EQ(FilePaths.FileTitle, "before.wav");

  OpenCommandLineFile("/" + std::string(300, 'a') + ".wav");
  EXPECT_EQ(FilePaths.OpenFileName, "/tmp/before.wav");
  ASSERT_FALSE(backend.boxes.empty());
  EXPECT_NE(backend.boxes.back().text.find("too long"), std::string::npos);
}

TEST_F(ShellTest, CommandLineFileMakesItsFolderCurrent) {
  Start(1);
  auto old = std::filesystem::current_path();
  auto dir = std::filesystem::temp_directory_path() / "tx-cmdline-test";
  std::filesystem::create_directories(dir);
  OpenCommandLineFile("\"" + (dir / "take one.wav").string() + "\"");
  EXPECT_EQ(std::filesystem::current_path(), std::filesystem::canonical(dir));
  EXPECT_EQ(FilePaths.FileTitle, "take one.wav");
  EXPECT_EQ(FilePaths.OpenFileName, (dir / "take one.wav").string());
  std::filesystem::current_path(old);
}

TEST_F(ShellTest, HelpIsFoundBesideTheProgramNotInTheCurrentFolder) {
  Start(1);
  auto old = std::filesystem::current_path();
  std::filesystem::current_path(std::filesystem::temp_directory_path());
  SendMainMessage(WM_COMMAND, MENU_HELP_TOPICS, 0);
  std::filesystem::current_path(old);
  ASSERT_EQ(backend.openedDocuments.size(), 1u);
  EXPECT_EQ(std::filesystem::path(backend.openedDocuments[0]).filename(), "taldrinex.html");
  EXPECT_EQ(std::filesystem::path(backend.openedDocuments[0]).parent_path(), ProgramFolder());
  EXPECT_TRUE(backend.boxes.empty());
}

}  // namespace

namespace {
TEST_F(ShellTest, PrintWithNoPrinterChosenPrintsNothingAndSaysNothing) {
  Start(1);
  MakeFrame();
  SendMainMessage(WM_COMMAND, MENU_PRINT_WINDOW, 0);
  EXPECT_TRUE(backend.boxes.empty());
  EXPECT_EQ(Mode.OpenBlockCount, 0);
}
}  // namespace
