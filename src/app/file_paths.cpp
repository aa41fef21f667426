// File dialogs, help, volume control and About.
#include "app/file_paths.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "app/activities.h"
#include "app/window_state.h"
#include "display/sample_slots.h"
#include "platform/backend.h"
#include "platform/messages.h"
#include "platform/process.h"
#include "resources/resources.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

FilePathState FilePaths;

namespace {

constexpr const char* kCaption = "Taldrinex";

struct DialogSpec {
  const char* title;
  const char* filter;
  const char* defaultExtension;
  bool save;
};

constexpr DialogSpec kOpenDialog{"Open Wave File", "Taldrinex and Wave Files (*.tdx *.wav)|*.tdx;*.wav|All Files (*.*)|*.*|", "", false};
// The chosen type (or a typed extension) decides how Save Bitmap writes the picture.
constexpr DialogSpec kBitmapDialog{"Save Bitmap", "PNG image (*.png)|*.png|Bitmap (*.bmp)|*.bmp||", "png",
                                   true};
constexpr DialogSpec kRecordDialog{"Record Taldrinex File", "Taldrinex Files (*.tdx)|*.tdx|All Files (*.*)|*.*||", "tdx", true};
constexpr DialogSpec kWaveRecordDialog{"Record Wave File", "Wave Files (*.wav)|*.wav|All Files (*.*)|*.*||", "wav", true};

std::string FileNameOf(const std::string& path) { return std::filesystem::path(path).filename().string(); }

bool FitsPathBuffer(const std::string& path) { return path.size() < kPathBufferSize; }

void TellPathTooLong() {
  CurrentBackend().ShowMessageBox("The path is too long (at most 259 characters)", kCaption, MessageIcon::Exclamation);
}

int RunFileDialog(const DialogSpec& dialog, std::string& buffer) {
  FileDialogRequest request;
  request.save = dialog.save;
  request.title = dialog.title;
  ParseFilterText(dialog.filter, request);
  request.defaultExtension = dialog.defaultExtension;
  request.hideReadOnly = true;
  request.createPrompt = !dialog.save;
  request.confirmOverwrite = dialog.save;
  // A cancelled dialog changes nothing, so the buffers are cleared only once a name comes back.
  auto chosen = CurrentBackend().ChooseFile(request);
  if (!chosen || chosen->empty()) return 0;
  if (!FitsPathBuffer(*chosen)) {
    TellPathTooLong();
    return 0;
  }
  buffer = *chosen;
  FilePaths.FileTitle = FileNameOf(*chosen);
  return 1;
}

}  // namespace

void InitFileDialogParams() { FilePaths.DialogParamsReady = true; }

void ParseFilterText(const std::string& text, FileDialogRequest& request) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : text) {
    if (c == '|') {
      parts.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  // The list ends at the first empty entry (the double terminator).
  request.filters.clear();
  for (size_t i = 0; i + 1 < parts.size(); i += 2) {
    if (parts[i].empty()) break;
    FileFilter filter{parts[i], {}};
    std::string pattern;
    for (char c : parts[i + 1] + ";") {
      if (c == ';') {
        if (!pattern.empty()) filter.patterns.push_back(pattern);
        pattern.clear();
      } else {
        pattern += c;
      }
    }
    request.filters.push_back(filter);
  }
}

int ChooseOpenFile() { return RunFileDialog(kOpenDialog, FilePaths.OpenFileName); }
int ChooseBitmapFile() { return RunFileDialog(kBitmapDialog, FilePaths.BitmapFileName); }
int ChooseRecordFile() { return RunFileDialog(kRecordDialog, FilePaths.RecordFileName); }
int ChooseWaveRecordFile() { return RunFileDialog(kWaveRecordDialog, FilePaths.RecordFileName); }
int ChooseVariantRecordFile() {
  return AnalysisSettings.ProductVariant == 1 ? ChooseWaveRecordFile() : ChooseRecordFile();
}

namespace {

// Play File without its dialog, for a path from outside (command line, drop).
void PlayFileWithoutDialog(const std::string& path) {
  FilePaths.OpenFileName = path;
  FilePaths.FileTitle = FileNameOf(path);
  Mode.SpectrogramColumn = Mode.SpectrogramLag = Mode.EnvelopeColumn = Mode.EnvelopeLag = 0;
  SendMainMessage(WM_COMMAND, CMD_PLAY_FILE, 2);
}

}  // namespace

void PlayDroppedFile(const std::string& path) {
  const auto button = std::find_if(MainUi.buttons.begin(), MainUi.buttons.end(),
                                   [](const ButtonModel& b) { return b.id == CMD_PLAY_FILE; });
  if (button == MainUi.buttons.end() || !button->enabled || !button->visible) return;
  if (Mode.IdleState != 1 || Mode.Frozen || Mode.PlayingSignals || path.empty()) return;
  if (!FitsPathBuffer(path)) {
    TellPathTooLong();
    return;
  }
  // A fresh file starts at its beginning, as from the Open dialog.
  Activity.PlayStartOffset = 0;
  Samples.SampleStartMs = 0;
  PlayFileWithoutDialog(path);
}

void OpenCommandLineFile(const std::string& commandLine) {
  std::string path = commandLine;
  // A path in quotes (as a desktop may hand it over) is taken without them.
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
  if (path.empty()) return;
  if (!FitsPathBuffer(path)) {
    TellPathTooLong();
    return;
  }
  std::filesystem::path p(path);
  if (p.has_parent_path()) {
    std::error_code ec;
    std::filesystem::current_path(p.parent_path(), ec);
  }
  PlayFileWithoutDialog(path);
}

std::string ProgramFolder() {
  std::error_code ec;
  auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return ".";
  return self.parent_path().string();
}

void ShowHelp() {
  const char* name = AnalysisSettings.ProductVariant == 2 ? "tx-signals" : "taldrinex";
  // The manual is installed beside the program, or one level up in share/doc when installed.
  std::filesystem::path folder = ProgramFolder();
  std::vector<std::filesystem::path> candidates = {
      folder / (std::string(name) + ".html"),
      folder / "docs" / (std::string(name) + ".html"),
      folder.parent_path() / "share" / "doc" / "taldrinex" / (std::string(name) + ".html"),
  };
  for (const auto& c : candidates) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(c, ec) && CurrentBackend().OpenDocument(c.string())) return;
  }
  CurrentBackend().ShowMessageBox("Cannot Access Help", kCaption, MessageIcon::Exclamation);
}

void StartVolumeControl() {
  if (Window.VolumeControlLaunched == 1) {
    EndLaunchedProgram(Window.VolumeControlProcess);
    Window.VolumeControlLaunched = 0;
  }
  Window.VolumeControlProcess =
      LaunchFirstProgramOnPath({"pavucontrol", "pavucontrol-qt", "gnome-control-center", "alsamixer-gui", "qasmixer"});
  if (Window.VolumeControlProcess.id == 0) {
    CurrentBackend().ShowMessageBox("Cannot locate volume control", kCaption, MessageIcon::None);
  } else {
    Window.VolumeControlLaunched = 1;
  }
}

void ShowAbout() {
  const int variant = AnalysisSettings.ProductVariant;
  CurrentBackend().ShowMessageBox(AboutText(variant), AboutCaption(variant), MessageIcon::None);
}
