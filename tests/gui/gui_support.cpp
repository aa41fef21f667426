#include "gui_support.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPixmap>
#include <cstdlib>
#include <filesystem>
#include <memory>

#include "platform/qt/qt_backend.h"

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

std::string SaveScreenshot(QWidget* widget, const std::string& name) {
  const char* build = std::getenv("TX_BUILD_DIR");
  std::filesystem::path dir = std::filesystem::path(build && *build ? build : TX_GUI_BUILD_DIR) / "artifacts";
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  const std::filesystem::path file = dir / name;
  if (!widget->grab().save(QString::fromStdString(file.string()), "PNG")) return {};
  return file.string();
}
