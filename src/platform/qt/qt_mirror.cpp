// Mirroring the UI model onto the widgets: the main window's caption, menu, buttons, scroll bar,
// cursor and focus, and the controls of open dialogs. The model is the only truth: every widget
// state that a user action may have changed is set again from the model after the action.
#include <QApplication>
#include <QComboBox>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>
#include <cmath>

#include "platform/messages.h"
#include "platform/qt/qt_state.h"

namespace {

QString ToQt(const std::string& text) { return QString::fromStdString(text); }

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 32, 48, 64, 128, 256})
    icon.addFile(QString(":/taldrinex/taldrinex-%1.png").arg(size), QSize(size, size));
  return icon;
}

// A scroll bar's action as the scroll code the program expects (SB_ENDSCROLL for none).
uint32_t ScrollCodeOf(int action) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      return SB_LINELEFT;
    case QAbstractSlider::SliderSingleStepAdd:
      return SB_LINERIGHT;
    case QAbstractSlider::SliderPageStepSub:
      return SB_PAGELEFT;
    case QAbstractSlider::SliderPageStepAdd:
      return SB_PAGERIGHT;
    case QAbstractSlider::SliderToMinimum:
      return SB_LEFT;
    case QAbstractSlider::SliderToMaximum:
      return SB_RIGHT;
    case QAbstractSlider::SliderMove:
      return SB_THUMBTRACK;
    default:
      return SB_ENDSCROLL;
  }
}

uintptr_t ScrollParam(uint32_t code, int position) {
  return code | (static_cast<uintptr_t>(static_cast<uint16_t>(position)) << 16);
}

// Scroll-bar actions become WM_HSCROLL for `dialog` (nullptr: the main window) with lParam `id`.
void ConnectScrollBar(QtBackend::State& s, QScrollBar* bar, DialogModel* dialog, int id) {
  QObject::connect(bar, &QAbstractSlider::actionTriggered, bar, [&s, bar, dialog, id](int action) {
    const uint32_t code = ScrollCodeOf(action);
    if (code == SB_ENDSCROLL) return;
    s.Queue({dialog, WM_HSCROLL, ScrollParam(code, bar->sliderPosition()), id, 0});
  });
  QObject::connect(bar, &QAbstractSlider::sliderReleased, bar, [&s, bar, dialog, id] {
    s.Queue({dialog, WM_HSCROLL, ScrollParam(SB_THUMBPOSITION, bar->sliderPosition()), id, 0});
  });
}

// `ratio` 1 for dialogs, whose pixels Qt scales itself.
void SetGeometry(QWidget* w, const UiRect& r, double ratio = 1) {
  const QRect rect = LogicalRect(ratio, r);
  if (w->geometry() != rect) w->setGeometry(rect);
}

void MirrorScrollBar(QScrollBar* bar, int minimum, int maximum, int position) {
  const QSignalBlocker block(bar);
  if (bar->minimum() != minimum || bar->maximum() != maximum) bar->setRange(minimum, maximum);
  // While the user drags the thumb it stays under the mouse; the program's answer shows on release.
  if (!bar->isSliderDown() && bar->value() != position) bar->setValue(position);
}

std::string MenuSignature() {
  std::string sig;
  for (const auto& popup : MainUi.menu) {
    sig += popup.text + '\x1f';
    for (const auto& item : popup.items)
      sig += std::to_string(item.id) + ':' + item.text + '\x1d' + item.tooltip + '\x1e';
  }
  return sig;
}

void BuildMenu(QtBackend::State& s) {
  QMenuBar* bar = s.window->menuBar();
  bar->clear();
  for (QMenu* old : bar->findChildren<QMenu*>(Qt::FindDirectChildrenOnly)) delete old;
  s.menuItems.clear();
  for (const auto& popup : MainUi.menu) {
    QMenu* menu = bar->addMenu(ToQt(popup.text));
    for (const auto& item : popup.items) {
      if (item.id == 0) {
        menu->addSeparator();
        continue;
      }
      QAction* action = menu->addAction(ToQt(item.text));
      if (!item.tooltip.empty()) {
        action->setToolTip(ToQt(item.tooltip));
        menu->setToolTipsVisible(true);
      }
      action->setObjectName(QString("menu%1").arg(item.id));
      const int id = item.id;
      QObject::connect(action, &QAction::triggered, action, [&s, id] {
        s.Queue({nullptr, WM_COMMAND, static_cast<uintptr_t>(id), 0, 0});
      });
      s.menuItems[id] = action;
    }
  }
}

void MirrorButtons(QtBackend::State& s) {
  std::map<int, QPushButton*> kept;
  for (const auto& b : MainUi.buttons) {
    QPushButton*& w = s.buttons[b.id];
    if (!w) {
      w = new TxPushButton(s.client);
      w->setObjectName(QString("button%1").arg(b.id));
      // Keys belong to the main window: a button never takes the keyboard focus.
      w->setFocusPolicy(Qt::NoFocus);
      const int id = b.id;
      QObject::connect(w, &QAbstractButton::clicked, w, [&s, id] {
        s.Queue({nullptr, WM_COMMAND, static_cast<uintptr_t>(id), 0, 0});
      });
    }
    const QString text = ToQt(b.caption);
    if (w->text() != text) {
      w->setText(text);
      // The mnemonic is shown, but Alt+letter stays with the menu bar and the keys with the program.
      w->setShortcut(QKeySequence());
    }
    SetGeometry(w, b.rect, PixelRatio(s));
    if (w->toolTip() != ToQt(b.tooltip)) w->setToolTip(ToQt(b.tooltip));
    w->setEnabled(b.enabled);
    w->setCheckable(b.pushLike);
    w->setChecked(b.pushLike && b.pressed);
    w->setVisible(b.visible);
    kept[b.id] = w;
  }
  for (auto& [id, w] : s.buttons)
    if (!kept.count(id)) delete w;
  s.buttons = std::move(kept);
}

Qt::CursorShape CursorOf(CursorShape shape) {
  switch (shape) {
    case CursorShape::Wait:
      return Qt::WaitCursor;
    case CursorShape::Cross:
      return Qt::CrossCursor;
    case CursorShape::SizeWE:
      return Qt::SizeHorCursor;
    case CursorShape::Arrow:
      break;
  }
  return Qt::ArrowCursor;
}

}  // namespace

DialogView* QtBackend::State::FindView(const DialogModel* model) {
  for (auto& v : dialogs)
    if (v->model == model) return v.get();
  return nullptr;
}

void CreateMainWindow(QtBackend::State& s) {
  s.window = std::make_unique<TxMainWindow>(&s);
  s.window->setObjectName("mainWindow");
  s.window->setWindowIcon(ProgramIcon());
  // The menu bar is part of the window, above the client area, on every desktop.
  s.window->menuBar()->setNativeMenuBar(false);
  s.client = new ClientArea(&s);
  s.window->setCentralWidget(s.client);
  // A recording dropped anywhere on the window plays (the program decides whether it may now).
  s.window->setAcceptDrops(true);
  s.scrollBar = new QScrollBar(Qt::Horizontal, s.client);
  s.scrollBar->setObjectName("positionScrollBar");
  s.scrollBar->setFocusPolicy(Qt::NoFocus);
  ConnectScrollBar(s, s.scrollBar, nullptr, 0);
  s.buttons.clear();
  s.menuItems.clear();
  s.menuSignature.clear();
  s.mirroredRevision = ~uint64_t{0};
}

void MirrorMainWindow(QtBackend::State& s, bool force) {
  if (!s.window) return;
  if (!force && s.mirroredRevision == MainUi.revision) return;
  s.mirroredRevision = MainUi.revision;

  const QString caption = ToQt(MainUi.caption);
  if (s.window->windowTitle() != caption) s.window->setWindowTitle(caption);

  if (const std::string sig = MenuSignature(); sig != s.menuSignature) {
    BuildMenu(s);
    s.menuSignature = sig;
  }
  for (const auto& popup : MainUi.menu)
    for (const auto& item : popup.items)
      if (auto it = s.menuItems.find(item.id); it != s.menuItems.end()) it->second->setEnabled(item.enabled);

  MirrorButtons(s);

  const ScrollBarModel& sb = MainUi.scrollBar;
  SetGeometry(s.scrollBar, sb.rect, PixelRatio(s));
  MirrorScrollBar(s.scrollBar, sb.minimum, sb.maximum, sb.position);
  s.scrollBar->setEnabled(sb.enabled);
  s.scrollBar->setVisible(sb.visible);

  const Qt::CursorShape cursor = CursorOf(MainUi.cursor);
  if (s.client->cursor().shape() != cursor) s.client->setCursor(cursor);

  // The program hands the focus back to the main window after each dialog action; a modal request
  // keeps it. Only a new request moves it: mirroring for any other change (a mouse move over the
  // window, a frozen step) must not take it from a modeless dialog the user is typing in.
  if (MainUi.focusRequests != s.focusRequestsMirrored && s.modalDepth == 0) {
    s.focusRequestsMirrored = MainUi.focusRequests;
    QWidget* active = QApplication::activeWindow();
    if (active && active != s.window.get() && s.window->isVisible()) s.window->activateWindow();
    if (!s.client->hasFocus()) s.client->setFocus(Qt::OtherFocusReason);
  }
}

DialogScale DialogScaleOf(const QFont& font) {
  // The templates are laid out for a font of 6-pixel average character width and 13-pixel
  // height (4 x 8 dialog units per character). A larger font widens and heightens everything in
  // proportion, as dialog units do; a smaller one keeps the layout (its fixed parts, the scroll
  // bars and radio marks, would not fit a shrunk box).
  const QFontMetricsF metrics(font);
  const double letters = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  const double average = std::floor((letters / 26.0 + 1.0) / 2.0);
  return {std::max(1.0, average / 6.0), std::max(1.0, std::ceil(metrics.height()) / 13.0)};
}

static UiRect Scaled(const UiRect& r, const DialogScale& k) {
  // Edges are scaled, not sizes, so neighbouring controls stay apart as in the template.
  const int left = static_cast<int>(std::lround(r.x * k.x)), top = static_cast<int>(std::lround(r.y * k.y));
  const int right = static_cast<int>(std::lround((r.x + r.width) * k.x));
  const int bottom = static_cast<int>(std::lround((r.y + r.height) * k.y));
  return {left, top, right - left, bottom - top};
}

std::unique_ptr<DialogView> BuildDialogView(QtBackend::State& s, DialogModel& m) {
  auto view = std::make_unique<DialogView>();
  view->model = &m;
  view->widget = std::make_unique<TxDialog>(&s, &m, s.window.get());
  TxDialog* d = view->widget.get();
  d->setObjectName(QString("dialog%1").arg(m.resourceId));
  d->setWindowTitle(ToQt(m.title));
  const DialogScale k = DialogScaleOf(d->font());
  if (m.width > 0 && m.height > 0) {
    const UiRect size = Scaled({0, 0, m.width, m.height}, k);
    d->setFixedSize(size.width, size.height);
  }
  // Group frames first, so that the controls inside them lie above them.
  for (int pass = 0; pass < 2; ++pass) {
    for (auto& c : m.controls) {
      if ((c.kind == DialogControlKind::Group) != (pass == 0)) continue;
      QWidget* w = nullptr;
      const int id = c.id;
      auto command = [&s, &m, id] { s.Queue({&m, WM_COMMAND, static_cast<uintptr_t>(id), 0, 0}); };
      switch (c.kind) {
        case DialogControlKind::Label:
          w = new QLabel(ToQt(StripMnemonic(c.text)), d);
          break;
        case DialogControlKind::Group:
          w = new QGroupBox(ToQt(StripMnemonic(c.text)), d);
          break;
        case DialogControlKind::Button:
        case DialogControlKind::DefaultButton: {
          auto* b = new TxPushButton(ToQt(c.text), d);
          b->setAutoDefault(false);
          b->setDefault(c.kind == DialogControlKind::DefaultButton);
          QObject::connect(b, &QAbstractButton::clicked, b, command);
          w = b;
          break;
        }
        case DialogControlKind::Radio: {
          auto* b = new TxRadioButton(ToQt(c.text), d);
          b->setAutoExclusive(false);  // the dialog procedure checks and unchecks the radios
          QObject::connect(b, &QAbstractButton::clicked, b, command);
          w = b;
          break;
        }
        case DialogControlKind::CheckBox: {
          auto* b = new TxCheckBox(ToQt(c.text), d);
          QObject::connect(b, &QAbstractButton::clicked, b, command);
          w = b;
          break;
        }
        case DialogControlKind::Edit: {
          auto* e = new QLineEdit(ToQt(c.text), d);
          e->setReadOnly(c.readOnly);
          // The procedure reads an edit's text from the model when it needs it.
          QObject::connect(e, &QLineEdit::textEdited, e, [&m, id](const QString& text) {
            if (auto* control = m.Control(id)) control->text = text.toStdString();
          });
          w = e;
          break;
        }
        case DialogControlKind::List: {
          auto* list = new QComboBox(d);
          // The choice goes into the model at once; the procedure hears of it as a command.
          QObject::connect(list, &QComboBox::activated, list, [&s, &m, id](int index) {
            if (auto* control = m.Control(id)) control->position = index;
            s.Queue({&m, WM_COMMAND, static_cast<uintptr_t>(id) | (LBN_SELCHANGE << 16), 0, 0});
          });
          w = list;
          break;
        }
        case DialogControlKind::ScrollBar: {
          auto* bar = new QScrollBar(Qt::Horizontal, d);
          bar->setSingleStep(std::max(1, c.lineStep));
          bar->setPageStep(std::max(1, c.pageStep));
          ConnectScrollBar(s, bar, &m, id);
          w = bar;
          break;
        }
      }
      SetGeometry(w, Scaled(c.rect, k));
      if (c.id >= 0) {
        w->setObjectName(QString("control%1").arg(c.id));
        view->controls[c.id] = w;
      }
    }
  }
  if (m.x != 0 || m.y != 0) d->move(m.x, m.y);
  MirrorDialog(*view, true);
  return view;
}

void MirrorDialog(DialogView& view, bool force) {
  DialogModel& m = *view.model;
  if (!force && view.mirroredRevision == m.revision) return;
  view.mirroredRevision = m.revision;
  const QString title = ToQt(m.title);
  if (view.widget->windowTitle() != title) view.widget->setWindowTitle(title);
  for (const auto& c : m.controls) {
    auto it = view.controls.find(c.id);
    if (it == view.controls.end()) continue;
    QWidget* w = it->second;
    w->setEnabled(c.enabled);
    switch (c.kind) {
      case DialogControlKind::Label:
        if (auto* l = static_cast<QLabel*>(w); l->text() != ToQt(StripMnemonic(c.text)))
          l->setText(ToQt(StripMnemonic(c.text)));
        break;
      case DialogControlKind::Group:
        static_cast<QGroupBox*>(w)->setTitle(ToQt(StripMnemonic(c.text)));
        break;
      case DialogControlKind::Button:
      case DialogControlKind::DefaultButton:
      case DialogControlKind::Radio:
      case DialogControlKind::CheckBox: {
        auto* b = static_cast<QAbstractButton*>(w);
        if (b->text() != ToQt(c.text)) b->setText(ToQt(c.text));
        if (c.kind == DialogControlKind::Radio || c.kind == DialogControlKind::CheckBox) {
          b->setCheckable(true);
          b->setChecked(c.checked);
        }
        break;
      }
      case DialogControlKind::Edit:
        // Left alone while the user types in it, so the cursor does not jump.
        if (auto* e = static_cast<QLineEdit*>(w); e->text() != ToQt(c.text)) e->setText(ToQt(c.text));
        break;
      case DialogControlKind::ScrollBar:
        MirrorScrollBar(static_cast<QScrollBar*>(w), c.minimum, c.maximum, c.position);
        break;
      case DialogControlKind::List: {
        auto* list = static_cast<QComboBox*>(w);
        QStringList items;
        for (const auto& item : c.items) items << ToQt(item);
        bool same = list->count() == items.size();
        for (int i = 0; same && i < list->count(); ++i) same = list->itemText(i) == items[i];
        if (!same) {
          list->clear();
          list->addItems(items);
        }
        if (list->currentIndex() != c.position) list->setCurrentIndex(c.position);
        break;
      }
    }
  }
}
