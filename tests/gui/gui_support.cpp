#include "gui_support.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "app/program.h"
#include "platform/qt/qt_backend.h"
#include "platform/ui_model.h"

namespace {

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    // The GUI tests run offscreen wherever they run (no display is needed).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    app_ = std::make_unique<QtApplication>(argc_, argv_);
  }
  void TearDown() override { app_.reset(); }

 private:
  int argc_ = 1;
  char name_[16] = "test_gui";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QtApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const qtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

QWidget* MainWindowWidget() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "mainWindow") return w;
  return nullptr;
}

std::vector<std::string> ModelMismatches() {
  QWidget* window = MainWindowWidget();
  if (!window) return {"no main window"};
  std::vector<std::string> out;
  auto check = [&out](bool same, const std::string& what) {
    if (!same) out.push_back(what);
  };
  // The model is in device pixels, the widgets in logical ones.
  const double ratio = window->devicePixelRatioF();
  auto logical = [ratio](int v) { return static_cast<int>(std::lround(v / ratio)); };
  auto rect = [&logical](const UiRect& r) {
    return QRect(logical(r.x), logical(r.y), logical(r.x + r.width) - logical(r.x),
                 logical(r.y + r.height) - logical(r.y));
  };
  check(window->windowTitle().toStdString() == MainUi.caption, "caption");
  for (const ButtonModel& b : MainUi.buttons) {
    auto* w = window->findChild<QPushButton*>(QString("button%1").arg(b.id));
    check(w && w->text().toStdString() == b.caption && w->isEnabled() == b.enabled &&
              w->isChecked() == b.pressed && w->isVisible() == b.visible && w->geometry() == rect(b.rect),
          "button " + std::to_string(b.id));
  }
  for (const auto& popup : MainUi.menu)
    for (const auto& item : popup.items) {
      auto* a = window->findChild<QAction*>(QString("menu%1").arg(item.id));
      check(item.id == 0 || (a && a->text().toStdString() == item.text && a->isEnabled() == item.enabled),
            "menu item " + std::to_string(item.id));
    }
  auto* bar = window->findChild<QScrollBar*>("positionScrollBar");
  const ScrollBarModel& m = MainUi.scrollBar;
  check(bar && bar->geometry() == rect(m.rect) && bar->maximum() == m.maximum && bar->value() == m.position,
        "scroll bar");
  QWidget* client = window->findChild<QWidget*>("clientArea");
  check(client && std::lround(client->width() * ratio) == MainUi.clientWidth &&
            std::lround(client->height() * ratio) == MainUi.clientHeight,
        "client size");
  return out;
}

std::string SaveScreenshot(QWidget* widget, const std::string& name) {
  const char* build = std::getenv("TX_BUILD_DIR");
  std::filesystem::path dir = std::filesystem::path(build && *build ? build : TX_GUI_BUILD_DIR) / "artifacts";
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  const std::filesystem::path file = dir / name;
  if (!widget->grab().save(QString::fromStdString(file.string()), "PNG")) return {};
  return file.string();
}

void MirrorModelNow() {
  if (auto* qt = HasBackend() ? dynamic_cast<QtBackend*>(&CurrentBackend()) : nullptr) qt->MirrorNow();
}

int RunSteps(int variant, const std::vector<Step>& steps, const std::string& commandLine) {
  ResetProgramState();
  QtBackend backend;
  SetBackend(&backend);
  size_t next = 0;
  int tries = 0;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] {
    if (next < steps.size()) {
      if (steps[next]() || ++tries >= 50) ++next, tries = 0;
    } else if (QWidget* window = MainWindowWidget()) {
      window->close();
    }
  });
  tick.start(80);
  const int exitCode = RunTaldrinex(variant, commandLine);
  tick.stop();
  SetBackend(nullptr);
  return exitCode;
}
