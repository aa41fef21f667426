#pragma once
// The path buffers shared by the file dialogs and the Parts that read them, and the dialogs.
// Paths are held as strings but never longer than the program's 260-byte path buffers: a longer
// path is refused with a message, never cut.
#include <string>

constexpr size_t kPathBufferSize = 260;  // bytes, terminator included

struct FilePathState {
  std::string OpenFileName;    // Open dialog, command line
  std::string FileTitle;       // name and extension of the last chosen file
  std::string BitmapFileName;  // Save Bitmap dialog
  std::string RecordFileName;  // record dialogs
  bool DialogParamsReady = false;
};

extern FilePathState FilePaths;

void InitFileDialogParams();

// Each returns nonzero when the user chose a file (its path in the buffer, FileTitle set), 0 on
// cancel, error or a path that does not fit the buffer (after telling the user).
int ChooseOpenFile();
int ChooseBitmapFile();
int ChooseRecordFile();
int ChooseWaveRecordFile();
// The record dialog of the current variant ("tdx" in variants 0 and 2, "wav" in variant 1).
int ChooseVariantRecordFile();

// Takes the command line as the path of a recording to play at start: its folder becomes the
// current directory, its name goes to FileTitle, and Play File runs without a dialog.
void OpenCommandLineFile(const std::string& commandLine);

// A file dropped on the window plays as Play File with that path, when the Play File button is
// enabled and would start a file (idle, nothing frozen); otherwise the drop is ignored. A file the
// reader cannot use gets the reader's message, as from the Open dialog.
void PlayDroppedFile(const std::string& path);

// Splits "a|b|c|" filter text into the toolkit's list (pairs of description and patterns).
struct FileDialogRequest;
void ParseFilterText(const std::string& text, FileDialogRequest& request);

// Help, volume control and About.
void ShowHelp();
void StartVolumeControl();
void ShowAbout();
// Folder of the running program file (where the manual is installed beside it).
std::string ProgramFolder();
