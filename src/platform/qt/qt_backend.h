#pragma once
// The desktop backend: a Qt 6 Widgets window that mirrors the UI model (MainUi) onto real widgets
// and turns the user's actions back into messages. This header names no Qt type, so the entry
// points can use it without including Qt.
//
// Threads: everything runs on the program's one thread, except WakeFromAnyThread, which a sound
// device's thread may call at any time.
#include <memory>

#include "platform/backend.h"

// The Qt application object; exactly one exists while any QtBackend lives.
class QtApplication {
 public:
  // argc and argv must outlive the object (Qt keeps references to them).
  QtApplication(int& argc, char** argv);
  ~QtApplication();
  QtApplication(const QtApplication&) = delete;
  QtApplication& operator=(const QtApplication&) = delete;

 private:
  struct Parts;
  std::unique_ptr<Parts> parts_;
};

class QtBackend final : public Backend {
 public:
  QtBackend();
  ~QtBackend() override;
  QtBackend(const QtBackend&) = delete;
  QtBackend& operator=(const QtBackend&) = delete;

  double NowMs() override;
  void SleepMs(double ms) override;

  void ProcessUserInput() override;
  void WakeFromAnyThread() override;
  void WaitForInput(double maxMs) override;
  uint32_t KeyModifiers() override;

  ScreenInfo Screen() override;
  void MoveMainWindow(int x, int y, int width, int height) override;
  void ShowMainWindow() override;
  void DestroyMainWindow() override;
  void PresentWindow(const canvas::Surface& picture, const canvas::PaletteEntry* palette,
                     UiRect changed) override;

  int ShowMessageBox(const std::string& text, const std::string& caption, MessageIcon icon) override;
  int AskOkCancel(const std::string& text, const std::string& caption) override;
  void Beep() override;
  std::optional<std::string> ChooseFile(const FileDialogRequest& request) override;
  int RunModalDialog(DialogModel& dialog) override;
  void ShowModelessDialog(DialogModel& dialog) override;
  void CloseModelessDialog(DialogModel& dialog) override;
  bool OpenDocument(const std::string& path) override;
  std::optional<PrinterPage> ChoosePrinter() override;
  bool PrintPage(const canvas::Surface& picture, const canvas::PaletteEntry* palette, UiRect destination,
                 const std::string& documentName) override;

  // Mirrors MainUi (and open dialogs) onto the widgets now if anything changed.
  void MirrorNow();

  struct State;

 private:
  std::unique_ptr<State> state_;
};
