#pragma once
// Messages of the main window and the queue that carries them.
//
// One thread runs the program. SendMainMessage calls the window procedure at once; PostMainMessage
// may be called from any thread (the sound devices' threads) and is delivered by the next pump.
#include <cstdint>

enum MessageId : uint32_t {
  WM_NULL = 0,
  WM_CREATE,
  WM_DESTROY,
  WM_SIZE,
  WM_PAINT,
  WM_CLOSE,
  WM_QUIT,
  WM_COMMAND,       // wParam: command id; lParam: the program's own code (0 for user commands)
  WM_KEYDOWN,       // wParam: KeyCode; lParam: unused
  WM_HSCROLL,       // wParam: ScrollCode | (thumb position << 16); lParam: control id (0 = position bar)
  WM_MOUSEMOVE,     // lParam: MakePoint(x, y) in client pixels
  WM_LBUTTONDOWN,
  WM_LBUTTONUP,
  WM_RBUTTONDOWN,
  WM_INITDIALOG,    // dialogs only
  MM_WIM_DATA,      // wParam: buffer index (0 or 1) that came back full
  MM_WIM_CLOSE,     // the input device closed
  MM_WOM_DONE,      // the output device finished (or was reset)
  // A file dropped on the window; wParam: its path (const std::string*), valid during the call.
  WM_DROPFILES,
};

// Scroll codes in the low word of WM_HSCROLL's wParam.
enum ScrollCode : uint32_t {
  SB_LINELEFT = 0,
  SB_LINERIGHT = 1,
  SB_PAGELEFT = 2,
  SB_PAGERIGHT = 3,
  SB_THUMBPOSITION = 4,
  SB_THUMBTRACK = 5,
  SB_LEFT = 6,
  SB_RIGHT = 7,
  SB_ENDSCROLL = 8,
};

// Notification in the high word of a dialog's WM_COMMAND: the user chose another entry of a list.
constexpr uint32_t LBN_SELCHANGE = 1;

// Key codes carried by WM_KEYDOWN: letters and digits are their upper-case ASCII codes.
enum KeyCode : uint32_t {
  KEY_BACK = 0x08,
  KEY_RETURN = 0x0D,
  KEY_ESCAPE = 0x1B,
  KEY_SPACE = 0x20,
  KEY_LEFT = 0x25,
  KEY_UP = 0x26,
  KEY_RIGHT = 0x27,
  KEY_DOWN = 0x28,
  KEY_F1 = 0x70,  // F1..F8 are consecutive
  KEY_F8 = 0x77,
};

// Command ids of the buttons and the menu.
enum CommandId : int {
  IDOK = 1,
  IDCANCEL = 2,
  CMD_ANALYSIS = 101,
  CMD_RUN = 102,
  CMD_PLAY_FILE = 103,
  CMD_RECORD = 104,
  CMD_FREEZE = 105,
  CMD_STORE = 106,
  CMD_RESET = 107,
  MENU_SAVE_BITMAP = 40003,
  MENU_PRINT_WINDOW = 40004,
  MENU_EXIT = 40005,
  MENU_ANALYSIS_OPTIONS = 40007,
  MENU_ABOUT = 40008,
  MENU_VOLUME_CONTROL = 40009,
  MENU_HELP_TOPICS = 40010,
  MENU_RUN_AUDIO = 40011,
  MENU_PLAY_FILE = 40012,
  MENU_RECORD = 40013,
  MENU_FREEZE = 40014,
  MENU_STORE = 40015,
  MENU_ADVANCED_OPTIONS = 40017,
  MENU_SAVE_SAMPLE_A = 40018,
  MENU_SAVE_SAMPLE_B = 40021,
  MENU_MEASUREMENTS = 40030,         // Project: the Measurements window
  MENU_EXPORT_MEASUREMENTS = 40031,  // Save: per-cycle CSV of the held samples
  MENU_SAVE_SAMPLE_BUNDLE = 40032,   // Save: a folder with the samples, figures and picture
  MENU_AUDIO_DEVICES = 40033,
};

inline intptr_t MakePoint(int x, int y) {
  return static_cast<intptr_t>((static_cast<uint32_t>(y) << 16) | (static_cast<uint32_t>(x) & 0xFFFF));
}
inline int PointX(intptr_t l) { return static_cast<int16_t>(l & 0xFFFF); }
inline int PointY(intptr_t l) { return static_cast<int16_t>((l >> 16) & 0xFFFF); }

using WindowProcedure = intptr_t (*)(uint32_t message, uintptr_t wParam, intptr_t lParam);

// The main window's procedure; set once by the application shell.
void SetMainWindowProcedure(WindowProcedure procedure);

// Calls the main window procedure now and returns its result (re-entrant).
intptr_t SendMainMessage(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0);

// Queues a message for the next pump. Thread-safe; never blocks for long; may be called from a
// sound device's thread.
void PostMainMessage(uint32_t message, uintptr_t wParam = 0, intptr_t lParam = 0);

// Delivers pending user input (translated by the backend into the same messages) and every posted
// message, then returns. Activity loops call it between steps.
void PumpMessages();

// Waits until user input or a posted message may be pending, or maxMs (ms) passed; returns at once
// when a posted message is waiting. Activity loops sleep with it between their steps, so that a
// key, a click or a device notice is handled as soon as it comes.
void WaitForEvents(double maxMs);

// Counts the messages sent to the main window and the user's actions on dialogs. An activity loop
// that shows a frozen view compares it between pumps and redraws only when something happened.
uint64_t MessageActivityCount();
// A backend reports a user action it handled without a main-window message (a dialog's control,
// a setting changed by a script).
void NoteUserAction();

// Delivers only the posted messages (no user input). A backend calls it while a modal dialog or
// message box blocks the program, so that the sound devices' notifications keep flowing.
void DeliverPostedMessages();

// The idle loop: waits for input and delivers it until WM_QUIT; returns WM_QUIT's exit code.
int RunMessageLoop();

// Ends RunMessageLoop with this exit code once the current message has been handled.
void PostQuitMessage(int exitCode);

// True once WM_QUIT was posted (the scripted runner and tests read it).
bool QuitPosted();

// Drops every queued message and the quit request (a test starts from a clean queue).
void ResetMessageQueue();
