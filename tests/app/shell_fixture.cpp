#include "app/shell_fixture.h"

#include "settings/mode_state.h"

void ShellTest::Start(int variant, int screenWidth, int screenHeight) {
  backend.screen.width = screenWidth;
  backend.screen.height = screenHeight;
  CreateMainWindow(variant);
}

void ShellTest::CloseIdle() {
  for (int i = 0; i < 4 && Window.WindowExists; ++i) SendMainMessage(WM_CLOSE);
}
