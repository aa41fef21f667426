#include "audio/analysis_step.h"

#include <algorithm>
#include <cmath>

#include "analysis/fft_tables.h"
#include "analysis/power_spectrum.h"
#include "audio/frozen_view.h"
#include "audio/live_loop.h"
#include "audio/ring_segment.h"
#include "audio/spectrum_history.h"
#include "display/display_frame.h"
#include "display/display_state.h"
#include "display/panel_state.h"
#include "display/sample_slots.h"
#include "platform/clock.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

namespace {

constexpr int kPoints = kSpectrumLength;  // 1024 bins

int AverageCount() { return std::clamp(static_cast<int>(AnalysisSettings.SpectrumAverageCount), 1, kHistorySpectra); }

bool HistoriesUsable() {
  const size_t need = static_cast<size_t>(kPoints) * kHistorySpectra;
  return Samples.HistoryBuffer1.size() >= need && Samples.HistoryBuffer2.size() >= need &&
         Samples.HistoryBuffer3.size() >= need;
}

void EstimateF0(const SegmentView& view) {
  auto& L = LiveLoop;
  std::copy(L.AudioSegment.begin(), L.AudioSegment.end(), L.F0Segment.begin());
  PowerSpectrum(L.F0Segment.data(), kBlockWindowSelector);
  const int count = AverageCount();
  if (!view.frozen) PushHistory(Samples.HistoryBuffer3.data(), L.F0Segment.data(), count, kPoints);
  AverageHistory(Samples.HistoryBuffer3.data(), count, kPoints, false, L.F0Average.data());
  const int k = F0PeakBin(L.F0Average.data(), kPoints, view.loop == AnalysisLoop::File ? 0 : 2);
  const float candidate = k >= 0 ? static_cast<float>(k) * AnalysisSettings.SampleRate / 2048.0f : L.F0.F0Candidate;
  Samples.F0A = UpdateF0(L.F0, candidate);
  L.F0Tens = Samples.F0A / 10;
}

void AudioSpectrum(const SegmentView& view) {
  auto& L = LiveLoop;
  auto& s = Samples;
  std::copy_n(L.AveragedSpectrum.begin(), kPoints, L.AveragedSpectrum.begin() + kPoints);
  PowerSpectrum(L.AudioSegment.data(), kBandWindowSelector);
  const int count = AverageCount();
  if (!view.frozen) {
    std::copy_n(L.AudioSegment.begin(), kPoints, L.LatestSpectrum.begin());
    std::copy_n(L.AudioSegment.begin(), kPoints, DisplayInputs.SpectrogramColumnData.begin());
    PushHistory(s.HistoryBuffer1.data(), L.LatestSpectrum.data(), count, kPoints);
  }
  AverageHistory(s.HistoryBuffer1.data(), count, kPoints, view.loop == AnalysisLoop::Live, L.AveragedSpectrum.data());

  const auto& settings = AnalysisSettings;
  const bool averaged = !view.frozen ||
                        ((Companions.DisplayMode == 0 || Companions.DisplayMode == 3) && count >= 25) ||
                        settings.BandwidthMode == ID_BANDWIDTH_PERCENT_F0 || settings.SpectrumType == ID_SPECTRUM_DIFFERENCE;
  if (averaged) {
    std::copy_n(L.AveragedSpectrum.begin(), kPoints, s.SpectrumA.begin());
    return;
  }
  // A frozen view of a single segment shows that segment's own spectrum.
  auto& target = view.viewedSample == 1 ? s.SpectrumB : s.SpectrumA;
  if (view.inCapturedPart) {
    std::copy_n(L.AudioSegment.begin(), kPoints, target.begin());
  } else {
    target.fill(0);
  }
  if (view.viewedSample == 1) s.SpectrumStored = s.SpectrumB;
}

void DifferenceSpectrum(const SegmentView& view) {
  auto& L = LiveLoop;
  std::copy_n(L.DifferenceAverage.begin(), kPoints, L.DifferenceAverage.begin() + kPoints);
  // One channel has no glottogram: its spectrum is that of silence, and the segment array of the
  // glottogram is left alone.
  int16_t* egg = view.channels == 2 ? L.EggSegment.data() : L.SilentEgg.data();
  if (view.channels != 2) std::fill(L.SilentEgg.begin(), L.SilentEgg.end(), 0);
  PowerSpectrum(egg, kBandWindowSelector);
  const int count = AverageCount();
  if (!view.frozen) {
    for (int i = 4; i < kPoints; ++i) L.DifferenceSpectrum[i - 4] = static_cast<int16_t>(L.AudioSegment[i] - egg[i]);
    const auto& st = AnalysisSettings;
    const int bandwidth = st.BandwidthMode == ID_BANDWIDTH_PERCENT_F0 ? L.F0Tens * 10 * st.BandwidthPercentF0 / 100
                                                                       : st.BandwidthHz;
    const int w = DifferenceSmoothingWidth(bandwidth, st.SampleRate);
    SmoothDifference(L.DifferenceSpectrum.data(), kPoints, w, L.SmoothedDifference.data());
    PushHistory(Samples.HistoryBuffer2.data(), L.SmoothedDifference.data(), count, kPoints);
  }
  AverageHistory(Samples.HistoryBuffer2.data(), count, kPoints, false, L.DifferenceAverage.data());
  std::copy_n(L.DifferenceAverage.begin(), kPoints, Samples.SpectrumA.begin());
}

}  // namespace

void AllocateLiveWorkArrays() {
  auto& L = LiveLoop;
  for (auto* a : {&L.AudioSegment, &L.EggSegment, &L.F0Segment, &L.SilentEgg}) a->assign(kSegmentFrames, 0);
  for (auto* a : {&L.LatestSpectrum, &L.DifferenceSpectrum, &L.SmoothedDifference}) a->assign(kPoints, 0);
}

void AnalyseSegment(const SegmentView& view) {
  if (!HistoriesUsable() || LiveLoop.AudioSegment.size() < static_cast<size_t>(kSegmentFrames)) return;
  const auto& st = AnalysisSettings;
  if (st.F0Measurement == ID_F0_ON || st.BandwidthMode == ID_BANDWIDTH_PERCENT_F0) EstimateF0(view);
  AudioSpectrum(view);
  // Played sound without an EGG channel shows its plain averaged spectrum.
  if (st.SpectrumType == ID_SPECTRUM_DIFFERENCE && (view.loop == AnalysisLoop::Live || view.channels == 2))
    DifferenceSpectrum(view);
}

void ApplyAnalysisBandwidth() {
  const auto& st = AnalysisSettings;
  if (st.BandwidthMode == ID_BANDWIDTH_HZ) SetBandwidth(st.BandwidthHz, st.SampleRate);
  if (st.BandwidthMode == ID_BANDWIDTH_PERCENT_F0)
    SetBandwidth(st.BandwidthPercentF0 * LiveLoop.F0Tens * 10 / 100, st.SampleRate);
}

void NoteStepInterval(double intervalMs) {
  auto& L = LiveLoop;
  std::copy_backward(L.IntervalHistory.begin(), L.IntervalHistory.end() - 1, L.IntervalHistory.end());
  L.IntervalHistory[0] = static_cast<int>(std::trunc(intervalMs));
  int sum = 0;
  for (int v : L.IntervalHistory) sum += v;
  L.AchievedUpdatePeriodMs = sum / 32;
  Companions.AchievedUpdatePeriodMs = static_cast<float>(L.AchievedUpdatePeriodMs);
}

bool DrawLoopFrame(int displayTimeMs, void (*presentFrame)(int width, int height), void (*focusMainWindow)()) {
  bool drawn = false;
  if (Mode.FrameReady) {
    DrawDisplayFrame(Display.FrameDC, displayTimeMs);
    if (presentFrame) presentFrame(Display.PanelAreaWidth, Display.PanelAreaHeight + 6 + Display.TextHeight);
    NoteFrameDrawn();
    drawn = true;
  }
  if (LiveView.FocusReturnRequested) {
    if (focusMainWindow) focusMainWindow();
    LiveView.FocusReturnRequested = 0;
  }
  return drawn;
}

void CountAnalysisStep() {
  if (++LiveLoop.StepCounter >= 20) {
    if (AnalysisSettings.BandwidthMode == ID_BANDWIDTH_PERCENT_F0) ApplyAnalysisBandwidth();
    LiveLoop.StepCounter = 0;
  }
}

void KeepLastTraces(int channels) {
  auto& s = Samples;
  std::copy_n(s.TraceA1.begin(), kTraceLength / 2, s.TraceA1.begin() + kTraceLength / 2);
  if (channels == 2) std::copy_n(s.TraceA2.begin(), kTraceLength / 2, s.TraceA2.begin() + kTraceLength / 2);
}

