#pragma once
// The analysis half of one loop step, on the segments the step copied into LiveLoop: the F0
// estimate, the averaged audio spectrum and the displayed spectrum, the difference spectrum.
// Needs the FFT tables and the history blocks; allocates nothing.

// Allocates (once more) and zeroes the work arrays of LiveLoop.
void AllocateLiveWorkArrays();

// The loop a step belongs to: their rules differ in three points.
//                        F0 peak moved right   difference spectrum   negative spectrum averages
//   Live                 up to 2 bins          any channel count     set to 0
//   File                 not moved             2 channels only       kept
//   Signals (Play A/B)   up to 2 bins          2 channels only       kept
enum class AnalysisLoop { Live, File, Signals };

struct SegmentView {
  AnalysisLoop loop = AnalysisLoop::Live;
  bool frozen = false;        // a held sample is viewed: histories are not advanced
  int viewedSample = 0;       // 0 A, 1 B (frozen only)
  bool inCapturedPart = true; // frozen only: the view lies in the part of the sample holding sound
  int channels = 1;
};

// Steps 9 to 11: F0 (when on, or in %F0 bandwidth mode), the audio spectrum and its average, the
// displayed spectrum, the difference spectrum (Difference type only), by the rules of view.loop.
void AnalyseSegment(const SegmentView& view);

// Hands the analysis bandwidth of the settings to the window set-up: BandwidthHz, or in %F0 mode
// BandwidthPercentF0 of the current F0 estimate (whole tens of Hz).
void ApplyAnalysisBandwidth();

// Keeps the mean of the last 32 step intervals (ms) as AchievedUpdatePeriodMs.
void NoteStepInterval(double intervalMs);

// Draws the frame for `displayTimeMs` and shows it (when a frame exists), and gives the focus back
// after a closed options dialog. True when a frame was drawn.
bool DrawLoopFrame(int displayTimeMs, void (*presentFrame)(int width, int height), void (*focusMainWindow)());

// After every analysis step: the %F0 bandwidth follows F0 every 20 steps.
void CountAnalysisStep();

// The traces keep the segment drawn last in their second half, for the panels' erase pass.
void KeepLastTraces(int channels);

