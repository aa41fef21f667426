#pragma once
// Creates the main window of a variant on the headless backend, as the entry point does, without
// entering the message loop: no script, no printer, and each modal dialog kept as it ended.
#include <gtest/gtest.h>

#include "app/program.h"
#include "app/window_state.h"
#include "platform/headless/headless_backend.h"
#include "platform/messages.h"
#include "platform/ui_model.h"

class ShellBackend : public HeadlessBackend {
 public:
  // A user who stays (a finished script's user would close the window at the next pump).
  ShellBackend() : HeadlessBackend({.printerPresent = false}) {
    SetScript({ScriptLine{.op = ScriptOp::Wait, .ms = 1e12}});
  }
  std::vector<DialogModel> dialogsSeen;
  int RunModalDialog(DialogModel& dialog) override {
    const int result = HeadlessBackend::RunModalDialog(dialog);
    dialogsSeen.push_back(dialog);
    return result;
  }
  // The user's next answers: scroll actions on a dialog's bar, a dialog's Cancel, a chosen file.
  void Scroll(int bar, uint32_t code, int thumb = 0, int times = 1) {
    for (int i = 0; i < times; ++i)
      QueueAnswer({.kind = ScriptAnswer::Kind::Scroll, .controlId = bar, .scrollCode = code, .thumb = thumb});
  }
  void Answer(ScriptAnswer::Kind kind, const std::string& path = "") {
    QueueAnswer({.kind = kind, .path = path});
  }
};

class ShellTest : public ::testing::Test {
 protected:
  ShellBackend backend;

  void SetUp() override {
    ResetProgramState();
    SetBackend(&backend);
  }
  void TearDown() override {
    CloseIdle();
    SetBackend(nullptr);
    ResetProgramState();
  }
  void Start(int variant, int screenWidth = 1024, int screenHeight = 768) {
    backend.SetScreen({.width = screenWidth, .height = screenHeight});
    CreateMainWindow(variant);
  }
  void CloseIdle() {
    for (int i = 0; i < 4 && Window.WindowExists; ++i) SendMainMessage(WM_CLOSE);
  }
  // Sends a button or menu command as a click does.
  void Click(int id) { SendMainMessage(WM_COMMAND, static_cast<uintptr_t>(id), 0); }
  bool Destroyed() const { return !MainUi.windowVisible; }
  const auto& Boxes() { return backend.MessageBoxes(); }
};

class VariantTest : public ShellTest, public ::testing::WithParamInterface<int> {};
