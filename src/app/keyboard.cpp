// Keys of the main window: the key handler (interaction/keyboard_commands.h) with what it needs
// from the shell, the frozen controls and the open options dialog.
#include "app/control_states.h"
#include "app/window_state.h"
#include "interaction/keyboard_commands.h"
#include "platform/backend.h"
#include "platform/messages.h"
#include "platform/ui_model.h"

namespace {

// Resources of the options dialogs: full (111), advanced (112) and simple (114).
bool IsOptionsDialog(const DialogModel& d) {
  return !d.modal && (d.resourceId == 111 || d.resourceId == 112 || d.resourceId == 114);
}

// The options dialog applies a forwarded key exactly as a click on the control: its own procedure
// gets the control's command. A dialog that is not (yet) shown gets nothing.
void SendOptionsDialogCommand(int id) {
  for (DialogModel* d : MainUi.openDialogs) {
    if (d && IsOptionsDialog(*d) && d->procedure) {
      d->procedure(*d, WM_COMMAND, static_cast<uintptr_t>(id), 0);
      UiChanged();
      return;
    }
  }
}

}  // namespace

void OnKeyDown(uint32_t key) {
  const uint32_t held = HasBackend() ? CurrentBackend().KeyModifiers() : 0;
  KeyPress press;
  press.key = key;
  press.shift = (held & KEYMOD_SHIFT) != 0;
  press.ctrl = (held & KEYMOD_CONTROL) != 0;
  KeyboardHooks hooks;
  hooks.showFrozenControls = ShowFrozenControls;
  hooks.sendOptionsDialogCommand = SendOptionsDialogCommand;
  HandleKeyDown(press, hooks);
}
