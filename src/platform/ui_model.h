#pragma once
// The state of every control of the program, owned by the program and mirrored by a backend onto
// real widgets. Every change goes through the functions below, which bump `Revision` so that a
// backend knows when to mirror again. Coordinates are client pixels of the main window.
#include <cstdint>
#include <string>
#include <vector>

struct UiRect {
  int x = 0, y = 0, width = 0, height = 0;
};

struct ButtonModel {
  int id = 0;
  std::string caption;
  UiRect rect;
  bool pushLike = false;  // shows its check state as pressed; a click never toggles it
  bool enabled = true;
  bool pressed = false;
  bool visible = true;
  std::string tooltip;  // names the button's keys; the caption stays as it is
};

struct ScrollBarModel {
  UiRect rect;
  int minimum = 0, maximum = 0, position = 0;
  bool enabled = true;
  bool visible = true;
};

struct MenuItemModel {
  int id = 0;  // 0 for a separator
  std::string text;
  bool enabled = true;
  std::string tooltip;
};

struct MenuPopupModel {
  std::string text;
  std::vector<MenuItemModel> items;
};

enum class CursorShape { Arrow, Wait, Cross, SizeWE };

// List: a drop-down list of `items`; `position` is the chosen entry (the user's choice is written
// back to the model, and the procedure hears WM_COMMAND id | LBN_SELCHANGE << 16).
enum class DialogControlKind { Label, Group, Button, DefaultButton, Radio, CheckBox, Edit, ScrollBar, List };

struct DialogControlModel {
  int id = 0;  // -1 for static texts without id
  DialogControlKind kind = DialogControlKind::Label;
  std::string text;
  UiRect rect;  // dialog units of our own layout (pixels at the default font)
  bool enabled = true;
  bool checked = false;
  bool readOnly = false;  // edits: shows text the program writes; the user cannot type into it
  int minimum = 0, maximum = 0, position = 0;  // scroll bars
  int lineStep = 1, pageStep = 10;             // scroll bars, for the backend's keyboard handling
  std::vector<std::string> items;              // lists
};

// The value a scroll action (SB_ code, thumb position) gives a dialog's bar over lo..hi with these
// line and page steps; thumb positions snap down to a multiple of `thumbGrid`.
struct ScrollSteps {
  int line = 1, page = 10, lo = 0, hi = 0, thumbGrid = 1;
};
int ScrolledValue(int value, uint32_t code, int thumb, const ScrollSteps& steps);

struct DialogModel;
// A dialog procedure: WM_INITDIALOG, WM_COMMAND (wParam: control id), WM_HSCROLL (wParam: ScrollCode
// | (thumb << 16), lParam: control id), WM_CLOSE. Returns nonzero when it handled the message.
using DialogProcedure = intptr_t (*)(DialogModel& dialog, uint32_t message, uintptr_t wParam, intptr_t lParam);

struct DialogModel {
  int resourceId = 0;  // 110..114
  std::string title;
  bool modal = true;
  int x = 0, y = 0, width = 0, height = 0;  // screen position and size
  std::vector<DialogControlModel> controls;
  DialogProcedure procedure = nullptr;
  bool ended = false;
  int result = 0;
  uint64_t revision = 0;

  // Appends a control and returns it (for the settings its kind needs).
  DialogControlModel& Add(int id, DialogControlKind kind, std::string text, UiRect rect);
  DialogControlModel* Control(int id);
  const DialogControlModel* Control(int id) const;
  void SetText(int id, const std::string& text);
  void SetChecked(int id, bool checked);
  void SetEnabled(int id, bool enabled);
  void SetScrollRange(int id, int minimum, int maximum);
  void SetScrollPosition(int id, int position);  // also a list's chosen entry
  void SetItems(int id, std::vector<std::string> items);
  void End(int result);  // EndDialog for a modal dialog, close for a modeless one
};

struct UiModel {
  std::string className = "Taldrinex";
  std::string caption;
  // Outer rectangle of the main window on the screen and its client size.
  UiRect windowRect;
  int clientWidth = 0, clientHeight = 0;
  bool windowCreated = false;
  bool windowVisible = false;
  bool hasFocus = true;
  // Counts the program's requests for the keyboard focus; a backend moves the focus to the main
  // window once per new request, so a dialog keeps it between them (typing a legend).
  uint64_t focusRequests = 0;
  CursorShape cursor = CursorShape::Arrow;
  std::vector<ButtonModel> buttons;
  ScrollBarModel scrollBar;
  std::vector<MenuPopupModel> menu;
  std::vector<DialogModel*> openDialogs;  // dialogs shown now (modal and modeless), in opening order
  uint64_t revision = 0;
};

// The one UI model of the program.
extern UiModel MainUi;

void ResetUiModel();
void UiChanged();  // bumps the revision; the backend mirrors the model at its next chance

// True while `dialog` is among the dialogs shown now.
bool DialogShown(const DialogModel* dialog);

ButtonModel* FindButton(int id);
MenuItemModel* FindMenuItem(int id);
void SetButtonCaption(int id, const std::string& caption);
void EnableButton(int id, bool enabled);
void SetButtonPressed(int id, bool pressed);
void MoveButton(int id, UiRect rect);
void EnableMenuItem(int id, bool enabled);
void SetWindowCaption(const std::string& caption);
void SetCursorShape(CursorShape shape);
void SetMainFocus();

// Drops the & mnemonic markers of a caption ("&Run" -> "Run"; "&&" -> "&").
std::string StripMnemonic(const std::string& text);
