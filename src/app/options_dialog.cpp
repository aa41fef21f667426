#include "app/options_dialog.h"

#include <algorithm>

#include "app/control_states.h"
#include "app/window_state.h"
#include "display/display_state.h"
#include "interaction/image_rebuild.h"
#include "platform/backend.h"
#include "platform/messages.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

OptionsDialogState OptionsDialogs;

void ResetOptionsDialogState() { OptionsDialogs = OptionsDialogState{}; }

namespace {

constexpr int kSimpleWidth = 392;
constexpr int kSimpleHeight = 250;

DialogModel MakeSimpleDialog() {
  DialogModel d;
  d.resourceId = kSimpleOptionsDialog;
  d.title = "Simple Analysis Options";
  d.modal = false;
  d.width = kSimpleWidth;
  d.height = kSimpleHeight;
  using K = DialogControlKind;
  // Four layout columns 92 wide: room for "Power Spectrum" at the template font (6-pixel
  // characters), which the desktop widens in proportion to its own font.
  d.Add(-1, K::Group, "Display", {8, 6, 376, 104});
  const int column[4] = {18, 110, 202, 294};
  d.Add(ID_DISPLAY_F1, K::Radio, "F1", {column[0], 24, 60, 18});
  d.Add(-1, K::Label, "Spectrogram,", {column[0], 44, 88, 14});
  d.Add(-1, K::Label, "Audio Envelope", {column[0], 58, 88, 14});
  d.Add(-1, K::Label, "Power Spectrum", {column[0], 72, 88, 14});
  d.Add(ID_DISPLAY_F2, K::Radio, "F2", {column[1], 24, 60, 18});
  d.Add(-1, K::Label, "Spectrogram,", {column[1], 44, 88, 14});
  d.Add(-1, K::Label, "Audio Envelope", {column[1], 58, 88, 14});
  d.Add(ID_DISPLAY_F3, K::Radio, "F3", {column[2], 24, 60, 18});
  d.Add(-1, K::Label, "Spectrogram", {column[2], 44, 88, 14});
  d.Add(ID_DISPLAY_F4, K::Radio, "F4", {column[3], 24, 60, 18});
  d.Add(-1, K::Label, "Pwr Spectrum", {column[3], 44, 88, 14});
  d.Add(-1, K::Group, "Display Comparison Mode", {8, 116, 376, 66});
  d.Add(ID_COMPARISON_DISABLED, K::Radio, "Ctrl - F1", {18, 134, 110, 18});
  d.Add(-1, K::Label, "Disabled", {18, 154, 110, 14});
  d.Add(ID_COMPARISON_ABOVE_BELOW, K::Radio, "Ctrl - F2", {140, 134, 110, 18});
  d.Add(-1, K::Label, "Above/Below", {140, 154, 110, 14});
  d.Add(ID_COMPARISON_OVERLAY, K::Radio, "Ctrl - F3", {262, 134, 110, 18});
  d.Add(-1, K::Label, "Overlay", {262, 154, 110, 14});
  d.Add(kAdvancedOptionsButton, K::Button, "Advanced Analysis Options", {8, 194, 176, 26});
  d.Add(IDOK, K::DefaultButton, "OK", {240, 194, 68, 26});
  d.Add(IDCANCEL, K::Button, "Cancel", {316, 194, 68, 26});
  return d;
}

void FocusMain() {
  SetMainFocus();
  UiChanged();
}

void SimplePaint(DialogModel& d) {
  ApplyOverlayRule(d);
  CheckRadioGroup(d, ID_COMPARISON_DISABLED, ID_COMPARISON_OVERLAY, AnalysisSettings.ComparisonModeButton);
}

intptr_t SimpleDialogProc(DialogModel& d, uint32_t message, uintptr_t wParam, intptr_t) {
  switch (message) {
    case WM_INITDIALOG:
      // Always near the screen centre: this dialog remembers no position.
      d.x = std::max(0, (Window.ScreenWidth - d.width) / 2);
      d.y = std::max(0, (Window.ScreenHeight - d.height) / 2 - 30);
      CheckRadioGroup(d, ID_DISPLAY_F1, ID_DISPLAY_F4, AnalysisSettings.DisplayModeButton);
      SimplePaint(d);
      Mode.OptionsDialogOpen = 1;
      return 1;
    case WM_PAINT:
      SimplePaint(d);
      return 1;
    case WM_CLOSE:
      CloseOptionsDialog(d);
      return 1;
    case WM_COMMAND: {
      const int id = static_cast<int>(wParam & 0xFFFF);
      if (id >= ID_DISPLAY_F1 && id <= ID_DISPLAY_F4) {
        // Unlike the advanced dialog, no spectrum-type or bandwidth rule and the interval marks stay.
        SetDisplayModeButton(id);
        CheckRadioGroup(d, ID_DISPLAY_F1, ID_DISPLAY_F4, id);
        SimplePaint(d);
        RebuildImagesForComparison();
        Display.ClearFrameRequest = 1;
      } else if (id >= ID_COMPARISON_DISABLED && id <= ID_COMPARISON_OVERLAY) {
        // A forwarded Ctrl+F3 outside F4 finds the radio disabled, as a click would.
        const DialogControlModel* c = d.Control(id);
        if (c && c->enabled) ApplyComparisonRadio(id);
        SimplePaint(d);
      } else if (id == IDOK || id == IDCANCEL) {
        CloseOptionsDialog(d);
      } else if (id == kAdvancedOptionsButton) {
        CloseOptionsDialog(d);
        SendMainMessage(WM_COMMAND, MENU_ADVANCED_OPTIONS, 0);
      } else {
        return 0;
      }
      FocusMain();
      return 1;
    }
    default:
      return 0;
  }
}

}  // namespace

DialogModel* OpenOptionsDialogModel() {
  if (!Mode.OptionsDialogOpen) return nullptr;
  for (DialogModel* d : {&OptionsDialogs.Simple, &OptionsDialogs.Full})
    if (!d->ended && DialogShown(d)) return d;
  return nullptr;
}

void CheckRadioGroup(DialogModel& d, int lo, int hi, int checked) {
  for (int id = lo; id <= hi; ++id)
    if (d.Control(id)) d.SetChecked(id, id == checked);
}

void ApplyOverlayRule(DialogModel& d) {
  const bool noOverlay = Companions.DisplayMode != 3;
  if (noOverlay && AnalysisSettings.ComparisonModeButton == ID_COMPARISON_OVERLAY)
    SetComparisonModeButton(ID_COMPARISON_ABOVE_BELOW);
  d.SetEnabled(ID_COMPARISON_OVERLAY, !noOverlay);
}

void RebuildImagesForComparison() {
  const int comparison = Companions.ComparisonMode;
  if (comparison == 2) return;
  // Forced: every column computed; the flag is put back because F2 keeps it set on purpose.
  const int kept = Display.ForceImageRebuild;
  Display.ForceImageRebuild = 1;
  RebuildStoredImages(Display.MainDC, comparison == 0 ? 0 : 2);
  Display.ForceImageRebuild = kept;
}

void ApplyComparisonRadio(int radioId) {
  SetComparisonModeButton(radioId);
  const int comparison = Companions.ComparisonMode;
  const bool signalsVariant = AnalysisSettings.ProductVariant == 2;
  if ((Mode.SampleBStored && comparison != 0) || signalsVariant) {
    SetButtonCaption(CMD_PLAY_FILE, signalsVariant ? "&Play Zizivuv" : "Play &B");
    EnableButton(CMD_PLAY_FILE, true);
    EnableMenuItem(MENU_PLAY_FILE, true);
  }
  if (!signalsVariant && Mode.Frozen) {
    SetButtonCaption(CMD_RUN, "Play &A");
    EnableButton(CMD_RUN, true);
    SetButtonCaption(CMD_PLAY_FILE, "Play &B");
    EnableButton(CMD_PLAY_FILE, Mode.SampleBStored && comparison == 1);
  }
  RebuildImagesForComparison();
  if (Mode.Frozen) ShowFrozenControls();
  Display.ClearFrameRequest = 1;
}

void CloseOptionsDialog(DialogModel& d) {
  Mode.OptionsDialogOpen = 0;
  if (d.ended) return;
  d.End(IDOK);
  if (DialogShown(&d)) {
    std::erase(MainUi.openDialogs, &d);
    if (HasBackend()) CurrentBackend().CloseModelessDialog(d);
  }
  UiChanged();
}

void OpenSimpleOptionsDialog() {
  if (OpenOptionsDialogModel()) return;
  DialogModel& d = OptionsDialogs.Simple;
  d = MakeSimpleDialog();
  d.procedure = SimpleDialogProc;
  d.procedure(d, WM_INITDIALOG, 0, 0);
  MainUi.openDialogs.push_back(&d);
  if (HasBackend()) CurrentBackend().ShowModelessDialog(d);
  UiChanged();
}
