#pragma once
// The in-memory backend: a virtual clock, a screen of configurable size, a window that exists only
// as numbers, and a scripted user who acts at due times and answers every blocking request from a
// queue. Runs are exact and repeatable: time moves only by sleeps, waits and fixed costs.
//
// Window decorations (fixed, so client sizes are predictable): 8 px borders left, right and
// bottom; 43 px at the top (23 caption + 20 menu bar). An outer 796 x 596 gives a client of
// 780 x 545; 736 x 552 gives 720 x 501.
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/backend.h"
#include "platform/canvas/canvas.h"
#include "platform/headless/script.h"

struct HeadlessConfig {
  ScreenInfo screen;
  // The printer the print dialog offers (A4 at 600 dpi); with `printerPresent` false the dialog
  // finds none and answers as a cancel.
  PrinterPage printer{600, 600, 4960, 7016};
  bool printerPresent = true;
  double pumpCostMs = 0.5;   // virtual time charged per pump of the message queue
  double frameCostMs = 4.0;  // virtual time charged per composed display frame
  int borderLeft = 8, borderRight = 8, borderBottom = 8;
  int borderTop = 43;  // caption 23 + menu bar 20
  // A client size the user resizes the window to before the first script line (0 = keep).
  int resizeClientWidth = 0, resizeClientHeight = 0;
  // Closes the finished script's user sends before giving up on a program that will not end
  // (the process then exits with status 3).
  int maxCloses = 100000;
  // Follow the real clock instead of the virtual one (for runs against real sound devices):
  // sleeps and waits take real time, pumps and frames cost what they really cost.
  bool realClock = false;
};

// Something that follows the virtual clock (the simulated sound devices).
class SimSoundSystem;

class VirtualTimeListener {
 public:
  virtual ~VirtualTimeListener() = default;
  // The clock moved forward to nowMs. May post messages; must not send them.
  virtual void AdvanceTo(double nowMs) = 0;
};

// Lines that reach past the platform (`set`, `dump`, `save-frame`) are run by the scripting module
// above the program; the backend only times them.
class ProgramScriptActions {
 public:
  virtual ~ProgramScriptActions() = default;
  // Runs one such line now; false with a reason when it failed.
  virtual bool Run(const ScriptLine& line, std::string* reason) = 0;
};

struct ShownMessageBox {
  std::string text, caption;
  MessageIcon icon = MessageIcon::None;
  int answer = 1;
};

struct FileDialogRecord {
  FileDialogRequest request;
  std::optional<std::string> answer;  // the path handed back; nullopt for cancel
};

struct ModalDialogRecord {
  int resourceId = 0;
  std::string title;
  int result = 0;
};

class HeadlessBackend : public Backend {
 public:
  explicit HeadlessBackend(HeadlessConfig config = {});
  ~HeadlessBackend() override;

  // --- Backend ---
  double NowMs() override;
  double VirtualNowMs() const { return now_; }
  void SleepMs(double ms) override;
  void NoteFrameDrawn() override;
  void ProcessUserInput() override;
  void WaitForInput(double maxMs) override;
  bool UserPresent() override;
  uint32_t KeyModifiers() override { return modifiers_; }
  ScreenInfo Screen() override { return config_.screen; }
  // The screen the window is on from now on (a test may give it unequal resolutions).
  void SetScreen(const ScreenInfo& screen) { config_.screen = screen; }
  void MoveMainWindow(int x, int y, int width, int height) override;
  void ShowMainWindow() override;
  void DestroyMainWindow() override;
  void PresentWindow(const canvas::Surface& picture, const canvas::PaletteEntry* palette,
                     UiRect changed) override;
  int ShowMessageBox(const std::string& text, const std::string& caption, MessageIcon icon) override;
  void Beep() override { ++beeps_; }
  std::optional<std::string> ChooseFile(const FileDialogRequest& request) override;
  int RunModalDialog(DialogModel& dialog) override;
  void ShowModelessDialog(DialogModel& dialog) override;
  void CloseModelessDialog(DialogModel& dialog) override;
  bool OpenDocument(const std::string& path) override;
  std::optional<PrinterPage> ChoosePrinter() override;
  bool PrintPage(const canvas::Surface& picture, const canvas::PaletteEntry* palette, UiRect destination,
                 const std::string& documentName) override;

  // --- Clock ---
  // Moves the virtual clock forward and lets every listener follow.
  void Advance(double ms);
  void AddTimeListener(VirtualTimeListener* listener);
  void RemoveTimeListener(VirtualTimeListener* listener);

  // --- Script ---
  // Installs the parsed lines; they run from the next pump on, the first one due now.
  void SetScript(std::vector<ScriptLine> lines);
  // Runs one action now, as the user would (tests use it without a script).
  void Execute(const ScriptLine& line);
  void QueueAnswer(const ScriptAnswer& answer) { answers_.push_back(answer); }
  bool ScriptFinished() const;
  // After the program ended: lines that never ran are an error (the program ended before them).
  void NoteProgramEnded();
  // The first error of a run ("line N: ..."), empty when none.
  const std::string& ScriptError() const { return error_; }
  // Who runs `set`, `dump` and `save-frame` (not owned; none: those lines fail the run).
  void SetProgramActions(ProgramScriptActions* actions) { programActions_ = actions; }
  // The simulated devices of this run: `device` lines and dumps reach them through this.
  void AttachSound(SimSoundSystem* sound) { sound_ = sound; }
  SimSoundSystem* Sound() const { return sound_; }

  // --- What the user saw and answered ---
  const canvas::Surface& LastPicture() const { return picture_; }
  const std::vector<canvas::PaletteEntry>& LastPalette() const { return palette_; }
  int PresentCount() const { return presents_; }
  const std::vector<ShownMessageBox>& MessageBoxes() const { return messageBoxes_; }
  const std::vector<FileDialogRecord>& FileDialogs() const { return fileDialogs_; }
  const std::vector<ModalDialogRecord>& ModalDialogs() const { return modalDialogs_; }
  const std::vector<std::string>& OpenedDocuments() const { return openedDocuments_; }
  // Every page printed: the picture (palette indexes), where it went on the page, the document.
  struct PrintedPage {
    canvas::Surface picture;
    UiRect destination;
    std::string document;
  };
  const std::vector<PrintedPage>& PrintedPages() const { return printedPages_; }
  int Beeps() const { return beeps_; }
  int FramesDrawn() const { return framesDrawn_; }
  int ClosesSent() const { return closesSent_; }
  const HeadlessConfig& Config() const { return config_; }

 private:
  void RunDueLines();
  void Fail(const ScriptLine& line, const std::string& reason);
  bool TakeAnswer(bool (*fits)(const ScriptAnswer&), ScriptAnswer* out);
  void ApplyResize();
  void CloseModelessDialogs();

  HeadlessConfig config_;
  double now_ = 0;
  double realStartMs_ = 0;  // steady-clock ms at construction (real-clock runs)
  std::vector<VirtualTimeListener*> listeners_;

  std::vector<ScriptLine> lines_;
  size_t next_ = 0;
  double nextDueMs_ = 0;
  bool resizePending_ = false;
  std::deque<ScriptAnswer> answers_;
  std::string error_;
  ProgramScriptActions* programActions_ = nullptr;
  uint32_t modifiers_ = 0;
  bool windowAlive_ = false;
  int closesSent_ = 0;
  SimSoundSystem* sound_ = nullptr;
  std::vector<DialogModel*> dialogsClosed_;

  canvas::Surface picture_;
  std::vector<canvas::PaletteEntry> palette_;
  int presents_ = 0;
  std::vector<ShownMessageBox> messageBoxes_;
  std::vector<FileDialogRecord> fileDialogs_;
  std::vector<ModalDialogRecord> modalDialogs_;
  std::vector<std::string> openedDocuments_;
  std::vector<PrintedPage> printedPages_;
  int beeps_ = 0;
  int framesDrawn_ = 0;
};
