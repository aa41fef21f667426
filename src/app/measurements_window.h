#pragma once
// The Measurements window (modeless): the voice report of Sample A and Sample B side by side with
// B - A while the display is frozen, the same figures for the last second of sound while the
// analysis or a playback runs (refreshed about twice a second), and the musical readouts of the
// spectrum cursor against a reference pitch. Opened by Project > Measurements and the key M; it
// opens where it was closed last. Also the Save menu's Export Measurements and Save Sample Bundle.
#include <cstdint>
#include <string>
#include <vector>

#include "interaction/measurements_table.h"
#include "platform/ui_model.h"

enum MeasurementsIds : int {
  kMeasurementsDialog = 120,
  kViewOnlyCheck = 1201,   // "View only": the 2048 frames at the view position
  kReferenceBar = 1202,    // A4 reference, 415..466 Hz
  kReferenceLabel = 1203,  // "A4 = 440 Hz"
  kCursorReadout = 1204,   // "Cursor  1046 Hz  C6 +3 c  H5"
  kStatusLabel = 1205,     // what the figures are taken over
  kFirstCell = 1300,       // table cell (row, column) = kFirstCell + 4 x row + column; row 0 the header
};

// Where the figures of a column came from, so that they are measured again only when it changes.
struct FiguresSource {
  bool held = false;
  uint64_t checksum = 0;
  int heldBytes = 0;
  float elapsedMs = 0;
  int viewPosition = -1;  // view only
  bool operator==(const FiguresSource&) const = default;
};

struct MeasurementsWindowState {
  DialogModel Dialog;
  bool Open = false;
  // Where it stood when closed last (screen pixels); PositionSet false until then (centred).
  int Left = 0, Top = 0;
  bool PositionSet = false;
  bool ViewOnly = false;
  int ReferenceA4Hz = 440;
  bool Live = false;  // the A column holds the last second of a running activity
  SampleFigures A, B;
  FiguresSource SourceA, SourceB;
  double LastLiveMs = -1e9;  // when the live figures were measured last
  std::vector<MeasurementsRow> Table;
  std::string Cursor;  // the cursor readout
  std::string Status;
};

extern MeasurementsWindowState MeasurementsWindow;

// Start values (program reset, tests): forgets the models; closes nothing.
void ResetMeasurementsWindowState();

// Project > Measurements and the key M: opens the window, or leaves an open one as it is.
void OpenMeasurementsWindow();
void CloseMeasurementsWindow();
// Measures again what changed and updates the table. Live figures at most every 500 ms; held
// figures when a sample, the view position (view only) or a setting of the window changed.
void RefreshMeasurementsWindow();
// A main-window command meant for the window (the scripted user's "click 1201"); false when not.
bool ForwardMeasurementsCommand(int id);

// Save > Export Measurements... and Save > Save Sample Bundle... (frozen only).
void ExportMeasurementsCommand();
void SaveSampleBundleCommand();
