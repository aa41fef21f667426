#pragma once
// The pace and the segment step shared by the activity loops (live analysis, file playback and
// playback of a held sample). Analysis steps are taken on a fixed grid of the loop's clock, so that
// an average over N spectra covers N step periods on any machine; each step analyses the segment
// heard at its own grid time, even when it runs a little later. Frames are drawn at the screen's
// refresh rate, and every spectrogram and envelope column shows the segment of its own moment.
// Between steps and frames the loop waits for input, which ends the wait at once. A frozen view is
// drawn again only after something happened (a message, a user action), and otherwise rarely.
#include <cstdint>

#include "audio/analysis_step.h"

// Analysis step period (ms): 10 in the layouts with a spectrogram or signals beside it (F1, F2,
// F3, F5), 20 in the others.
int AnalysisStepPeriodMs(int displayMode);
// Frame period (ms): the screen's refresh rate, held between 50 and 120 frames a second.
double FramePeriodMs();

enum class StepCopy {
  Copied,  // the segment is in LiveLoop's segment arrays and the traces
  Skip,    // nothing to analyse at this time: the step is abandoned
  End,     // the loop ends
};

enum class WakeAction {
  Proceed,  // take the steps and the frame that are due
  Again,    // pump again first
  End,      // the loop ends
};

// What a loop supplies. Every hook but the ones marked optional must be set.
struct PacedLoop {
  bool (*stopping)() = nullptr;
  // Called after every pump with the clock's time: the loop's own checks (device, freeze copy,
  // refills, end of file).
  WakeAction (*afterPump)(double nowMs) = nullptr;
  // Copies the segment of a step at loop time t (ms), or, frozen, the held sample at the view
  // position, and fills in *view.
  StepCopy (*copyStep)(double t, bool frozen, SegmentView* view) = nullptr;
  // Copies the 2048 audio values a step at loop time t would take into audio, and the audio trace
  // (the delay applied) into trace. False when there is no sound at that time.
  bool (*copyColumn)(double t, int16_t* audio, int16_t* trace) = nullptr;
  // The loop time (ms) of the moment shown by a column at display time displayMs.
  double (*columnTime)(double displayMs) = nullptr;
  int (*displayTime)(double nowMs) = nullptr;   // the display time of a frame drawn at nowMs
  void (*keepTraces)() = nullptr;               // keeps the traces drawn last for the erase pass
  void (*afterAnalysis)() = nullptr;            // optional: after each analysed step
  void (*presentFrame)(int width, int height) = nullptr;  // optional
  void (*focusMainWindow)() = nullptr;                    // optional
  long long* framesDrawn = nullptr;   // optional counters
  long long* stepsSkipped = nullptr;
};

// Runs the loop from startMs (the loop's clock) until stopping() or a hook ends it.
void RunPacedLoop(const PacedLoop& loop, double startMs);

// A device position (frames) at any recent time, from one reading of it: the position advances
// smoothly at the sample rate from an anchor, which is taken again when the device's own reading
// departs from it by more than kResyncMs (a device clock that drifts, a device that started late).
struct PositionEstimate {
  double anchorMs = 0;
  int64_t anchorFrames = 0;
  bool valid = false;
};
inline constexpr double kResyncMs = 30;
// Takes the reading `frames` at nowMs into the estimate.
void NotePosition(PositionEstimate& e, double nowMs, int64_t frames, int rate);
int64_t PositionAt(const PositionEstimate& e, double t, int rate);
