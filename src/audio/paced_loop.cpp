#include "audio/paced_loop.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "analysis/fft_tables.h"
#include "analysis/power_spectrum.h"
#include "audio/live_loop.h"
#include "audio/ring_segment.h"
#include "display/panel_state.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

namespace {

// Steps later than this (a modal dialog held the loop) are dropped rather than caught up: the ring
// and the play block keep only a little sound behind the newest segment.
constexpr double kMaxLateMs = 100;
// A frozen view nobody touches is still drawn again this often, for changes that come without a
// message.
constexpr double kFrozenRefreshMs = 250;

// The loop running now, for the display's column requests (a loop may start inside another's
// command handler; the outer one is put back when the inner one ends).
struct ColumnCache {
  const PacedLoop* loop = nullptr;
  double displayMs = -1e300;
  bool haveSound = false;
  bool spectrumReady = false;
  std::array<int16_t, kSegmentFrames> audio{};
  std::array<int16_t, kSegmentFrames> trace{};
};
ColumnCache Columns;

bool FillColumn(double displayMs) {
  auto& c = Columns;
  if (!c.loop) return false;
  if (displayMs != c.displayMs) {
    c.displayMs = displayMs;
    c.spectrumReady = false;
    c.trace.fill(0);
    c.haveSound = c.loop->copyColumn(c.loop->columnTime(displayMs), c.audio.data(), c.trace.data());
  }
  return c.haveSound;
}

const int16_t* ColumnSpectrumAt(double displayMs) {
  if (!FillColumn(displayMs)) return nullptr;
  auto& c = Columns;
  if (!c.spectrumReady) {
    PowerSpectrum(c.audio.data(), kBandWindowSelector);
    c.spectrumReady = true;
  }
  return c.audio.data();
}

const int16_t* ColumnTraceAt(double displayMs) {
  auto& c = Columns;
  if (!FillColumn(displayMs)) return nullptr;
  // The spectrum is computed in place of the audio; the trace is a copy of its own.
  return c.trace.data();
}

void DrawFrame(const PacedLoop& loop, double now) {
  if (DrawLoopFrame(loop.displayTime(now), loop.presentFrame, loop.focusMainWindow) && loop.framesDrawn)
    ++*loop.framesDrawn;
}

void Analyse(const PacedLoop& loop, const SegmentView& view) {
  AnalyseSegment(view);
  if (loop.afterAnalysis) loop.afterAnalysis();
  CountAnalysisStep();
}

}  // namespace

int AnalysisStepPeriodMs(int displayMode) {
  const bool fast = displayMode == 0 || displayMode == 1 || displayMode == 2 || displayMode == 4;
  return fast ? 10 : 20;
}

double FramePeriodMs() {
  const double hz = HasBackend() ? CurrentBackend().Screen().refreshHz : 60;
  return 1000.0 / std::clamp(hz > 0 ? hz : 60, 50.0, 120.0);
}

void NotePosition(PositionEstimate& e, double nowMs, int64_t frames, int rate) {
  if (e.valid && std::abs(static_cast<double>(frames - PositionAt(e, nowMs, rate))) <= kResyncMs * rate / 1000) return;
  e.anchorMs = nowMs;
  e.anchorFrames = frames;
  e.valid = true;
}

int64_t PositionAt(const PositionEstimate& e, double t, int rate) {
  return e.anchorFrames + static_cast<int64_t>(std::llround((t - e.anchorMs) * rate / 1000.0));
}

void RunPacedLoop(const PacedLoop& loop, double startMs) {
  const ColumnCache outer = Columns;
  auto* const outerSpectrum = DisplayInputs.ColumnSpectrumAt;
  auto* const outerTrace = DisplayInputs.ColumnTraceAt;
  Columns = ColumnCache{};
  Columns.loop = &loop;
  DisplayInputs.ColumnSpectrumAt = ColumnSpectrumAt;
  DisplayInputs.ColumnTraceAt = ColumnTraceAt;

  const double framePeriod = FramePeriodMs();
  double nextStep = startMs, nextFrame = startMs, lastStep = 0;
  bool haveLastStep = false;
  bool tracesKept = false;     // the traces drawn last are kept since the last frame
  bool analysedSinceFrame = false;
  bool wasFrozen = false;
  uint64_t seenActivity = 0;
  double frozenRefresh = 0;

  while (!loop.stopping()) {
    PumpMessages();
    if (loop.stopping()) break;
    const double now = NowMs();
    const WakeAction action = loop.afterPump(now);
    if (action == WakeAction::End || loop.stopping()) break;
    if (action == WakeAction::Again) continue;

    // A held sample that plays is not a frozen view: it moves with the sound.
    if (Mode.Frozen && !Mode.PlayingSignals) {
      // A held view changes only when the user does something: draw it then, and wait otherwise.
      const bool touched = !wasFrozen || MessageActivityCount() != seenActivity || now >= frozenRefresh;
      wasFrozen = true;
      if (!touched) {
        WaitForEvents(frozenRefresh - now);
        continue;
      }
      // What happens while this frame is made (a message sent from a hook) asks for the next one.
      seenActivity = MessageActivityCount();
      loop.keepTraces();
      SegmentView view;
      if (loop.copyStep(now, true, &view) == StepCopy::End) break;
      Analyse(loop, view);
      DrawFrame(loop, now);
      frozenRefresh = now + kFrozenRefreshMs;
      continue;
    }
    if (wasFrozen) {
      // Running on after a freeze: the grid starts again now.
      wasFrozen = false;
      nextStep = nextFrame = now;
      haveLastStep = false;
      tracesKept = false;
    }

    const double period = AnalysisStepPeriodMs(Companions.DisplayMode);
    const bool frameDue = now >= nextFrame && analysedSinceFrame;
    if (now < nextStep && !frameDue) {
      // With nothing new to show, a due frame waits for the next step.
      WaitForEvents((analysedSinceFrame ? std::min(nextStep, nextFrame) : nextStep) - now);
      continue;
    }
    while (nextStep < now - kMaxLateMs) nextStep += period;
    bool ended = false;
    while (nextStep <= now) {
      const double t = nextStep;
      nextStep += period;
      if (!tracesKept) {
        loop.keepTraces();
        tracesKept = true;
      }
      SegmentView view;
      const StepCopy got = loop.copyStep(t, false, &view);
      if (got == StepCopy::End) {
        ended = true;
        break;
      }
      ++LiveLoop.StepsTaken;
      LiveLoop.NewestStepMs = t - startMs;
      if (haveLastStep) NoteStepInterval(t - lastStep);
      lastStep = t;
      haveLastStep = true;
      if (got == StepCopy::Skip) {
        if (loop.stepsSkipped) ++*loop.stepsSkipped;
        continue;
      }
      Analyse(loop, view);
      analysedSinceFrame = true;
    }
    if (ended || loop.stopping()) break;
    if (now >= nextFrame && analysedSinceFrame) {
      DrawFrame(loop, now);
      analysedSinceFrame = false;
      tracesKept = false;
      nextFrame += framePeriod;
      if (nextFrame <= now) nextFrame = now + framePeriod;
    }
  }

  Columns = outer;
  DisplayInputs.ColumnSpectrumAt = outerSpectrum;
  DisplayInputs.ColumnTraceAt = outerTrace;
}
