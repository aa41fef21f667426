#include "audio/live_loop.h"

#include <algorithm>
#include <cmath>

#include "analysis/fft_tables.h"
#include "audio/analysis_step.h"
#include "audio/capture_device.h"
#include "audio/frozen_view.h"
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

}  // namespace

LiveLoopEnd RunLiveLoop(const LiveLoopHooks& hooks) {
  auto& L = LiveLoop;
  double fallbackStart = 0;
  double* loopStart = hooks.loopStartTime ? hooks.loopStartTime : &fallbackStart;
  LiveLoopHooks h = hooks;
  h.loopStartTime = loopStart;

  PumpMessages();
  if (!EnsureFftTables()) return LiveLoopEnd::NoFftTables;
  L.F0 = F0TrackerState{};
  ApplyAnalysisBandwidth();
  AllocateLiveWorkArrays();
  const int mode = Companions.DisplayMode;
  L.MinStepPeriod = (mode == 0 || mode == 1 || mode == 2 || mode == 4) ? 0 : 20;
  L.StepCounter = 0;
  *loopStart = L.PrevStepTime = NowMs();
  const int channels = Capture.Channels;

  while (!Stopping()) {
    // 1. Messages: commands and device notifications re-enter here.
    PumpMessages();
    if (Stopping()) break;
    if (Capture.CaptureDevice && !Capture.DeviceClosing && !Capture.CaptureDevice->Healthy())
      return LiveLoopEnd::DeviceFailed;

    // 2. Pacing.
    double now = NowMs();
    while (now - L.PrevStepTime < L.MinStepPeriod) {
      if (Stopping()) return LiveLoopEnd::Stopped;
      SleepMs(2);
      now = NowMs();
    }
    if (Stopping()) break;
    const double previousStep = L.PrevStepTime;
    L.PrevStepTime = now;
    L.SinceLastBuffer = now - Capture.LastBufferTime;
    L.SinceLoopStart = now - *loopStart;

    // 3. Ring position.
    bool haveRaw = false;
    int64_t raw = 0;
    RingSegment ring = LocateLiveSegment(&haveRaw, &raw);
    L.LastDevicePosition = haveRaw ? raw : -1;

    // 4. Freeze copy on the first step after Freeze.
    if (Mode.FreezePending) FreezeCopy(h, now, haveRaw, raw);

    const bool frozen = Mode.Frozen != 0;
    if (!frozen) {
      NoteStepInterval(now - previousStep);
      if (!ring.usable) {
        // The segment would run past its buffer: try again after the next pump (never without
        // one, or a stop could not get through).
        ++L.StepsAbandoned;
        continue;
      }
    }

    // 7. The traces keep the segment drawn last in their second half, for the erase pass.
    auto& s = Samples;
    KeepLastTraces(channels);

    // 8. The segment.
    SegmentView view;
    view.channels = channels;
    view.frozen = frozen;
    if (frozen) {
      view.viewedSample = LiveView.ViewedSample;
      view.inCapturedPart = CopyFrozenSegment(channels);
    } else {
      CopyRingSegment(CaptureBuffer(0), CaptureBuffer(1), ring, Capture.CaptureBufferFrames, channels,
                      s.AudioDelayFramesA, L.AudioSegment.data(), s.TraceA1.data(), L.EggSegment.data(),
                      s.TraceA2.data());
    }
    if (Stopping()) break;

    // 9 to 11. F0, spectra, averages, difference.
    AnalyseSegment(view);

    // 12 to 14. Draw and show the frame, focus, the %F0 bandwidth.
    if (FinishLoopStep(static_cast<int>(std::trunc(L.SinceLoopStart)) - 93, h.presentFrame, h.focusMainWindow))
      ++L.StepsDrawn;
  }
  return LiveLoopEnd::Stopped;
}
