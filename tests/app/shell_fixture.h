#pragma once
#include <gtest/gtest.h>

#include "app/program.h"
#include "app/test_backend.h"
#include "app/window_state.h"
#include "platform/messages.h"

// Creates the main window of a variant on the test backend, as the entry point does, without
// entering the message loop.
class ShellTest : public ::testing::Test {
 protected:
  TestBackend backend;

  void SetUp() override {
    ResetProgramState();
    SetBackend(&backend);
  }
  void TearDown() override {
    if (Window.WindowExists) CloseIdle();
    SetBackend(nullptr);
    ResetProgramState();
  }
  void Start(int variant, int screenWidth = 1024, int screenHeight = 768);
  void CloseIdle();
  // Sends a button or menu command as a click does.
  void Click(int id) { SendMainMessage(WM_COMMAND, static_cast<uintptr_t>(id), 0); }
};
