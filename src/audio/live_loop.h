#pragma once
// The real-time analysis loop. It runs inside the command that started live analysis and pumps
// the message queue itself between steps, so commands re-enter the window procedure while it is
// on the stack; it ends when Mode.StopRequested is set. Each step (every 10 or 20 ms, see
// audio/paced_loop.h) takes the 2048 frames heard at its time out of the capture ring (75 ms
// behind the device position), or, while frozen, out of the held sample at the view position;
// computes the spectrum, optionally F0 and the audio-minus-EGG difference spectrum, and averages
// over the last spectra. Frames are drawn at the screen's refresh rate.
#include <array>
#include <cstdint>
#include <vector>

#include "audio/f0_tracker.h"

struct LiveLoopState {
  // Work arrays, allocated at each start and kept for the next (steps allocate nothing).
  std::vector<int16_t> AudioSegment;        // 2048: raw segment, then its spectrum in 0..1023
  std::vector<int16_t> EggSegment;          // 2048: glottogram segment (two channels only)
  std::vector<int16_t> F0Segment;           // 2048: copy of the audio segment, F0 spectrum in place
  std::vector<int16_t> LatestSpectrum;      // 1024: un-averaged spectrum of the newest live segment
  std::vector<int16_t> DifferenceSpectrum;  // 1024: audio minus glottogram spectrum (last 4 stay 0)
  std::vector<int16_t> SmoothedDifference;  // 1024
  std::vector<int16_t> SilentEgg;           // 2048: the glottogram of a one-channel run (silence)

  std::array<int16_t, 2048> AveragedSpectrum{};   // current (0..1023) and previous (1024..)
  std::array<int16_t, 2048> DifferenceAverage{};  // current and previous
  std::array<int16_t, 1024> F0Average{};

  double SinceLoopStart = 0;   // ms, at the newest wake of the loop
  double SinceLastBuffer = 0;  // ms
  int StepCounter = 0;         // steps since the last bandwidth update (0..19)
  std::array<int, 32> IntervalHistory{};  // ms between steps, newest first
  int AchievedUpdatePeriodMs = 0;         // their mean, shown by the options dialog

  F0TrackerState F0;
  int F0Tens = 0;  // F0A / 10

  // The device position (frames) read at the newest wake of the loop; -1 with no device.
  int64_t LastDevicePosition = -1;
  // The device position (frames) at the newest step's own time, its segment ending 75 ms before.
  int64_t NewestStepPosition = -1;
  // Counts for tests and measurements: frames drawn, steps abandoned by the guard.
  long long StepsDrawn = 0;
  long long StepsAbandoned = 0;
  long long StepsTaken = 0;  // analysis steps of any loop, abandoned ones included
  double NewestStepMs = 0;   // loop time of the newest step, ms after the loop's start
};

extern LiveLoopState LiveLoop;

// What the loop needs from the window, which it may not reach itself.
struct LiveLoopHooks {
  // Copies the frame (0, 0, width, height) to the window picture and shows it.
  void (*presentFrame)(int width, int height) = nullptr;
  // Sets the position scroll bar to 0..range at `position`.
  void (*setViewScrollBar)(int range, int position) = nullptr;
  void (*focusMainWindow)() = nullptr;
  // After the freeze copy: the automatic Store of the signals variant, FillFrame, the cursor.
  void (*afterFreezeCopy)() = nullptr;
  // The time the analysis (re)started, ms: set by the loop at its start, moved by an unfreeze.
  double* loopStartTime = nullptr;
};

enum class LiveLoopEnd {
  Stopped,       // StopRequested
  DeviceFailed,  // the capture device stopped delivering
  NoFftTables,   // the analysis tables could not be built: the loop did not start
};

LiveLoopEnd RunLiveLoop(const LiveLoopHooks& hooks);
