#pragma once
// What the program asks of the platform beyond messages: the clock, user input, presentation of
// the window picture, and requests that block until the user answers. One backend is active at a
// time (headless in tests and in taldrinex-cli, Qt on the desktop).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/ui_model.h"

namespace canvas {
class Surface;
struct PaletteEntry;
}

enum KeyModifier : uint32_t { KEYMOD_SHIFT = 1, KEYMOD_CONTROL = 2 };

enum class MessageIcon { None, Exclamation, Stop, Information };

struct FileFilter {
  std::string description;            // "Bitmap Files (*.bmp)"
  std::vector<std::string> patterns;  // {"*.bmp"}
};

struct FileDialogRequest {
  bool save = false;  // save dialog (else open dialog)
  std::string title;
  std::vector<FileFilter> filters;
  std::string defaultExtension;  // appended when the chosen name has no extension; empty for none
  bool confirmOverwrite = false;
  bool hideReadOnly = true;
  bool createPrompt = false;
  bool folder = false;  // the user names a folder (which the dialog may offer to make)
};

// The printer the user chose: its resolution and printable page in printer pixels.
struct PrinterPage {
  int dpiX = 0, dpiY = 0;
  int widthPx = 0, heightPx = 0;
};

struct ScreenInfo {
  int width = 1024, height = 768;
  int dpiX = 96, dpiY = 96;  // logical dots per inch across and down
  int paletteSize = 256;  // below 1: the display has no hardware palette
  int systemTextHeight = 16;  // height of the system font (button captions)
  double refreshHz = 60;      // the screen's refresh rate: frames are presented at most this often
  double pixelRatio = 1;      // device pixels per desktop (logical) pixel; the sizes above are in device pixels
};

class Backend {
 public:
  virtual ~Backend() = default;

  // Clock (see platform/clock.h).
  virtual double NowMs() = 0;
  virtual void SleepMs(double ms) = 0;
  virtual void NoteFrameDrawn() {}

  // Translates pending user input into messages (SendMainMessage). Called by every pump.
  virtual void ProcessUserInput() = 0;
  // A message was posted, possibly from another thread: end a WaitForInput early. Thread-safe.
  virtual void WakeFromAnyThread() {}
  // Idle wait: returns when input or a posted message may be pending, or after maxMs.
  virtual void WaitForInput(double maxMs) = 0;
  // False once the backend has no more user to wait for (a finished script): the idle loop then
  // closes the window as a user would.
  virtual bool UserPresent() { return true; }

  // Modifier keys held now (KEYMOD_SHIFT | KEYMOD_CONTROL), as the key handlers ask for them.
  virtual uint32_t KeyModifiers() = 0;

  virtual ScreenInfo Screen() = 0;
  // Places the main window; the backend then sets MainUi.windowRect, clientWidth, clientHeight.
  virtual void MoveMainWindow(int x, int y, int width, int height) = 0;
  virtual void ShowMainWindow() = 0;
  virtual void DestroyMainWindow() = 0;
  // The window picture changed in this rectangle (client pixels): present it through the palette.
  // `palette` has 256 entries: 0..235 the display palette, 236 the system button-face colour,
  // 237 the button-shadow colour, 238..255 white (the window's class background).
  virtual void PresentWindow(const canvas::Surface& picture, const canvas::PaletteEntry* palette,
                             UiRect changed) = 0;

  // Blocking requests.
  virtual int ShowMessageBox(const std::string& text, const std::string& caption, MessageIcon icon) = 0;
  // A question with OK and Cancel: IDOK or IDCANCEL. A backend without such a box asks through
  // its message box (the scripted user answers it the same way).
  virtual int AskOkCancel(const std::string& text, const std::string& caption) {
    return ShowMessageBox(text, caption, MessageIcon::Exclamation);
  }
  virtual void Beep() = 0;
  virtual std::optional<std::string> ChooseFile(const FileDialogRequest& request) = 0;
  // Runs a modal dialog until its procedure ends it; returns its result.
  virtual int RunModalDialog(DialogModel& dialog) = 0;
  // Shows or hides a modeless dialog; its controls are mirrored while it is in MainUi.openDialogs.
  virtual void ShowModelessDialog(DialogModel& dialog) = 0;
  virtual void CloseModelessDialog(DialogModel& dialog) = 0;
  virtual bool OpenDocument(const std::string& path) = 0;  // help: opens the file in a viewer
  // The print dialog (one copy, page 1): the chosen printer, or nothing when the user cancels or
  // there is no printer.
  virtual std::optional<PrinterPage> ChoosePrinter() { return std::nullopt; }
  // Prints one page of a document named `documentName` on the printer chosen last: `picture`
  // through the 256-entry `palette`, stretched onto `destination` (printer pixels). False when the
  // printer refuses the picture (the page and the document are ended anyway).
  virtual bool PrintPage(const canvas::Surface& picture, const canvas::PaletteEntry* palette, UiRect destination,
                         const std::string& documentName) {
    (void)picture, (void)palette, (void)destination, (void)documentName;
    return false;
  }
  // Starting and ending a helper program (volume control) is the same for every backend:
  // see platform/process.h.
};

void SetBackend(Backend* backend);
Backend& CurrentBackend();
bool HasBackend();
// The current backend or null, read once (safe from any thread).
Backend* BackendOrNull();
