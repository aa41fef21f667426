// Keys of the main window.
#include "app/window_state.h"
#include "platform/messages.h"

void OnKeyDown(uint32_t key) {
  // Escape does what the Reset button does in the current state.
  if (key == KEY_ESCAPE) SendMainMessage(WM_COMMAND, CMD_RESET, 0);
}
