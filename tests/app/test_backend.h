#pragma once
// A small in-memory backend for the shell's unit tests: fixed screen, fixed window decorations,
// message boxes and beeps recorded, no user.
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/canvas/canvas.h"
#include "platform/messages.h"

class TestBackend : public Backend {
 public:
  ScreenInfo screen;
  int frameWidth = 16, frameHeight = 59;  // outer minus client
  double clock = 0;
  int beeps = 0;
  struct Box {
    std::string text, caption;
    MessageIcon icon;
  };
  std::vector<Box> boxes;
  std::vector<std::string> openedDocuments;
  bool destroyed = false;
  canvas::Surface lastPicture;

  double NowMs() override { return clock; }
  void SleepMs(double ms) override { clock += ms; }
  void ProcessUserInput() override {}
  void WaitForInput(double maxMs) override { clock += maxMs; }
  bool UserPresent() override { return false; }
  uint32_t KeyModifiers() override { return 0; }
  ScreenInfo Screen() override { return screen; }
  void MoveMainWindow(int x, int y, int width, int height) override {
    MainUi.windowRect = {x, y, width, height};
    MainUi.clientWidth = width - frameWidth;
    MainUi.clientHeight = height - frameHeight;
  }
  void ShowMainWindow() override {}
  void DestroyMainWindow() override { destroyed = true; }
  void PresentWindow(const canvas::Surface& picture, const canvas::PaletteEntry*, UiRect) override {
    lastPicture = picture;
  }
  int ShowMessageBox(const std::string& text, const std::string& caption, MessageIcon icon) override {
    boxes.push_back({text, caption, icon});
    return 1;
  }
  void Beep() override { ++beeps; }
  std::optional<std::string> fileAnswer;  // the file dialog's answer; none: cancelled
  FileDialogRequest lastFileRequest;
  std::optional<std::string> ChooseFile(const FileDialogRequest& request) override {
    lastFileRequest = request;
    return fileAnswer;
  }
  // Scripted answer for the next modal dialog: scroll actions on a bar, then OK or Cancel.
  struct ScrollAction {
    int control;
    uint32_t code;
    int thumb;
  };
  std::vector<ScrollAction> dialogScrolls;
  int dialogButton = 1;  // IDOK
  std::vector<DialogModel> dialogsSeen;  // each modal dialog as it was when it ended
  int RunModalDialog(DialogModel& dialog) override {
    dialog.procedure(dialog, WM_INITDIALOG, 0, 0);
    for (const auto& a : dialogScrolls)
      dialog.procedure(dialog, WM_HSCROLL, a.code | (static_cast<uintptr_t>(a.thumb) << 16), a.control);
    dialogScrolls.clear();
    if (!dialog.ended) dialog.procedure(dialog, WM_COMMAND, static_cast<uintptr_t>(dialogButton), 0);
    dialogsSeen.push_back(dialog);
    return dialog.result;
  }
  void ShowModelessDialog(DialogModel&) override {}
  void CloseModelessDialog(DialogModel&) override {}
  bool OpenDocument(const std::string& path) override {
    openedDocuments.push_back(path);
    return true;
  }
};
