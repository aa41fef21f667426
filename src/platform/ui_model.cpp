#include "platform/ui_model.h"

#include <algorithm>
#include <utility>

#include "platform/messages.h"

UiModel MainUi;

void ResetUiModel() { MainUi = UiModel{}; }

bool DialogShown(const DialogModel* dialog) {
  return std::find(MainUi.openDialogs.begin(), MainUi.openDialogs.end(), dialog) != MainUi.openDialogs.end();
}
void UiChanged() { ++MainUi.revision; }

ButtonModel* FindButton(int id) {
  for (auto& b : MainUi.buttons)
    if (b.id == id) return &b;
  return nullptr;
}

MenuItemModel* FindMenuItem(int id) {
  for (auto& popup : MainUi.menu)
    for (auto& item : popup.items)
      if (item.id == id && id != 0) return &item;
  return nullptr;
}

void SetButtonCaption(int id, const std::string& caption) {
  if (auto* b = FindButton(id); b && b->caption != caption) {
    b->caption = caption;
    UiChanged();
  }
}

void EnableButton(int id, bool enabled) {
  if (auto* b = FindButton(id); b && b->enabled != enabled) {
    b->enabled = enabled;
    UiChanged();
  }
}

void SetButtonPressed(int id, bool pressed) {
  if (auto* b = FindButton(id); b && b->pushLike && b->pressed != pressed) {
    b->pressed = pressed;
    UiChanged();
  }
}

void MoveButton(int id, UiRect rect) {
  if (auto* b = FindButton(id)) {
    b->rect = rect;
    UiChanged();
  }
}

void EnableMenuItem(int id, bool enabled) {
  if (auto* item = FindMenuItem(id); item && item->enabled != enabled) {
    item->enabled = enabled;
    UiChanged();
  }
}

void SetWindowCaption(const std::string& caption) {
  MainUi.caption = caption;
  UiChanged();
}

void SetCursorShape(CursorShape shape) {
  if (MainUi.cursor != shape) {
    MainUi.cursor = shape;
    UiChanged();
  }
}

void SetMainFocus() {
  MainUi.hasFocus = true;
  ++MainUi.focusRequests;
  UiChanged();
}

std::string StripMnemonic(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') {
        out += '&';
        ++i;
      }
      continue;
    }
    out += text[i];
  }
  return out;
}

DialogControlModel& DialogModel::Add(int id, DialogControlKind kind, std::string text, UiRect rect) {
  DialogControlModel& c = controls.emplace_back();
  c.id = id;
  c.kind = kind;
  c.text = std::move(text);
  c.rect = rect;
  return c;
}
DialogControlModel* DialogModel::Control(int id) {
  for (auto& c : controls)
    if (c.id == id) return &c;
  return nullptr;
}
const DialogControlModel* DialogModel::Control(int id) const {
  for (auto& c : controls)
    if (c.id == id) return &c;
  return nullptr;
}
void DialogModel::SetText(int id, const std::string& text) {
  if (auto* c = Control(id)) c->text = text, ++revision;
}
void DialogModel::SetChecked(int id, bool checked) {
  if (auto* c = Control(id)) c->checked = checked, ++revision;
}
void DialogModel::SetEnabled(int id, bool enabled) {
  if (auto* c = Control(id)) c->enabled = enabled, ++revision;
}
void DialogModel::SetScrollRange(int id, int minimum, int maximum) {
  if (auto* c = Control(id)) c->minimum = minimum, c->maximum = maximum, ++revision;
}
void DialogModel::SetScrollPosition(int id, int position) {
  if (auto* c = Control(id)) c->position = position, ++revision;
}
void DialogModel::SetItems(int id, std::vector<std::string> items) {
  if (auto* c = Control(id)) c->items = std::move(items), ++revision;
}
void DialogModel::End(int r) {
  ended = true;
  result = r;
  ++revision;
}

int ScrolledValue(int value, uint32_t code, int thumb, const ScrollSteps& b) {
  switch (code) {
    case SB_LINELEFT: value -= b.line; break;
    case SB_LINERIGHT: value += b.line; break;
    case SB_PAGELEFT: value -= b.page; break;
    case SB_PAGERIGHT: value += b.page; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: value = thumb / std::max(b.thumbGrid, 1) * std::max(b.thumbGrid, 1); break;
    case SB_LEFT: value = b.lo; break;
    case SB_RIGHT: value = b.hi; break;
    default: break;
  }
  return std::clamp(value, b.lo, b.hi);
}
