#include "audio/signal_playback.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "analysis/fft_tables.h"
#include "audio/analysis_step.h"
#include "audio/frozen_view.h"
#include "audio/live_loop.h"
#include "audio/output_device.h"
#include "audio/paced_loop.h"
#include "audio/ring_segment.h"
#include "display/display_frame.h"
#include "display/display_state.h"
#include "display/sample_slots.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

SignalPlaybackState SignalPlay;

namespace {

// What the step hooks of the running playback share.
struct SignalRunState {
  bool tablesReady = false;
  std::array<int16_t, kSpectrumLength> keptSpectrumA{};
};
SignalRunState SignalRun;

bool Ending() { return Mode.SignalPlaybackDone != 0 || Mode.PlayingSignals == 0; }

const std::vector<uint8_t>& PlayedSample() { return Mode.PlaySelection == 1 ? Samples.SampleB : Samples.SampleA; }
int HeldBytes() { return Mode.PlaySelection == 1 ? Samples.HeldBytesB : Samples.HeldBytesA; }

void SwapHistories() {
  auto& s = Samples;
  std::swap(s.HistoryBuffer1, SignalPlay.KeptHistory1);
  std::swap(s.HistoryBuffer2, SignalPlay.KeptHistory2);
  std::swap(s.HistoryBuffer3, SignalPlay.KeptHistory3);
}

// Fresh zero-filled histories of the live ones' size for the playback; the live ones wait aside.
void TakeFreshHistories() {
  auto& s = Samples;
  SignalPlay.KeptHistory1.assign(s.HistoryBuffer1.size(), 0);
  SignalPlay.KeptHistory2.assign(s.HistoryBuffer2.size(), 0);
  SignalPlay.KeptHistory3.assign(s.HistoryBuffer3.size(), 0);
  SwapHistories();
}

void PutLiveHistoriesBack() {
  SwapHistories();
  for (auto* v : {&SignalPlay.KeptHistory1, &SignalPlay.KeptHistory2, &SignalPlay.KeptHistory3}) {
    v->clear();
    v->shrink_to_fit();
  }
}

int16_t ValueAt(const uint8_t* p) { return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8))); }

// The segment of 2048 frames centred on the sound heard `sinceLoopStart` ms into the playback:
// the audio into audio and audioTrace (the delay applied), with two channels the glottogram into
// egg and eggTrace (when given). false past the held sound (nothing is analysed there).
bool CopyHeardSegment(double sinceLoopStart, int16_t* audio, int16_t* audioTrace, int16_t* egg, int16_t* eggTrace) {
  auto& P = SignalPlay;
  auto& s = Samples;
  const int align = 2 * P.Channels;
  int64_t e = static_cast<int64_t>(std::trunc(P.SampleRate * sinceLoopStart / 1000.0)) + kSegmentFrames / 2;
  e = std::max<int64_t>(e, 0);
  const auto& sample = PlayedSample();
  const int64_t held = std::min<int64_t>(HeldBytes(), static_cast<int64_t>(sample.size()));
  if ((e + kSegmentFrames) * align >= held) return false;
  const int64_t start = e <= kSegmentFrames ? 0 : e - kSegmentFrames;
  const int delay = Mode.PlaySelection == 1 ? s.AudioDelayFramesB : s.AudioDelayFramesA;
  const uint8_t* base = sample.data() + static_cast<size_t>(start) * align;
  for (int i = 0; i < kSegmentFrames; ++i) {
    const uint8_t* frame = base + static_cast<size_t>(i) * align;
    const int16_t a = ValueAt(frame);
    audio[i] = a;
    if (i >= delay) audioTrace[i - delay] = a;
    if (P.Channels == 2 && egg) egg[i] = eggTrace[i] = ValueAt(frame + 2);
  }
  return true;
}

bool SignalEnding() { return Ending(); }

WakeAction SignalAfterPump(double now) {
  LiveLoop.SinceLastBuffer = now - Output.LastBufferTime;
  LiveLoop.SinceLoopStart = now - SignalPlay.LoopStartTime;
  return WakeAction::Proceed;
}

StepCopy SignalCopyStep(double t, bool frozen, SegmentView* view) {
  auto& P = SignalPlay;
  auto& s = Samples;
  auto& L = LiveLoop;
  view->loop = AnalysisLoop::Signals;
  view->channels = P.Channels;
  view->frozen = frozen;
  const bool toB = P.Target == 1;
  const double since = t - P.LoopStartTime;
  if (!SignalRun.tablesReady || !CopyHeardSegment(since, L.AudioSegment.data(), (toB ? s.TraceB1 : s.TraceA1).data(),
                                                  L.EggSegment.data(), (toB ? s.TraceB2 : s.TraceA2).data())) {
    return StepCopy::Skip;
  }
  const int64_t e = std::max<int64_t>(static_cast<int64_t>(std::trunc(P.SampleRate * since / 1000.0)) + kSegmentFrames / 2, 0);
  P.LastSegmentStart = e <= kSegmentFrames ? 0 : e - kSegmentFrames;
  // The analysis step writes the A side; playing B over A, its spectrum moves to the B side. The
  // F0 stays in F0A: the readout shows the F0 of the sound heard.
  SignalRun.keptSpectrumA = s.SpectrumA;
  return StepCopy::Copied;
}

void SignalAfterAnalysis() {
  auto& s = Samples;
  if (SignalPlay.Target == 1) {
    s.SpectrumB = s.SpectrumA;
    s.SpectrumA = SignalRun.keptSpectrumA;
  }
}

bool SignalCopyColumn(double t, int16_t* audio, int16_t* trace) {
  return SignalRun.tablesReady && CopyHeardSegment(t - SignalPlay.LoopStartTime, audio, trace, nullptr, nullptr);
}

// The display runs on the time since the sample was handed to the device.
double SignalColumnTime(double displayMs) { return Output.LastBufferTime + displayMs; }
int SignalDisplayTime(double now) { return static_cast<int>(std::trunc(now - Output.LastBufferTime)); }

void SignalKeepTraces() {
  auto& s = Samples;
  auto& audioTrace = SignalPlay.Target ? s.TraceB1 : s.TraceA1;
  auto& eggTrace = SignalPlay.Target ? s.TraceB2 : s.TraceA2;
  std::copy_n(audioTrace.begin(), kTraceLength / 2, audioTrace.begin() + kTraceLength / 2);
  std::copy_n(eggTrace.begin(), kTraceLength / 2, eggTrace.begin() + kTraceLength / 2);
}

}  // namespace

bool OpenSignalPlaybackDevice() {
  auto& P = SignalPlay;
  const auto& s = Samples;
  P.Channels = s.SampleChannels > 0 ? s.SampleChannels : AnalysisSettings.Channels;
  P.SampleRate = s.SampleRateMade > 0 ? s.SampleRateMade : AnalysisSettings.SampleRate;
  const auto& sample = PlayedSample();
  // Only the part that holds sound is played (a file frozen early holds a fraction of a second);
  // a sample with no held length recorded plays whole.
  const int held = HeldBytes();
  const size_t length = held > 0 ? std::min(sample.size(), static_cast<size_t>(held)) : sample.size();
  const size_t bytes = length / static_cast<size_t>(2 * P.Channels) * static_cast<size_t>(2 * P.Channels);
  const SoundFormat format{P.Channels, P.SampleRate, 16};
  return OpenPlaybackDevice(format, sample.data(), bytes, 1, PlaybackOwner::Signals);
}

void RunSignalPlaybackLoop(const SignalPlaybackHooks& h) {
  auto& P = SignalPlay;
  auto& L = LiveLoop;
  auto& s = Samples;
  PumpMessages();
  P.Target = (Companions.ComparisonMode == 2 && Mode.PlaySelection == 1) ? 1 : 0;
  P.StepsDrawn = P.StepsPastHeld = 0;
  P.LastSegmentStart = -1;
  const bool tablesReady = EnsureFftTables();
  TakeFreshHistories();
  L.F0 = F0TrackerState{};
  ApplyAnalysisBandwidth();
  AllocateLiveWorkArrays();
  Mode.SignalPlaybackDone = 0;
  L.StepCounter = 0;
  P.LoopStartTime = NowMs();
  L.SinceLastBuffer = P.LoopStartTime - Output.LastBufferTime;
  L.SinceLoopStart = 0;
  SignalRun = SignalRunState{};
  SignalRun.tablesReady = tablesReady;

  PacedLoop loop;
  loop.stopping = SignalEnding;
  loop.afterPump = SignalAfterPump;
  loop.copyStep = SignalCopyStep;
  loop.copyColumn = SignalCopyColumn;
  loop.columnTime = SignalColumnTime;
  loop.displayTime = SignalDisplayTime;
  loop.keepTraces = SignalKeepTraces;
  loop.afterAnalysis = SignalAfterAnalysis;
  loop.presentFrame = h.presentFrame;
  loop.focusMainWindow = h.focusMainWindow;
  loop.framesDrawn = &P.StepsDrawn;
  loop.stepsSkipped = &P.StepsPastHeld;
  RunPacedLoop(loop, P.LoopStartTime);
  // Reset cancelled the playback while the sound still plays: it stops now.
  if (Output.Owner == PlaybackOwner::Signals) ClosePlaybackOutput();
  PutLiveHistoriesBack();
  if (P.Target == 1) s.SpectrumB = s.SpectrumStored;
  Display.FullRedraw = 1;
}

void OnSignalPlaybackDone() {
  ClosePlaybackOutput();
  Mode.SignalPlaybackDone = 1;
  if (Companions.ComparisonMode == 2 && Mode.PlaySelection == 1) Samples.SpectrumB = Samples.SpectrumStored;
}
