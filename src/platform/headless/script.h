#pragma once
// The scripted user's actions, one per script line. The backend runs them at their due times;
// the language that writes them is parsed above the program (scripting/script.h).
#include <cstdint>
#include <string>
#include <vector>

// An answer queued for the next blocking request (message box, file dialog, modal dialog).
struct ScriptAnswer {
  enum class Kind {
    Ok,            // message box OK (1); a modal dialog's IDOK
    Cancel,        // message box IDCANCEL (2); a file dialog's cancel; a modal dialog's IDCANCEL
    File,          // a file dialog's chosen path
    DialogOk,      // modal dialogs only: IDOK
    DialogCancel,  // modal dialogs only: IDCANCEL
    Scroll,        // modal dialogs only: WM_HSCROLL to a scroll-bar control
    Select,        // modal dialogs only: choose entry `thumb` (0-based) of a list control
  };
  Kind kind = Kind::Ok;
  std::string path;         // File
  int controlId = 0;        // Scroll, Select
  uint32_t scrollCode = 0;  // Scroll: ScrollCode
  int thumb = 0;            // Scroll: the position for SB_THUMBPOSITION; Select: the entry
  int lineNumber = 0;       // the script line that queued it (1-based)
};

// What a `device` line does to the simulated input or output.
enum DeviceAction { kDeviceOk = 0, kDeviceFail = 1, kDeviceAdd = 2, kDeviceRemove = 3, kDeviceDelay = 4 };

enum class ScriptOp { Click, Menu, Key, Close, Wait, Set, Answer, Dump, Mouse, SaveFrame, Device };

struct ScriptLine {
  int number = 0;    // 1-based line number in the script
  std::string text;  // the line as written (for error messages)
  ScriptOp op = ScriptOp::Dump;
  int id = 0;                 // Click, Menu: command id
  uint32_t key = 0;           // Key: KeyCode
  uint32_t modifiers = 0;     // Key: KEYMOD_SHIFT | KEYMOD_CONTROL
  double ms = 0;              // Wait: virtual milliseconds; Device delay: the time an open takes
  std::string name;           // Set: settings field name; Device: "input" or "output"
  int value = 0;              // Set: the value; Device: a DeviceAction
  std::string deviceName;     // Device add/remove: the device's name (the rest of the line)
  ScriptAnswer answer;        // Answer
  uint32_t mouseMessage = 0;  // Mouse: WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN
  int x = 0, y = 0;           // Mouse: client pixels
  std::string path;           // SaveFrame: the .bmp file to write
};
