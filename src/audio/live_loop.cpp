#include "audio/live_loop.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "analysis/fft_tables.h"
#include "audio/analysis_step.h"
#include "audio/capture_device.h"
#include "audio/frozen_view.h"
#include "audio/paced_loop.h"
#include "audio/ring_segment.h"
#include "display/display_frame.h"
#include "display/display_state.h"
#include "display/sample_slots.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

LiveLoopState LiveLoop;

namespace {

bool Stopping() { return Mode.StopRequested != 0; }

// The newest segment's place in the ring: by the device position when there is a device, by the
// clock since the last returned buffer otherwise.
RingSegment LocateLiveSegment(bool* haveRaw, int64_t* raw) {
  const auto& c = Capture;
  const int latency = AnalysisSettings.InputLatencyMs;
  *haveRaw = c.CaptureDevice && !c.DeviceClosing;
  if (*haveRaw) {
    *raw = c.CaptureDevice->PositionFrames();
    RingSegment s = LocateByPosition(*raw, latency, c.SampleRate, c.CaptureBufferFrames);
    Capture.FillingSecondBuffer = s.fillingSecond;
    return s;
  }
  return LocateByClock(LiveLoop.SinceLastBuffer, latency, c.SampleRate, c.CaptureBufferFrames, c.FillingSecondBuffer);
}

void FreezeCopy(const LiveLoopHooks& hooks, double now, bool haveRaw, int64_t raw) {
  auto& c = Capture;
  auto& s = Samples;
  s.FreezeElapsedA = static_cast<float>(now - *hooks.loopStartTime);
  // The unrolled ring ends where the device is now (no latency). The buffer being filled is
  // taken from that same position, so a freeze just after a buffer boundary stays in order.
  int64_t end = raw;
  if (!haveRaw) {
    end = static_cast<int64_t>(std::trunc(LiveLoop.SinceLastBuffer)) * c.SampleRate / 1000 +
          static_cast<int64_t>(c.FillingSecondBuffer) * c.CaptureBufferFrames;
  }
  end = std::max<int64_t>(end, 0);
  const auto filling = static_cast<uint8_t>((end / c.CaptureBufferFrames) % 2);
  const int q = static_cast<int>(end % c.CaptureBufferFrames) * c.BlockAlign;
  UnrollRing(CaptureBuffer(0), CaptureBuffer(1), c.CaptureBufferBytes, q, filling, c.UnrolledCapture);
  CopyNewestIntoSample(c.UnrolledCapture, LiveLoop.SinceLoopStart, s.SampleSeconds, c.SampleRate, c.BlockAlign,
                       s.SampleA);
  s.HeldBytesA = s.SampleBytes;
  LiveView.ViewPosition = FreezeViewPosition(LiveLoop.SinceLoopStart, s.SampleSeconds);
  if (hooks.setViewScrollBar) hooks.setViewScrollBar(kViewRange, LiveView.ViewPosition);
  LiveView.ViewedSample = 0;
  Mode.FreezePending = 0;
  if (hooks.afterFreezeCopy) hooks.afterFreezeCopy();
}

// Steps 6 and 8 while frozen: 2048 frames of the viewed sample at the view position. Returns
// whether the view lies in the part of the sample that holds sound.
bool CopyFrozenSegment(int channels) {
  auto& s = Samples;
  auto& L = LiveLoop;
  const bool b = LiveView.ViewedSample == 1;
  (b ? s.CursorXB : s.CursorX) = LiveView.ViewPosition;
  const std::vector<uint8_t>& sample = b ? s.SampleB : s.SampleA;
  const int delayUnits = b ? s.AudioDelayB : s.AudioDelayA;
  const float delayMs = static_cast<float>(delayUnits * 0.05);
  const int delayFrames = static_cast<int>(std::trunc(delayUnits * 0.05 * AnalysisSettings.SampleRate / 1000.0));
  (b ? s.AudioDelayMsB : s.AudioDelayMsA) = delayMs;
  (b ? s.AudioDelayFramesB : s.AudioDelayFramesA) = delayFrames;
  const int blockAlign = 2 * channels;
  const int sampleBytes = std::min(s.SampleBytes, static_cast<int>(sample.size()));
  const FrozenSegment seg = LocateFrozenSegment(LiveView.ViewPosition, sampleBytes, blockAlign, delayFrames, LiveView);

  const int seconds = b ? (s.StoredSecondsB > 0 ? s.StoredSecondsB : s.SampleSeconds) : s.SampleSeconds;
  const double viewMs = static_cast<double>(LiveView.ViewPosition) * seconds * 1000.0 / kViewRange;
  const bool captured = viewMs <= (b ? s.FreezeElapsedB : s.FreezeElapsedA);
  auto& audioTrace = b ? s.TraceB1 : s.TraceA1;
  auto& eggTrace = b ? s.TraceB2 : s.TraceA2;
  if (captured && seg.fits) {
    const uint8_t* base = sample.data();
    for (int i = 0; i < kSegmentFrames; ++i) {
      const uint8_t* a = base + static_cast<size_t>(seg.audioStart + i) * blockAlign;
      const auto av = static_cast<int16_t>(static_cast<uint16_t>(a[0] | (a[1] << 8)));
      L.AudioSegment[i] = av;
      audioTrace[i] = av;
      if (channels == 2) {
        const uint8_t* e = base + static_cast<size_t>(seg.segmentStart + i) * blockAlign + 2;
        const auto ev = static_cast<int16_t>(static_cast<uint16_t>(e[0] | (e[1] << 8)));
        L.EggSegment[i] = ev;
        eggTrace[i] = ev;
      }
    }
  } else {
    // Beyond the captured sound the traces are empty; the segments keep their old content.
    std::fill(audioTrace.begin() + 1, audioTrace.begin() + kSegmentFrames, 0);
    if (channels == 2) std::fill(eggTrace.begin() + 1, eggTrace.begin() + kSegmentFrames, 0);
  }
  return captured;
}

// The hooks of the running loop, and what the step hooks share within one wake of the loop.
struct LiveRun {
  LiveLoopHooks hooks;
  int channels = 1;
  bool deviceFailed = false;
  PositionEstimate position;
  bool haveRaw = false;  // a device tells its position (else the ring is located by the clock)
};
LiveRun Run;

// The capture position a step at loop time t reads at: by the device's position when there is a
// device, by the clock since the last returned buffer otherwise.
RingSegment LocateAt(double t, int64_t* position = nullptr) {
  const auto& c = Capture;
  const int latency = AnalysisSettings.InputLatencyMs;
  if (Run.haveRaw) {
    const int64_t p = PositionAt(Run.position, t, c.SampleRate);
    if (position) *position = p;
    return LocateByPosition(p, latency, c.SampleRate, c.CaptureBufferFrames);
  }
  return LocateByClock(t - c.LastBufferTime, latency, c.SampleRate, c.CaptureBufferFrames, c.FillingSecondBuffer);
}

bool LiveStopping() { return Stopping(); }

WakeAction LiveAfterPump(double now) {
  auto& L = LiveLoop;
  if (Capture.CaptureDevice && !Capture.DeviceClosing && !Capture.CaptureDevice->Healthy()) {
    Run.deviceFailed = true;
    return WakeAction::End;
  }
  L.SinceLastBuffer = now - Capture.LastBufferTime;
  L.SinceLoopStart = now - *Run.hooks.loopStartTime;
  bool haveRaw = false;
  int64_t raw = 0;
  LocateLiveSegment(&haveRaw, &raw);
  L.LastDevicePosition = haveRaw ? raw : -1;
  Run.haveRaw = haveRaw;
  if (haveRaw) NotePosition(Run.position, now, raw, Capture.SampleRate);
  // The freeze copy on the first wake after Freeze.
  if (Mode.FreezePending) FreezeCopy(Run.hooks, now, haveRaw, raw);
  return WakeAction::Proceed;
}

StepCopy LiveCopyStep(double t, bool frozen, SegmentView* view) {
  auto& L = LiveLoop;
  auto& s = Samples;
  view->channels = Run.channels;
  view->frozen = frozen;
  if (frozen) {
    view->viewedSample = LiveView.ViewedSample;
    view->inCapturedPart = CopyFrozenSegment(Run.channels);
    return StepCopy::Copied;
  }
  const RingSegment ring = LocateAt(t, &L.NewestStepPosition);
  // A segment that would run past its buffer is not analysed.
  if (!ring.usable) return StepCopy::Skip;
  CopyRingSegment(CaptureBuffer(0), CaptureBuffer(1), ring, Capture.CaptureBufferFrames, Run.channels,
                  s.AudioDelayFramesA, L.AudioSegment.data(), s.TraceA1.data(), L.EggSegment.data(), s.TraceA2.data());
  return StepCopy::Copied;
}

bool LiveCopyColumn(double t, int16_t* audio, int16_t* trace) {
  const RingSegment ring = LocateAt(t);
  if (!ring.usable) return false;
  // One channel's copy leaves the glottogram alone: these point at nothing that is read.
  std::array<int16_t, kSegmentFrames> egg{};
  CopyRingSegment(CaptureBuffer(0), CaptureBuffer(1), ring, Capture.CaptureBufferFrames, Run.channels,
                  Samples.AudioDelayFramesA, audio, trace, egg.data(), egg.data());
  return true;
}

// The spectrogram lags the loop by 93 ms: a column at display time D shows the step at D + 93.
constexpr int kDisplayLagMs = 93;

double LiveColumnTime(double displayMs) { return *Run.hooks.loopStartTime + displayMs + kDisplayLagMs; }

int LiveDisplayTime(double now) { return static_cast<int>(std::trunc(now - *Run.hooks.loopStartTime)) - kDisplayLagMs; }

void LiveKeepTraces() { KeepLastTraces(Run.channels); }

}  // namespace

LiveLoopEnd RunLiveLoop(const LiveLoopHooks& hooks) {
  auto& L = LiveLoop;
  double fallbackStart = 0;
  LiveRun run;
  run.hooks = hooks;
  if (!run.hooks.loopStartTime) run.hooks.loopStartTime = &fallbackStart;

  PumpMessages();
  if (!EnsureFftTables()) return LiveLoopEnd::NoFftTables;
  L.F0 = F0TrackerState{};
  ApplyAnalysisBandwidth();
  AllocateLiveWorkArrays();
  L.StepCounter = 0;
  const double start = NowMs();
  *run.hooks.loopStartTime = start;
  run.channels = Capture.Channels;
  const LiveRun outer = Run;
  Run = run;

  PacedLoop loop;
  loop.stopping = LiveStopping;
  loop.afterPump = LiveAfterPump;
  loop.copyStep = LiveCopyStep;
  loop.copyColumn = LiveCopyColumn;
  loop.columnTime = LiveColumnTime;
  loop.displayTime = LiveDisplayTime;
  loop.keepTraces = LiveKeepTraces;
  loop.presentFrame = hooks.presentFrame;
  loop.focusMainWindow = hooks.focusMainWindow;
  loop.framesDrawn = &L.StepsDrawn;
  loop.stepsSkipped = &L.StepsAbandoned;
  RunPacedLoop(loop, start);

  const bool failed = Run.deviceFailed;
  Run = outer;
  return failed ? LiveLoopEnd::DeviceFailed : LiveLoopEnd::Stopped;
}
