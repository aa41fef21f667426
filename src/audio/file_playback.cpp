#include "audio/file_playback.h"

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
#include "display/panel_state.h"
#include "display/sample_slots.h"
#include "platform/backend.h"
#include "platform/clock.h"
#include "platform/messages.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

FilePlaybackState FilePlay;

namespace {

constexpr int kNearEndSegments = 4;  // the display freezes this many segments before the end

bool Stopping() { return Mode.StopRequested != 0; }

// The running loop's hooks and the device position it reads by.
struct FileRunState {
  const FilePlaybackHooks* hooks = nullptr;
  PositionEstimate position;
};
FileRunState FileRun;

int HalfFrames() { return FilePlay.ReadAheadBytes / 2 / FilePlay.BlockAlign; }
uint8_t* Half(int which) { return FilePlay.StreamBlock.data() + (which ? FilePlay.ReadAheadBytes / 2 : 0); }

void Refill(int which) {
  auto& F = FilePlay;
  if (!F.StreamOpen) return;
  // A short read leaves the rest of the half as it was: what is past the end is never reached
  // before the near-end freeze.
  ReadNextPlayData(F.Stream, Half(which), F.ReadAheadBytes / 2);
  ++F.HalvesRefilled;
}

// Played frames by the clock since the block was handed to the device.
int64_t ClockFrames(double now) {
  return static_cast<int64_t>(std::trunc(FilePlay.SampleRate * (now - Output.LastBufferTime) / 1000.0));
}

void NearEndFreeze(const FilePlaybackHooks& h) {
  // The last frame becomes the held image, before the fills below clear parts of it.
  if (Display.CanvasReady && Mode.FrameReady) {
    const canvas::Surface& frame = Display.FrameDC;
    canvas::DrawContext(&Display.CanvasDC).BitBlt(0, 0, frame.Width(), frame.Height(), frame, 0, 0);
  }
  FilePlay.NearEndFrozen = 1;
  Mode.Frozen = 1;
  Mode.FreezePending = 1;
  Display.FullRedraw = 1;
  const int mode = Companions.DisplayMode;
  if (mode == 0 || mode == 1 || mode == 4) FillRightHalf();
  if (mode == 3 || mode >= 5) FillFrame();
  if (mode == 1 || mode == 2) PanelCursors.SpectrogramHold = 1;
  if (h.showFrozenControls) h.showFrozenControls();
}

// The freeze: the seconds just played are read again from the file into Sample A, and playing
// will resume from their start.
void FreezeDuringPlayback(const FilePlaybackHooks& h, double now) {
  auto& F = FilePlay;
  auto& s = Samples;
  const int ch = F.Channels;
  const int64_t b =
      static_cast<int64_t>(std::trunc(F.SampleRate * (now - Output.LastBufferTime) * ch * 2 / 1000.0)) & ~int64_t{3};
  // The samples' allocated length, not the Time History setting (a change of it waits for an OK):
  // the start and the copy must agree, as in the live freeze.
  const int64_t sampleBytes = std::min<int64_t>(s.SampleBytes, static_cast<int64_t>(s.SampleA.size()));
  const int64_t r = std::max<int64_t>(0, b - sampleBytes - int64_t{kSegmentFrames} * ch);
  const int64_t held = std::min<int64_t>(std::max<int64_t>(b, 0), sampleBytes);
  std::fill(s.SampleA.begin(), s.SampleA.end(), 0);
  int64_t read = 0;
  if (F.StreamOpen && held > 0) read = std::max<int64_t>(ReadPlayData(F.Stream, r, s.SampleA.data(), held), 0);
  // Only what the file really gave holds sound. Its length in time, not the time since the loop
  // began, bounds the view: the sound (and the played bytes the view position comes from) may have
  // started well before the loop did, a slow device open on a desktop taking longer than the
  // 93 ms the view stays behind.
  s.HeldBytesA = static_cast<int>(read);
  s.FreezeElapsedA = static_cast<float>(read * 1000.0 / (static_cast<double>(F.SampleRate) * 2 * ch));
  if (h.playStartOffset) {
    *h.playStartOffset = std::max<long long>(*h.playStartOffset + r, 0);
    s.SampleStartMs = static_cast<float>(std::trunc(*h.playStartOffset * 1000.0 / (ch * 2.0 * F.SampleRate)));
  }
  const double view =
      s.SampleBytes > 0 ? std::trunc(static_cast<double>(b - kSegmentFrames * ch * 2) * kViewRange / s.SampleBytes) : 0;
  LiveView.ViewPosition = static_cast<int>(std::clamp(view, 0.0, static_cast<double>(kLastViewPosition)));
  s.CursorX = LiveView.ViewPosition;
  if (h.setViewScrollBar) h.setViewScrollBar(kViewRange, LiveView.ViewPosition);
  if (s.CursorXB == 0) s.CursorXB = LiveView.ViewPosition;
  ResetPlaybackOutput();  // the sound stops; MM_WOM_DONE closes the device and the file
  // Frozen, the resume is over: only a release of this freeze may set the marker again.
  if (h.resumeMarker) *h.resumeMarker = 0;
  Mode.FreezePending = 0;
  LiveView.ViewedSample = 0;
  if (h.afterFreezeCopy) h.afterFreezeCopy();
  F.NearEndFrozen = 0;
}

// A frozen step: 2048 frames of the viewed sample at the view position, only inside the part that
// holds sound.
bool CopyHeldSegment(int channels) {
  auto& s = Samples;
  auto& L = LiveLoop;
  const bool b = LiveView.ViewedSample == 1;
  (b ? s.CursorXB : s.CursorX) = LiveView.ViewPosition;
  const std::vector<uint8_t>& sample = b ? s.SampleB : s.SampleA;
  const int delayUnits = b ? s.AudioDelayB : s.AudioDelayA;
  const int delayFrames = static_cast<int>(std::trunc(delayUnits * 0.05 * AnalysisSettings.SampleRate / 1000.0));
  (b ? s.AudioDelayMsB : s.AudioDelayMsA) = static_cast<float>(delayUnits * 0.05);
  (b ? s.AudioDelayFramesB : s.AudioDelayFramesA) = delayFrames;
  const int align = 2 * channels;
  const int sampleBytes = std::min(s.SampleBytes, static_cast<int>(sample.size()));
  const FrozenSegment seg = LocateFrozenSegment(LiveView.ViewPosition, sampleBytes, align, delayFrames, LiveView);
  const int seconds = b ? (s.StoredSecondsB > 0 ? s.StoredSecondsB : s.SampleSeconds) : s.SampleSeconds;
  const double viewMs = static_cast<double>(LiveView.ViewPosition) * seconds * 1000.0 / kViewRange;
  const bool inHeld = seg.fits && viewMs <= (b ? s.FreezeElapsedB : s.FreezeElapsedA);
  auto& audioTrace = b ? s.TraceB1 : s.TraceA1;
  auto& eggTrace = b ? s.TraceB2 : s.TraceA2;
  if (inHeld) {
    const uint8_t* base = sample.data();
    auto at = [&](int frame, int c) {
      const uint8_t* p = base + static_cast<size_t>(frame) * align + 2 * c;
      return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
    };
    for (int i = 0; i < kSegmentFrames; ++i) {
      L.AudioSegment[i] = audioTrace[i] = at(seg.audioStart + i, 0);
      if (channels == 2) L.EggSegment[i] = eggTrace[i] = at(seg.segmentStart + i, 1);
    }
  } else {
    std::fill(audioTrace.begin() + 1, audioTrace.begin() + kSegmentFrames, 0);
    if (channels == 2) std::fill(eggTrace.begin() + 1, eggTrace.begin() + kSegmentFrames, 0);
  }
  return inHeld;
}

// Steps and columns read up to about 100 ms behind the device (a late step, the columns of a
// frame): a half is refilled only once the device is this far into the other one.
int RefillMarginFrames() { return kSegmentFrames + FilePlay.SampleRate * 150 / 1000; }

// Each half is refilled once per pass, when the device is far enough into the other one that no
// segment read later needs frames from the half being overwritten.
void RefillBehind(int64_t position) {
  auto& F = FilePlay;
  const int half = HalfFrames();
  const int64_t p = position % (2 * static_cast<int64_t>(half));
  const int current = p < half ? 0 : 1;
  if (current == 0 && !F.PlayingFirstHalf) {
    F.PlayingFirstHalf = 1;
    F.RefillArmed = 1;
  }
  if (current == 1 && F.PlayingFirstHalf) {
    F.PlayingFirstHalf = 0;
    F.RefillArmed = 1;
  }
  if (F.RefillArmed && p > (current == 0 ? 0 : half) + RefillMarginFrames()) {
    Refill(current == 0 ? 1 : 0);
    F.RefillArmed = 0;
  }
}

// The segment that ends at play position `position` (frames), in the play block.
RingSegment LocatePlaying(int64_t position, bool clearResume) {
  const int half = HalfFrames();
  RingSegment seg;
  seg.fillingSecond = static_cast<uint8_t>(position % (2 * static_cast<int64_t>(half)) < half ? 0 : 1);
  seg.offset = static_cast<int>(position % half) - kSegmentFrames;
  const FilePlaybackHooks& h = *FileRun.hooks;
  if (h.resumeMarker && *h.resumeMarker) {
    // Just resumed: the other half still holds sound from before the freeze.
    if (seg.offset >= 0) {
      if (clearResume) *h.resumeMarker = 0;
    } else {
      seg.offset = 0;
    }
  }
  SplitRingSegment(seg, half);
  return seg;
}

bool FileStopping() { return Stopping(); }

WakeAction FileAfterPump(double now) {
  auto& F = FilePlay;
  const FilePlaybackHooks& h = *FileRun.hooks;
  if (Mode.FreezePending && Output.Owner == PlaybackOwner::File) FreezeDuringPlayback(h, now);
  Mode.FreezePending = 0;
  F.EndedFrozen = Mode.Frozen != 0;
  LiveLoop.SinceLoopStart = now - F.LoopStartTime;
  // Frozen, the steps use neither the clock nor the device.
  if (Mode.Frozen) return WakeAction::Proceed;
  const int64_t c = ClockFrames(now);
  if (c >= F.PlayDataFrames - kSegmentFrames) {
    Mode.StopRequested = 1;
    return WakeAction::End;
  }
  if (c >= F.PlayDataFrames - kNearEndSegments * kSegmentFrames) {
    NearEndFreeze(h);
    return WakeAction::Again;
  }
  const int64_t position = PlaybackPositionFrames();
  if (position < 0) {
    // A device that cannot tell its position ends the playback.
    Mode.StopRequested = 1;
    return WakeAction::End;
  }
  F.LastPosition = position;
  NotePosition(FileRun.position, now, position, F.SampleRate);
  RefillBehind(position);
  return WakeAction::Proceed;
}

StepCopy FileCopyStep(double t, bool frozen, SegmentView* view) {
  auto& F = FilePlay;
  view->loop = AnalysisLoop::File;
  view->channels = F.Channels;
  view->frozen = frozen;
  if (frozen) {
    view->viewedSample = LiveView.ViewedSample;
    view->inCapturedPart = CopyHeldSegment(F.Channels);
    return StepCopy::Copied;
  }
  const RingSegment seg = LocatePlaying(PositionAt(FileRun.position, t, F.SampleRate), true);
  if (!seg.usable) return StepCopy::Skip;
  auto& s = Samples;
  auto& L = LiveLoop;
  CopyRingSegment(Half(0), Half(1), seg, HalfFrames(), F.Channels, s.AudioDelayFramesA, L.AudioSegment.data(),
                  s.TraceA1.data(), L.EggSegment.data(), s.TraceA2.data());
  return StepCopy::Copied;
}

bool FileCopyColumn(double t, int16_t* audio, int16_t* trace) {
  auto& F = FilePlay;
  const RingSegment seg = LocatePlaying(PositionAt(FileRun.position, t, F.SampleRate), false);
  if (!seg.usable || !FileRun.position.valid) return false;
  std::array<int16_t, kSegmentFrames> egg{};
  CopyRingSegment(Half(0), Half(1), seg, HalfFrames(), F.Channels, Samples.AudioDelayFramesA, audio, trace,
                  egg.data(), egg.data());
  return true;
}

double FileColumnTime(double displayMs) { return FilePlay.LoopStartTime + displayMs; }
int FileDisplayTime(double now) { return static_cast<int>(std::trunc(now - FilePlay.LoopStartTime)); }
void FileKeepTraces() { KeepLastTraces(FilePlay.Channels); }

}  // namespace

void LimitFrequencyScaleToRate(int sampleRate) {
  auto& st = AnalysisSettings;
  st.SampleRate = sampleRate;
  // The shown range follows the rate by itself; the user's scales stay as they are.
  RecomputeSpectrogramBins();
}

FilePlaybackStart BeginFilePlayback(RecordingPlayback&& playback, int64_t maxBlockBytes) {
  auto& F = FilePlay;
  ReleaseFileStream();
  F.Channels = playback.info.channels;
  F.SampleRate = playback.info.sampleRate;
  F.BlockAlign = playback.info.blockAlign;
  F.PlayDataBytes = playback.playDataBytes;
  F.PlayDataFrames = playback.playDataFrames;
  const int64_t blockBytes = int64_t{F.SampleRate} * 2 * F.Channels * 8 + 8;
  if (maxBlockBytes > 0 && blockBytes > maxBlockBytes) return FilePlaybackStart::NoMemory;
  F.ReadAheadBytes = static_cast<int>(blockBytes);
  F.StreamBlock.assign(static_cast<size_t>(blockBytes), 0);
  F.Stream = std::move(playback);
  F.StreamOpen = true;
  F.HalvesRefilled = F.StepsDrawn = F.StepsAbandoned = 0;
  F.NearEndFrozen = 0;
  F.LastPosition = -1;
  // The first half now; the second when the device is 2048 frames into the first.
  if (ReadNextPlayData(F.Stream, Half(0), F.ReadAheadBytes / 2) <= 0) Mode.StopRequested = 1;
  const int loops = static_cast<int>(F.PlayDataBytes / F.ReadAheadBytes) + 1;
  const SoundFormat format{F.Channels, F.SampleRate, 16};
  if (!OpenPlaybackDevice(format, F.StreamBlock.data(), F.StreamBlock.size(), loops, PlaybackOwner::File)) {
    ReleaseFileStream();
    return FilePlaybackStart::CannotOpenDevice;
  }
  F.PlayingFirstHalf = 0;
  F.RefillArmed = 0;
  return FilePlaybackStart::Started;
}

void RunFilePlaybackLoop(const FilePlaybackHooks& h, int resumeFrozen) {
  auto& L = LiveLoop;
  auto& F = FilePlay;
  PumpMessages();
  if (!EnsureFftTables()) {
    Mode.StopRequested = 1;
    return;
  }
  L.F0 = F0TrackerState{};
  ApplyAnalysisBandwidth();
  AllocateLiveWorkArrays();
  L.StepCounter = 0;
  F.LoopStartTime = NowMs();
  if (resumeFrozen) {
    Mode.Frozen = 1;
    Mode.FreezePending = 0;
    if (h.resumeMarker) *h.resumeMarker = 0;
  }
  F.EndedFrozen = Mode.Frozen != 0;
  const FileRunState outer = FileRun;
  FileRun = FileRunState{};
  FileRun.hooks = &h;

  PacedLoop loop;
  loop.stopping = FileStopping;
  loop.afterPump = FileAfterPump;
  loop.copyStep = FileCopyStep;
  loop.copyColumn = FileCopyColumn;
  loop.columnTime = FileColumnTime;
  loop.displayTime = FileDisplayTime;
  loop.keepTraces = FileKeepTraces;
  loop.presentFrame = h.presentFrame;
  loop.focusMainWindow = h.focusMainWindow;
  loop.framesDrawn = &F.StepsDrawn;
  loop.stepsSkipped = &F.StepsAbandoned;
  RunPacedLoop(loop, F.LoopStartTime);
  FileRun = outer;

  // A device still playing (stopped by the user or by the clock) is done with now; closing it
  // does what its end notice would.
  Mode.FreezePending = 0;
  if (Output.Owner == PlaybackOwner::File) OnFilePlaybackDone(h);
}

void OnFilePlaybackDone(const FilePlaybackHooks& h) {
  if (!Mode.Frozen) {
    if (h.playStartOffset) *h.playStartOffset = 0;
    Mode.StopRequested = 1;
    Mode.FileResumePending = 1;
  }
  ClosePlaybackOutput();
  ReleaseFileStream();
}

void ReleaseFileStream() {
  auto& F = FilePlay;
  F.Stream = RecordingPlayback{};
  F.StreamOpen = false;
  F.StreamBlock.clear();
  F.StreamBlock.shrink_to_fit();
}
