#include "interaction/keyboard_commands.h"

#include "interaction/keyboard_actions.h"
#include "platform/messages.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

namespace {

constexpr int kConfigurationButton = 1037;  // the options dialog's configuration switch

void Command(int id) { SendMainMessage(WM_COMMAND, static_cast<uintptr_t>(id), 0); }

bool FrozenAndStill() { return Mode.Frozen && !Mode.PlayingSignals; }

// Store, Play B and the options keys: on a still frozen view, or with nothing running.
bool StillOrStopped() { return FrozenAndStill() || Mode.StopRequested; }

bool Running() { return Mode.IdleState == 0 && !Mode.Recording; }

// The letter rows of the signals variant (F, Shift+C, Shift+E, Shift+A, E, A).
void SignalsVariantLetters(const KeyPress& p) {
  const uint32_t k = p.key;
  if (k == 'F' && Running()) Command(CMD_FREEZE);
  if (k == 'C' && p.shift && FrozenAndStill()) ToggleGrayScale();
  if (k == 'E' && p.shift) ToggleGlottogramPolarity();
  if (k == 'A' && p.shift) ToggleAudioPolarity();
  if (k == 'E' && !p.shift) ChooseListenChannel(0);
  if (k == 'A' && !p.shift) ChooseListenChannel(1);
}

// The letter rows of the full and real-time variants (F, A, S, B, N, Esc, E).
void AnalysisVariantLetters(const KeyPress& p, int variant) {
  const uint32_t k = p.key;
  if (k == 'F' && Running()) Command(CMD_FREEZE);
  if (k == 'A' && Running()) Command(CMD_RUN);
  if (k == 'S' && StillOrStopped()) Command(CMD_STORE);
  if (k == 'B' && StillOrStopped() && Companions.ComparisonMode != 0) Command(CMD_PLAY_FILE);
  if (k == 'N' && variant == 1) {
    // Each test reads the flag anew: the simple dialog's command may have changed it.
    if (StillOrStopped() && !Mode.AdvancedOptionsActive) Command(MENU_ANALYSIS_OPTIONS);
    if (StillOrStopped() && Mode.AdvancedOptionsActive) Command(MENU_ADVANCED_OPTIONS);
  }
  if (k == 'N' && variant == 0 && StillOrStopped()) Command(MENU_ANALYSIS_OPTIONS);
  if (k == 'E' && !Mode.Recording) Command(CMD_RESET);
}

// Rows 20 to 25: the configuration, the layout and the comparison. With an options dialog open
// they are sent to it as clicks on its radio buttons, so it shows what the key chose.
void FunctionKeys(const KeyPress& p, int variant, const KeyboardHooks& hooks) {
  const bool dialog = Mode.OptionsDialogOpen && hooks.sendOptionsDialogCommand;
  if (p.key == KEY_F1 && p.shift && !p.ctrl) {
    if (dialog) {
      // The dialog's configuration button (the simple dialog has none: nothing switches there).
      hooks.sendOptionsDialogCommand(kConfigurationButton);
      RedrawAfterConfigurationSwitch();
    } else if (!Mode.OptionsDialogOpen) {
      SwitchConfiguration();
    }
  }
  if (!FrozenAndStill()) return;
  const int n = p.key >= KEY_F1 && p.key <= KEY_F8 ? static_cast<int>(p.key - KEY_F1) + 1 : 0;
  if (n == 0) return;
  const auto act = [&](int control, auto&& direct) {
    if (dialog) {
      hooks.sendOptionsDialogCommand(control);
    } else if (!Mode.OptionsDialogOpen) {
      direct();
    }
  };
  const bool layout = (n == 1 && !p.ctrl && !p.shift) || (n >= 2 && n <= 4 && !p.ctrl) || (n >= 5 && variant == 0);
  if (layout) act(ID_DISPLAY_F1 + n - 1, [&] { ChooseDisplay(n); });
  if (!p.ctrl) return;
  const bool comparison = (n == 1 && !p.shift) || n == 2 || (n == 3 && Companions.DisplayMode == 3);
  if (comparison) act(ID_COMPARISON_DISABLED + n - 1, [&] { ChooseComparison(n, hooks.showFrozenControls); });
}

void ArrowKeys(const KeyPress& p) {
  const auto& st = AnalysisSettings;
  if ((p.key == KEY_LEFT || p.key == KEY_RIGHT) && FrozenAndStill()) {
    const bool right = p.key == KEY_RIGHT;
    if (st.LeftRightAssignment == ID_LR_AUDIO_EGG_SCROLL) ScrollViewByKey(right, p.shift);
    if (st.LeftRightAssignment == ID_LR_AUDIO_ONLY_SCROLL) ShiftAudioByKey(right, p.shift);
  }
  if (p.key != KEY_UP && p.key != KEY_DOWN) return;
  const bool up = p.key == KEY_UP;
  if (FrozenAndStill() && st.UpDownAssignment == ID_UD_SPECTRUM_CURSOR) MoveSpectrumCursorByKey(up, p.shift);
  // The criterion line can be placed before anything is frozen, live or idle.
  if (Companions.DisplayMode > 3 && st.UpDownAssignment == ID_UD_CLOSED_QUOTIENT) MoveCqLevelByKey(up);
}

}  // namespace

void HandleKeyDown(const KeyPress& p, const KeyboardHooks& hooks) {
  const int variant = AnalysisSettings.ProductVariant;
  if (p.key == 'R' && Mode.IdleState == 1) Command(CMD_RUN);
  if (p.key == 'R' && Mode.IdleState == 0) Command(CMD_RECORD);
  if (p.key == 'P') Command(CMD_PLAY_FILE);
  if (variant == 2) {
    SignalsVariantLetters(p);
  } else {
    AnalysisVariantLetters(p, variant);
  }
  // Esc is the Reset/Stop button's own key ("R&eset - Esc", "Stop - Esc"), in every variant.
  if (p.key == KEY_ESCAPE && !Mode.Recording) Command(CMD_RESET);
  if (p.key == KEY_RETURN && Mode.OptionsDialogOpen && hooks.sendOptionsDialogCommand)
    hooks.sendOptionsDialogCommand(IDOK);
  if (variant != 2) FunctionKeys(p, variant, hooks);
  if (p.key == KEY_SPACE) Command(CMD_FREEZE);
  // The Measurements window, in every variant and state.
  if (p.key == 'M' && !p.ctrl) Command(MENU_MEASUREMENTS);
  ArrowKeys(p);
}
