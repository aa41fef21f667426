#include "app/small_dialogs.h"

#include <algorithm>
#include <cstdio>

#include "app/window_state.h"
#include "platform/backend.h"
#include "platform/messages.h"
#include "settings/analysis_settings.h"

SmallDialogState SmallDialogs;

namespace {

constexpr int kDialogWidth = 240;
constexpr int kDialogHeight = 130;

struct BarLimits {
  int line, page;
};

// Centred horizontally on the screen, 30 pixels above the vertical centre, never above or left of 0.
void PlaceDialog(DialogModel& d) {
  d.width = kDialogWidth;
  d.height = kDialogHeight;
  d.x = std::max(0, (Window.ScreenWidth - d.width) / 2);
  d.y = std::max(0, (Window.ScreenHeight - d.height) / 2 - 30);
}

DialogModel MakeDialog(int id, const char* title, const char* group, const char* label, int bar, int edit,
                       BarLimits steps) {
  DialogModel d;
  d.resourceId = id;
  d.title = title;
  d.modal = true;
  auto add = [&d](int id, DialogControlKind kind, const char* text, UiRect r) { d.Add(id, kind, text, r); };
  add(-1, DialogControlKind::Group, group, {8, 6, 224, 66});
  add(-1, DialogControlKind::Label, label, {18, 26, 60, 16});
  add(edit, DialogControlKind::Edit, "", {150, 24, 70, 20});
  add(bar, DialogControlKind::ScrollBar, "", {18, 48, 202, 16});
  d.controls.back().lineStep = steps.line;
  d.controls.back().pageStep = steps.page;
  add(IDOK, DialogControlKind::DefaultButton, "OK", {40, 86, 70, 26});
  add(IDCANCEL, DialogControlKind::Button, "Cancel", {130, 86, 70, 26});
  PlaceDialog(d);
  return d;
}

std::string FactorText(int percent) {
  char text[16];
  std::snprintf(text, sizeof text, "%4.2f", percent / 100.0);
  return text;
}

// What differs between the two dialogs: the value the bar moves, its limits and steps, and how
// the edit field shows it.
struct NumberDialog {
  int bar, edit;
  BarLimits steps;
  int* value;
  int lo, hi;
  std::string (*format)(int);
  bool resetOnOpen;  // the starting point opens at 0; the factor keeps its value between saves
};

std::string SecondsText(int seconds) { return std::to_string(seconds); }

NumberDialog NumberDialogOf(const DialogModel& d) {
  if (d.resourceId == kMagnificationDialog)
    return {kMagnificationBar, kMagnificationEdit, {10, 100}, &AnalysisSettings.BitmapMagnification, 100, 500,
            FactorText, false};
  return {kStartBar, kStartEdit, {1, 10}, &SmallDialogs.StartSeconds, 0, SmallDialogs.PlayLengthSeconds,
          SecondsText, true};
}

intptr_t NumberDialogProc(DialogModel& d, uint32_t message, uintptr_t wParam, intptr_t) {
  const NumberDialog n = NumberDialogOf(d);
  switch (message) {
    case WM_INITDIALOG:
      if (n.resetOnOpen) *n.value = 0;
      d.SetScrollRange(n.bar, n.lo, n.hi);
      d.SetScrollPosition(n.bar, *n.value);
      d.SetText(n.edit, n.format(*n.value));
      return 1;
    case WM_HSCROLL:
      // The value follows the bar at once (the magnification is used whatever the dialog returns).
      *n.value = ScrolledValue(*n.value, static_cast<uint32_t>(wParam & 0xFFFF), static_cast<int>(wParam >> 16),
                             {n.steps.line, n.steps.page, n.lo, n.hi, 1});
      d.SetScrollPosition(n.bar, *n.value);
      d.SetText(n.edit, n.format(*n.value));
      return 1;
    case WM_COMMAND:
      if ((wParam & 0xFFFF) == IDOK) d.End(1);
      if ((wParam & 0xFFFF) == IDCANCEL) d.End(0);
      return 1;
    case WM_CLOSE:
      d.End(0);
      return 1;
    default:
      return 0;
  }
}

int RunModal(DialogModel& d) {
  MainUi.openDialogs.push_back(&d);
  UiChanged();
  int result = CurrentBackend().RunModalDialog(d);
  std::erase(MainUi.openDialogs, &d);
  UiChanged();
  return result;
}

}  // namespace

int RunMagnificationDialog() {
  DialogModel d = MakeDialog(kMagnificationDialog, "Bitmap Magnification", "Magnification", "Factor",
                             kMagnificationBar, kMagnificationEdit, {10, 100});
  d.procedure = NumberDialogProc;
  return RunModal(d);
}

int RunStartingPointDialog(int playLengthSeconds) {
  SmallDialogs.PlayLengthSeconds = std::max(0, playLengthSeconds);
  DialogModel d = MakeDialog(kStartingPointDialog, "Starting Point", "Time", "Seconds", kStartBar, kStartEdit,
                             {1, 10});
  d.procedure = NumberDialogProc;
  return RunModal(d);
}
