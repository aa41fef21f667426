#include "platform/headless/headless_backend.h"

#include <chrono>
#include <thread>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "platform/headless/sim_sound.h"
#include "platform/messages.h"

HeadlessBackend::HeadlessBackend(HeadlessConfig config) : config_(std::move(config)) {
  realStartMs_ = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
  resizePending_ = config_.resizeClientWidth > 0 && config_.resizeClientHeight > 0;
}

HeadlessBackend::~HeadlessBackend() = default;

// ---------------------------------------------------------------------------------------------
// Clock

namespace {
// A `device` line: the simulated device fails or works, or offers one device more or fewer.
void ApplyDeviceLine(SimSoundSystem& sound, const ScriptLine& line) {
  const bool input = line.name == "input";
  auto& devices = input ? sound.inputDevices : sound.outputDevices;
  switch (line.value) {
    case kDeviceFail:
    case kDeviceOk:
      (input ? sound.failInput : sound.failOutput) = line.value == kDeviceFail;
      break;
    case kDeviceDelay:
      sound.outputOpenMs = line.ms;
      break;
    case kDeviceAdd:
      devices.push_back({line.deviceName, line.deviceName});
      break;
    default:
      std::erase_if(devices, [&](const SoundDeviceInfo& d) { return d.id == line.deviceName; });
      break;
  }
}

double SteadyMs() {
  using namespace std::chrono;
  return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}
}  // namespace

double HeadlessBackend::NowMs() {
  if (config_.realClock) now_ = SteadyMs() - realStartMs_;
  return now_;
}

void HeadlessBackend::Advance(double ms) {
  if (!(ms > 0)) return;
  if (config_.realClock) {
    std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(ms));
    now_ = SteadyMs() - realStartMs_;
  } else {
    now_ += ms;
  }
  // A listener may be removed while we walk (a device closed by a posted message is not
  // possible here, since listeners only post), but copy anyway to stay safe.
  auto listeners = listeners_;
  for (auto* l : listeners) l->AdvanceTo(now_);
}

void HeadlessBackend::AddTimeListener(VirtualTimeListener* listener) { listeners_.push_back(listener); }

void HeadlessBackend::RemoveTimeListener(VirtualTimeListener* listener) {
  listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

void HeadlessBackend::SleepMs(double ms) { Advance(ms); }

void HeadlessBackend::NoteFrameDrawn() {
  ++framesDrawn_;
  if (!config_.realClock) Advance(config_.frameCostMs);
}

void HeadlessBackend::WaitForInput(double maxMs) {
  if (maxMs < 0) maxMs = 0;
  double until = now_ + maxMs;
  if (next_ < lines_.size() && error_.empty()) until = std::min(until, std::max(now_, nextDueMs_));
  Advance(until - now_);
}

// ---------------------------------------------------------------------------------------------
// The scripted user

void HeadlessBackend::SetScript(std::vector<ScriptLine> lines) {
  lines_ = std::move(lines);
  next_ = 0;
  nextDueMs_ = now_;
}

bool HeadlessBackend::ScriptFinished() const {
  if (!error_.empty()) return true;
  return next_ >= lines_.size() && now_ >= nextDueMs_ && !resizePending_;
}

void HeadlessBackend::NoteProgramEnded() {
  if (error_.empty() && next_ < lines_.size())
    Fail(lines_[next_], "not run: the program ended before this line");
}

bool HeadlessBackend::UserPresent() { return !ScriptFinished(); }

void HeadlessBackend::ProcessUserInput() {
  if (config_.realClock) {
    NowMs();
  } else {
    Advance(config_.pumpCostMs);
  }
  if (resizePending_ && windowAlive_) ApplyResize();
  RunDueLines();
  // The script is over: the user closes the window. While an activity runs the program turns
  // each close into stop commands, so keep closing at every pump until the window is gone.
  if (ScriptFinished() && windowAlive_ && !QuitPosted()) {
    CloseModelessDialogs();
    if (++closesSent_ > config_.maxCloses) {
      // The program ignores every close: nothing a user could do ends it. Stop the run rather
      // than hang the test or the tool that started it.
      std::cerr << "the program did not end after " << config_.maxCloses << " close requests\n";
      std::_Exit(3);
    }
    SendMainMessage(WM_CLOSE);
  }
}

void HeadlessBackend::CloseModelessDialogs() {
  // A user leaving closes the option dialogs first (while one is open the program ignores the
  // commands a close turns into). Each dialog gets its close box clicked once.
  const auto open = MainUi.openDialogs;
  for (DialogModel* d : open) {
    if (!d || d->modal || !d->procedure) continue;
    if (std::find(dialogsClosed_.begin(), dialogsClosed_.end(), d) != dialogsClosed_.end()) continue;
    dialogsClosed_.push_back(d);
    d->procedure(*d, WM_CLOSE, 0, 0);
  }
}

void HeadlessBackend::RunDueLines() {
  // Re-entrant: a click may start an activity whose loop pumps and comes back here; the index is
  // advanced before a line runs, so the nested call carries on with the following lines.
  while (error_.empty() && next_ < lines_.size() && now_ >= nextDueMs_ && windowAlive_) {
    const ScriptLine& line = lines_[next_++];
    Execute(line);
  }
}

void HeadlessBackend::Fail(const ScriptLine& line, const std::string& reason) {
  if (!error_.empty()) return;
  error_ = "line " + std::to_string(line.number) + ": " + reason + ": " + line.text;
}

void HeadlessBackend::Execute(const ScriptLine& line) {
  NoteUserAction();
  switch (line.op) {
    case ScriptOp::Click:
    case ScriptOp::Menu:
      SendMainMessage(WM_COMMAND, static_cast<uintptr_t>(line.id), 0);
      break;
    case ScriptOp::Key: {
      // The modifiers are held only while this key is delivered (nested keys restore them).
      const uint32_t saved = modifiers_;
      modifiers_ = line.modifiers;
      SendMainMessage(WM_KEYDOWN, line.key, 0);
      modifiers_ = saved;
      break;
    }
    case ScriptOp::Close:
      ++closesSent_;
      SendMainMessage(WM_CLOSE);
      break;
    case ScriptOp::Wait:
      nextDueMs_ = now_ + line.ms;
      break;
    case ScriptOp::Set:
    case ScriptOp::Dump:
    case ScriptOp::SaveFrame: {
      std::string reason = "not available without the program";
      if (!programActions_ || !programActions_->Run(line, &reason)) Fail(line, reason);
      break;
    }
    case ScriptOp::Answer:
      answers_.push_back(line.answer);
      break;
    case ScriptOp::Mouse:
      SendMainMessage(line.mouseMessage, 0, MakePoint(line.x, line.y));
      break;
    case ScriptOp::Device:
      if (!sound_)
        Fail(line, "no simulated sound devices in this run");
      else
        ApplyDeviceLine(*sound_, line);
      break;
  }
}

bool HeadlessBackend::TakeAnswer(bool (*fits)(const ScriptAnswer&), ScriptAnswer* out) {
  // Answers are taken in order: a request takes the first queued answer only when it fits; an
  // answer meant for a later request stays queued.
  if (answers_.empty() || !fits(answers_.front())) return false;
  *out = answers_.front();
  answers_.pop_front();
  return true;
}

// ---------------------------------------------------------------------------------------------
// Window

void HeadlessBackend::MoveMainWindow(int x, int y, int width, int height) {
  MainUi.windowRect = {x, y, width, height};
  MainUi.clientWidth = std::max(0, width - config_.borderLeft - config_.borderRight);
  MainUi.clientHeight = std::max(0, height - config_.borderTop - config_.borderBottom);
  UiChanged();
}

void HeadlessBackend::ShowMainWindow() {
  windowAlive_ = true;
  MainUi.windowVisible = true;
  UiChanged();
}

void HeadlessBackend::DestroyMainWindow() {
  windowAlive_ = false;
  MainUi.windowVisible = false;
  UiChanged();
}

void HeadlessBackend::ApplyResize() {
  // As if the user dragged the window's frame: the outer size follows the new client size.
  resizePending_ = false;
  const int w = config_.resizeClientWidth, h = config_.resizeClientHeight;
  MoveMainWindow(MainUi.windowRect.x, MainUi.windowRect.y, w + config_.borderLeft + config_.borderRight,
                 h + config_.borderTop + config_.borderBottom);
  SendMainMessage(WM_SIZE, 0, MakePoint(w, h));
}

void HeadlessBackend::PresentWindow(const canvas::Surface& picture, const canvas::PaletteEntry* palette,
                                    UiRect changed) {
  ++presents_;
  palette_.assign(palette, palette + 256);
  if (picture_.Width() != picture.Width() || picture_.Height() != picture.Height()) {
    picture_ = picture;
    return;
  }
  // Same size: copy only the rows and columns that changed.
  const int x0 = std::clamp(changed.x, 0, picture.Width());
  const int x1 = std::clamp(changed.x + changed.width, 0, picture.Width());
  const int y0 = std::clamp(changed.y, 0, picture.Height());
  const int y1 = std::clamp(changed.y + changed.height, 0, picture.Height());
  for (int y = y0; y < y1; ++y) std::copy(picture.Row(y) + x0, picture.Row(y) + x1, picture_.Row(y) + x0);
}

// ---------------------------------------------------------------------------------------------
// Blocking requests

int HeadlessBackend::ShowMessageBox(const std::string& text, const std::string& caption, MessageIcon icon) {
  ScriptAnswer a;
  int result = 1;  // OK
  if (TakeAnswer(
          [](const ScriptAnswer& x) {
            return x.kind == ScriptAnswer::Kind::Ok || x.kind == ScriptAnswer::Kind::Cancel;
          },
          &a))
    result = a.kind == ScriptAnswer::Kind::Ok ? IDOK : IDCANCEL;
  messageBoxes_.push_back({text, caption, icon, result});
  // The box is modal: the devices' notifications keep flowing while it is up.
  DeliverPostedMessages();
  return result;
}

std::optional<std::string> HeadlessBackend::ChooseFile(const FileDialogRequest& request) {
  ScriptAnswer a;
  std::optional<std::string> result;
  if (TakeAnswer(
          [](const ScriptAnswer& x) {
            return x.kind == ScriptAnswer::Kind::File || x.kind == ScriptAnswer::Kind::Cancel;
          },
          &a) &&
      a.kind == ScriptAnswer::Kind::File) {
    std::string path = a.path;
    // A name typed without an extension gets the dialog's default one, as the real dialog does.
    if (!request.defaultExtension.empty() && !std::filesystem::path(path).has_extension())
      path += "." + request.defaultExtension;
    result = path;
  }
  fileDialogs_.push_back({request, result});
  DeliverPostedMessages();
  return result;
}

int HeadlessBackend::RunModalDialog(DialogModel& dialog) {
  dialog.ended = false;
  dialog.result = 0;
  if (dialog.procedure) dialog.procedure(dialog, WM_INITDIALOG, 0, 0);
  // Queued dialog answers are the user's clicks; with none left the user presses OK. A dialog
  // that refuses OK is cancelled, and one that refuses both is ended by force (its procedure
  // is broken: a real user could not leave it either).
  int defaultsTried = 0;
  while (!dialog.ended) {
    DeliverPostedMessages();
    if (dialog.ended) break;
    ScriptAnswer a;
    const bool have =
        TakeAnswer([](const ScriptAnswer& x) { return x.kind != ScriptAnswer::Kind::File; }, &a);
    if (!dialog.procedure) {
      dialog.End(IDCANCEL);
      break;
    }
    if (!have) {
      if (defaultsTried >= 2) {
        dialog.End(IDCANCEL);
        break;
      }
      dialog.procedure(dialog, WM_COMMAND, defaultsTried++ == 0 ? IDOK : IDCANCEL, 0);
      continue;
    }
    switch (a.kind) {
      case ScriptAnswer::Kind::Scroll:
        dialog.procedure(dialog, WM_HSCROLL, a.scrollCode | (static_cast<uintptr_t>(a.thumb) << 16),
                         a.controlId);
        break;
      case ScriptAnswer::Kind::Select:
        // The user picks an entry: the list shows it, and the procedure hears of the change.
        if (auto* c = dialog.Control(a.controlId);
            c && c->kind == DialogControlKind::List && a.thumb < static_cast<int>(c->items.size())) {
          dialog.SetScrollPosition(a.controlId, a.thumb);
          dialog.procedure(dialog, WM_COMMAND, static_cast<uintptr_t>(a.controlId) | (LBN_SELCHANGE << 16),
                           0);
        } else {
          if (error_.empty())
            error_ = "line " + std::to_string(a.lineNumber) + ": no list entry " + std::to_string(a.thumb) +
                     " in control " + std::to_string(a.controlId) + " of dialog " +
                     std::to_string(dialog.resourceId);
        }
        break;
      case ScriptAnswer::Kind::Ok:
      case ScriptAnswer::Kind::DialogOk:
        dialog.procedure(dialog, WM_COMMAND, IDOK, 0);
        break;
      default:
        dialog.procedure(dialog, WM_COMMAND, IDCANCEL, 0);
        break;
    }
  }
  modalDialogs_.push_back({dialog.resourceId, dialog.title, dialog.result});
  return dialog.result;
}

void HeadlessBackend::ShowModelessDialog(DialogModel& dialog) {
  // The program keeps MainUi.openDialogs itself; a headless dialog has nothing to show.
  ++dialog.revision;
}

void HeadlessBackend::CloseModelessDialog(DialogModel& dialog) { ++dialog.revision; }

bool HeadlessBackend::OpenDocument(const std::string& path) {
  openedDocuments_.push_back(path);
  std::error_code ec;
  return std::filesystem::is_regular_file(path, ec);
}

std::optional<PrinterPage> HeadlessBackend::ChoosePrinter() {
  if (!config_.printerPresent) return std::nullopt;
  return config_.printer;
}

bool HeadlessBackend::PrintPage(const canvas::Surface& picture, const canvas::PaletteEntry*, UiRect destination,
                                const std::string& documentName) {
  printedPages_.push_back({picture, destination, documentName});
  return true;
}

