#pragma once
// The keys of the main window. Letters stand for the buttons and are sent as the same commands a
// click sends, so the buttons' state rules hold for the keys too; the function keys choose the
// layout, the comparison and the configuration; the arrow keys move what the arrow-key settings
// assign. The rows of the handler are tested one after another, so one press may act twice (R in
// the idle state runs, and if the run ends in a running state, records); a row sees the state the
// previous row's command left, since commands (and the activities they start) run to their end
// before SendMainMessage returns.
#include <cstdint>

struct KeyPress {
  uint32_t key = 0;  // KeyCode: letters are their upper-case ASCII codes
  bool shift = false;
  bool ctrl = false;
};

// What the key handler needs from the application shell.
struct KeyboardHooks {
  // Sets the frozen state's controls again (a comparison key changes which buttons work).
  void (*showFrozenControls)() = nullptr;
  // Sends the open options dialog the command of its control `id`, as a click on it would; id 1
  // is OK. Called only while Mode.OptionsDialogOpen is set.
  void (*sendOptionsDialogCommand)(int id) = nullptr;
};

// One key-down message of the main window.
void HandleKeyDown(const KeyPress& press, const KeyboardHooks& hooks);
