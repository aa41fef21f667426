#pragma once
// Shared by the GUI tests: one Qt application for the whole test program, widget look-up by the
// object names the backend gives, the model-against-widgets comparison and screenshots under the
// build's artifacts folder.
#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The main window of the backend, or nullptr when none exists.
QWidget* MainWindowWidget();

template <typename T>
T* FindInMainWindow(const QString& name) {
  QWidget* window = MainWindowWidget();
  return window ? window->findChild<T*>(name) : nullptr;
}

// Every way the main window's widgets differ from MainUi (caption, buttons, menu items, scroll
// bar, client size), one text each; empty when they mirror it.
std::vector<std::string> ModelMismatches();

// Writes a PNG of `widget` to <build>/artifacts/<name>; returns the path (empty on failure).
std::string SaveScreenshot(QWidget* widget, const std::string& name);

// Mirrors the model onto the widgets now (a user callback may run inside Qt's dispatch, before the
// backend's next mirror).
void MirrorModelNow();

// Runs the program of `variant` on a fresh Qt backend (program state reset first), carrying out
// `steps` one per tick of the Qt loop, so that the program delivers what each step queued before
// the next. A step that returns false is tried again at the next tick (50 times at most: a test
// must not hang). After the steps the window is closed, at every tick until the program ends.
// Returns the program's exit code.
using Step = std::function<bool()>;
int RunSteps(int variant, const std::vector<Step>& steps, const std::string& commandLine = "");
// A step that does `action` and is done.
inline Step Do(std::function<void()> action) {
  return [action] {
    action();
    return true;
  };
}
