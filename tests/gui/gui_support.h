#pragma once
// Shared by the GUI tests: one Qt application for the whole test program, widget look-up by the
// object names the backend gives, and screenshots under the build's artifacts folder.
#include <QString>
#include <QWidget>
#include <string>

// The main window of the backend, or nullptr when none exists.
QWidget* MainWindowWidget();

template <typename T>
T* FindInMainWindow(const QString& name) {
  QWidget* window = MainWindowWidget();
  return window ? window->findChild<T*>(name) : nullptr;
}

// Writes a PNG of `widget` to <build>/artifacts/<name>; returns the path (empty on failure).
std::string SaveScreenshot(QWidget* widget, const std::string& name);
