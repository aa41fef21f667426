#include "app/measurements_window.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "app/window_state.h"
#include "audio/frozen_view.h"
#include "display/display_state.h"
#include "display/panel_state.h"
#include "display/sample_slots.h"
#include "interaction/musical_readout.h"
#include "interaction/sample_bundle.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "platform/preferences.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

MeasurementsWindowState MeasurementsWindow;

void ResetMeasurementsWindowState() { MeasurementsWindow = MeasurementsWindowState{}; }

namespace {

constexpr int kRowHeight = 18;
constexpr int kTableTop = 8;
constexpr int kColumnX[4] = {8, 140, 300, 460};
constexpr int kColumnWidth[4] = {128, 156, 156, 140};
constexpr int kWidth = 608;
constexpr double kLivePeriodMs = 500;
constexpr const char* kPlaceKey = "MeasurementsWindow/place";

int TableRows() { return static_cast<int>(MeasurementsRowNames().size()) + 1; }

DialogModel MakeDialog() {
  DialogModel d;
  d.resourceId = kMeasurementsDialog;
  d.title = "Measurements";
  d.modal = false;
  using K = DialogControlKind;
  const int rows = TableRows();
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < 4; ++c)
      d.Add(kFirstCell + 4 * r + c, K::Label, "",
            {kColumnX[c], kTableTop + r * kRowHeight, kColumnWidth[c], 16});
  int y = kTableTop + rows * kRowHeight + 8;
  d.Add(kCursorReadout, K::Label, "", {8, y, 440, 16});
  y += 24;
  d.Add(kReferenceLabel, K::Label, "", {8, y + 2, 100, 16});
  DialogControlModel bar;
  bar.id = kReferenceBar;
  bar.kind = K::ScrollBar;
  bar.rect = {112, y, 180, 18};
  bar.minimum = kReferenceA4Lowest;
  bar.maximum = kReferenceA4Highest;
  bar.lineStep = 1;
  bar.pageStep = 5;
  d.controls.push_back(bar);
  d.Add(kViewOnlyCheck, K::CheckBox, "View only", {312, y, 120, 20});
  y += 28;
  d.Add(kStatusLabel, K::Label, "", {8, y + 4, 440, 16});
  d.Add(IDCANCEL, K::Button, "Close", {kWidth - 88, y, 80, 26});
  d.width = kWidth;
  d.height = y + 36;
  return d;
}

// A cheap fingerprint of a sample's held part (every 61st value), so that a new freeze with the
// same length is still seen as new.
uint64_t Checksum(const std::vector<uint8_t>& sample, int bytes) {
  uint64_t h = 1469598103934665603ull;
  const int n = std::min(bytes, static_cast<int>(sample.size()));
  for (int i = 0; i < n; i += 122)
    h = (h ^ sample[i] ^ (static_cast<uint64_t>(sample[i + 1 < n ? i + 1 : i]) << 8)) * 1099511628211ull;
  return h;
}

FiguresSource HeldSource(int which) {
  const auto& s = Samples;
  FiguresSource src;
  if (which == 1 && !Mode.SampleBStored) return src;
  src.held = true;
  src.heldBytes = which ? s.HeldBytesB : s.HeldBytesA;
  src.elapsedMs = which ? s.FreezeElapsedB : s.FreezeElapsedA;
  src.checksum = Checksum(which ? s.SampleB : s.SampleA, src.heldBytes);
  if (MeasurementsWindow.ViewOnly)
    src.viewPosition =
        LiveView.ViewedSample == which ? LiveView.ViewPosition : (which ? s.CursorXB : s.CursorX);
  return src;
}

bool Running() { return Mode.ActivityActive && (!Mode.Frozen || Mode.PlayingSignals); }

std::string CursorText(const SampleFigures& a) {
  const int width = Display.Panels.Spectrum.width;
  const int offset = PanelCursors.SpectrumCursorA;
  if (width <= 0 || offset <= 0) return "Cursor  --";
  const double hz = static_cast<double>(offset) * AnalysisSettings.FreqScaleHz / width;
  const double f0 = a.present && a.report.f0Hz.mean > 0 ? a.report.f0Hz.mean : Samples.F0A;
  return "Cursor  " + FormatCursorReadout(hz, f0, MeasurementsWindow.ReferenceA4Hz);
}

// Touches only the controls whose content changed, so that a frozen loop's frames do not make the
// backend mirror the window again and again.
void ShowTable() {
  auto& w = MeasurementsWindow;
  DialogModel& d = w.Dialog;
  bool changed = false;
  const auto text = [&](int id, const std::string& t) {
    const DialogControlModel* c = d.Control(id);
    if (c && c->text != t) d.SetText(id, t), changed = true;
  };
  for (size_t r = 0; r < w.Table.size(); ++r)
    for (int c = 0; c < 4; ++c) text(kFirstCell + 4 * static_cast<int>(r) + c, w.Table[r][c]);
  text(kCursorReadout, w.Cursor);
  text(kReferenceLabel, "A4 = " + std::to_string(w.ReferenceA4Hz) + " Hz");
  text(kStatusLabel, w.Status);
  const DialogControlModel* bar = d.Control(kReferenceBar);
  if (bar && bar->position != w.ReferenceA4Hz)
    d.SetScrollPosition(kReferenceBar, w.ReferenceA4Hz), changed = true;
  const DialogControlModel* check = d.Control(kViewOnlyCheck);
  if (check && check->checked != w.ViewOnly) d.SetChecked(kViewOnlyCheck, w.ViewOnly), changed = true;
  if (changed) UiChanged();
}

void Update(bool force) {
  auto& w = MeasurementsWindow;
  const bool running = Running();
  if (running) {
    const double now = NowMs();
    if (force || !w.Live || now - w.LastLiveMs >= kLivePeriodMs) {
      w.LastLiveMs = now;
      w.Live = true;
      SampleFigures fresh = MeasureLastSecond();
      // Keep the last figures while the activity has not yet a second of sound to give.
      if (fresh.present || !w.A.present) w.A = std::move(fresh);
      w.B = SampleFigures{};
      w.SourceA = w.SourceB = FiguresSource{};
    }
    w.Status = "Live: the last second of sound";
  } else if (Mode.Frozen) {
    if (w.Live) w.A = SampleFigures{};
    w.Live = false;
    const FiguresSource a = HeldSource(0), b = HeldSource(1);
    if (force || !(a == w.SourceA)) {
      w.A = MeasureHeldSample(0, w.ViewOnly);
      w.SourceA = a;
    }
    if (force || !(b == w.SourceB)) {
      w.B = b.held ? MeasureHeldSample(1, w.ViewOnly) : SampleFigures{};
      w.SourceB = b;
    }
    w.Status = w.ViewOnly ? "Frozen: the 2048 frames at the view position"
                          : "Frozen: the whole held part of each sample";
  } else {
    w.Live = false;
    w.A = w.B = SampleFigures{};
    w.SourceA = w.SourceB = FiguresSource{};
    w.Status = "Nothing held: run the analysis or play a file";
  }
  w.Table = BuildMeasurementsTable(w.A, w.B, w.ReferenceA4Hz);
  w.Cursor = CursorText(w.A);
  ShowTable();
}

void SetReference(int hz) {
  MeasurementsWindow.ReferenceA4Hz = std::clamp(hz, kReferenceA4Lowest, kReferenceA4Highest);
  Update(false);
}

intptr_t MeasurementsProc(DialogModel& d, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  auto& w = MeasurementsWindow;
  switch (message) {
    case WM_INITDIALOG:
      if (w.PositionSet) {
        d.x = w.Left;
        d.y = w.Top;
      } else {
        d.x = std::max(0, (Window.ScreenWidth - d.width) / 2);
        d.y = std::max(0, (Window.ScreenHeight - d.height) / 2);
      }
      d.SetScrollRange(kReferenceBar, kReferenceA4Lowest, kReferenceA4Highest);
      return 1;
    case WM_CLOSE:
      CloseMeasurementsWindow();
      return 1;
    case WM_COMMAND: {
      const int id = static_cast<int>(wParam & 0xFFFF);
      if (id == kViewOnlyCheck) {
        w.ViewOnly = !w.ViewOnly;
        Update(false);
      } else if (id == IDCANCEL || id == IDOK) {
        CloseMeasurementsWindow();
      } else {
        return 0;
      }
      SetMainFocus();
      return 1;
    }
    case WM_HSCROLL: {
      if (lParam != kReferenceBar) return 0;
      const auto code = static_cast<uint32_t>(wParam & 0xFFFF);
      const int thumb = static_cast<int>(wParam >> 16);
      int hz = w.ReferenceA4Hz;
      if (code == SB_LINELEFT) hz -= 1;
      if (code == SB_LINERIGHT) hz += 1;
      if (code == SB_PAGELEFT) hz -= 5;
      if (code == SB_PAGERIGHT) hz += 5;
      if (code == SB_LEFT) hz = kReferenceA4Lowest;
      if (code == SB_RIGHT) hz = kReferenceA4Highest;
      if (code == SB_THUMBPOSITION || code == SB_THUMBTRACK) hz = thumb;
      SetReference(hz);
      return 1;
    }
    default:
      return 0;
  }
}

}  // namespace

void OpenMeasurementsWindow() {
  auto& w = MeasurementsWindow;
  if (w.Open && DialogShown(&w.Dialog)) return;
  w.Dialog = MakeDialog();
  // The first time in a run it opens where it was closed in the last run, if that still fits.
  if (const auto place = ReadWindowPlace(kPlaceKey); place && !w.PositionSet) {
    w.Left = place->x;
    w.Top = place->y;
    w.PositionSet = true;
  }
  w.Dialog.procedure = MeasurementsProc;
  w.Dialog.procedure(w.Dialog, WM_INITDIALOG, 0, 0);
  w.Open = true;
  w.SourceA = w.SourceB = FiguresSource{};
  Update(true);
  MainUi.openDialogs.push_back(&w.Dialog);
  if (HasBackend()) CurrentBackend().ShowModelessDialog(w.Dialog);
  SetMainFocus();
  UiChanged();
}

void CloseMeasurementsWindow() {
  auto& w = MeasurementsWindow;
  if (!w.Open) return;
  w.Open = false;
  w.Left = w.Dialog.x;
  w.Top = w.Dialog.y;
  w.PositionSet = true;
  WriteWindowPlace(kPlaceKey, {w.Left, w.Top, w.Dialog.width, w.Dialog.height});
  w.Dialog.End(IDCANCEL);
  if (DialogShown(&w.Dialog)) {
    std::erase(MainUi.openDialogs, &w.Dialog);
    if (HasBackend()) CurrentBackend().CloseModelessDialog(w.Dialog);
  }
  UiChanged();
}

void RefreshMeasurementsWindow() {
  if (MeasurementsWindow.Open) Update(false);
}

bool ForwardMeasurementsCommand(int id) {
  if (id != kViewOnlyCheck || !MeasurementsWindow.Open) return false;
  MeasurementsProc(MeasurementsWindow.Dialog, WM_COMMAND, static_cast<uintptr_t>(id), 0);
  return true;
}

namespace {

std::optional<std::string> AskPath(const char* title, const char* filter, const char* extension,
                                   bool folder) {
  FileDialogRequest r;
  r.save = true;
  r.title = title;
  if (filter) r.filters.push_back({filter, {std::string("*.") + extension}});
  r.defaultExtension = extension ? extension : "";
  r.confirmOverwrite = !folder;
  r.folder = folder;
  auto chosen = CurrentBackend().ChooseFile(r);
  if (!chosen || chosen->empty()) return std::nullopt;
  return chosen;
}

void Tell(const std::string& text) {
  CurrentBackend().ShowMessageBox(text, "Taldrinex", MessageIcon::Exclamation);
}

}  // namespace

void ExportMeasurementsCommand() {
  if (!Mode.Frozen || Mode.PlayingSignals) return;
  const auto path = AskPath("Export Measurements", "Measurement Files (*.csv)", "csv", false);
  if (!path) return;
  SetCursorShape(CursorShape::Wait);
  const std::string csv = CyclesCsv(MeasureBothHeldSamples());
  std::string error;
  const bool ok = WriteTextFile(*path, csv, &error);
  SetCursorShape(CursorShape::Arrow);
  if (!ok) Tell("Cannot write " + *path + ": " + error);
  SetMainFocus();
}

void SaveSampleBundleCommand() {
  if (!Mode.Frozen || Mode.PlayingSignals) return;
  const auto folder = AskPath("Save Sample Bundle", nullptr, nullptr, true);
  if (!folder) return;
  std::error_code ec;
  const std::filesystem::path p(*folder);
  if (std::filesystem::is_directory(p, ec) && !std::filesystem::is_empty(p, ec)) {
    const int answer = CurrentBackend().AskOkCancel(
        "The folder " + *folder + " exists. Replace its contents with the sample bundle?", "Taldrinex");
    if (answer != IDOK) return;
  }
  SetCursorShape(CursorShape::Wait);
  const HeldFigures figures = MeasureBothHeldSamples();
  std::string error;
  const bool ok =
      WriteFolderAtomically(*folder, SampleBundleFiles(figures, MeasurementsWindow.ReferenceA4Hz), &error);
  SetCursorShape(CursorShape::Arrow);
  if (!ok) Tell("The sample bundle was not saved. " + error);
  SetMainFocus();
}
