#include "interaction/sample_figures.h"

#include <algorithm>
#include <cmath>

#include "audio/capture_device.h"
#include "audio/file_playback.h"
#include "audio/frozen_view.h"
#include "audio/live_loop.h"
#include "audio/ring_segment.h"
#include "audio/signal_playback.h"
#include "display/sample_slots.h"
#include "settings/analysis_settings.h"
#include "settings/mode_state.h"

namespace {

int16_t ValueAt(const uint8_t* p) { return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8))); }

// Appends `frames` frames of `channels` channels starting at byte `p`.
void AppendFrames(std::vector<int16_t>& out, const uint8_t* p, int64_t frames, int channels) {
  for (int64_t i = 0; i < frames * channels; ++i) out.push_back(ValueAt(p + 2 * i));
}

// Frames [end - count, end) of a ring of `ringFrames` frames laid out as two buffers.
void CopyFromRing(std::vector<int16_t>& out, const uint8_t* first, const uint8_t* second,
                  int64_t bufferFrames, int64_t end, int64_t count, int channels) {
  const int64_t ringFrames = 2 * bufferFrames;
  const int align = 2 * channels;
  out.reserve(static_cast<size_t>(count * channels));
  for (int64_t f = end - count; f < end; ++f) {
    const int64_t r = ((f % ringFrames) + ringFrames) % ringFrames;
    const uint8_t* base = r < bufferFrames ? first + r * align : second + (r - bufferFrames) * align;
    AppendFrames(out, base, 1, channels);
  }
}

// Frames of the sample that hold sound: the capture copy keeps a short run at the start of the
// sample, a file freeze says how much it read.
int64_t HeldFrameCount(int which) {
  const auto& s = Samples;
  const int channels = s.SampleChannels > 0 ? s.SampleChannels : 1;
  const std::vector<uint8_t>& sample = which ? s.SampleB : s.SampleA;
  const int64_t bytes =
      std::min<int64_t>(which ? s.HeldBytesB : s.HeldBytesA, static_cast<int64_t>(sample.size()));
  int64_t frames = bytes / (2 * channels);
  const double elapsedMs = which ? s.FreezeElapsedB : s.FreezeElapsedA;
  if (elapsedMs > 0)
    frames = std::min<int64_t>(frames, static_cast<int64_t>(elapsedMs * s.SampleRateMade / 1000.0));
  return std::max<int64_t>(frames, 0);
}

VoiceMeasureOptions Options() {
  VoiceMeasureOptions o;
  o.glottogramPolarity = AnalysisSettings.GlottogramPolarity;
  return o;
}

}  // namespace

std::vector<int16_t> HeldFrames(int which, bool viewOnly) {
  const auto& s = Samples;
  std::vector<int16_t> out;
  const int channels = s.SampleChannels > 0 ? s.SampleChannels : 1;
  if (which == 1 && !Mode.SampleBStored) return out;
  const std::vector<uint8_t>& sample = which ? s.SampleB : s.SampleA;
  const int64_t held = HeldFrameCount(which);
  if (held <= 0) return out;
  if (!viewOnly) {
    out.reserve(static_cast<size_t>(held * channels));
    AppendFrames(out, sample.data(), held, channels);
    return out;
  }
  // The view position of the sample, as the frozen step locates its segment.
  const bool viewed = LiveView.ViewedSample == which;
  const int position = viewed ? LiveView.ViewPosition : (which ? s.CursorXB : s.CursorX);
  LiveViewState flags;
  const int sampleBytes = std::min(s.SampleBytes, static_cast<int>(sample.size()));
  const FrozenSegment seg = LocateFrozenSegment(position, sampleBytes, 2 * channels, 0, flags);
  if (!seg.fits || seg.segmentStart >= held) return out;
  const int64_t frames = std::min<int64_t>(kSegmentFrames, held - seg.segmentStart);
  AppendFrames(out, sample.data() + static_cast<size_t>(seg.segmentStart) * 2 * channels, frames, channels);
  return out;
}

std::array<double, kHarmonicCount> HarmonicLevels(const int16_t* spectrum, int bins, double f0Hz, int rate) {
  std::array<double, kHarmonicCount> levels;
  levels.fill(kNotMeasured);
  if (!(f0Hz > 0) || rate <= 0 || bins <= 0) return levels;
  const double hzPerBin = rate / 2048.0;
  std::array<double, kHarmonicCount> peak;
  peak.fill(kNotMeasured);
  for (int k = 1; k <= kHarmonicCount; ++k) {
    const double centre = k * f0Hz / hzPerBin;
    const double reach = std::max(1.0, f0Hz / 4 / hzPerBin);
    const int lo = std::max(0, static_cast<int>(std::floor(centre - reach)));
    const int hi = std::min(bins - 1, static_cast<int>(std::ceil(centre + reach)));
    if (lo > hi || centre + reach > bins) continue;
    int best = spectrum[lo];
    for (int b = lo + 1; b <= hi; ++b) best = std::max<int>(best, spectrum[b]);
    peak[k - 1] = best;
  }
  if (std::isnan(peak[0])) return levels;
  for (int k = 0; k < kHarmonicCount; ++k) levels[k] = peak[k] - peak[0];
  return levels;
}

SampleFigures MeasureHeldSample(int which, bool viewOnly) {
  SampleFigures f;
  const std::vector<int16_t> frames = HeldFrames(which, viewOnly);
  const int channels = Samples.SampleChannels > 0 ? Samples.SampleChannels : 1;
  if (frames.empty() || Samples.SampleRateMade <= 0) return f;
  f.present = true;
  f.report = MeasureVoice(std::span<const int16_t>(frames), channels, Samples.SampleRateMade, Options());
  const auto& spectrum = which ? Samples.SpectrumB : Samples.SpectrumA;
  f.harmonicsDb =
      HarmonicLevels(spectrum.data(), kSpectrumLength, f.report.f0Hz.mean, Samples.SampleRateMade);
  return f;
}

std::vector<int16_t> LastSecondFrames(int* channels, int* rate) {
  std::vector<int16_t> out;
  *channels = 1;
  *rate = 0;
  if (Mode.Frozen && !Mode.PlayingSignals) return out;
  if (Mode.PlayingSignals) {
    const auto& P = SignalPlay;
    if (P.LastSegmentStart < 0 || P.SampleRate <= 0) return out;
    const std::vector<uint8_t>& sample = Mode.PlaySelection == 1 ? Samples.SampleB : Samples.SampleA;
    const int64_t total = static_cast<int64_t>(sample.size()) / (2 * P.Channels);
    const int64_t end = std::min<int64_t>(P.LastSegmentStart + kSegmentFrames, total);
    const int64_t start = std::max<int64_t>(0, end - P.SampleRate);
    *channels = P.Channels;
    *rate = P.SampleRate;
    AppendFrames(out, sample.data() + static_cast<size_t>(start) * 2 * P.Channels, end - start, P.Channels);
    return out;
  }
  if (Mode.FileSource) {
    const auto& F = FilePlay;
    if (F.LastPosition < 0 || F.StreamBlock.empty() || F.BlockAlign <= 0) return out;
    const int64_t half = F.ReadAheadBytes / 2 / F.BlockAlign;
    // The half not playing may already hold the next seconds of the file: only the playing half
    // is sound that was heard.
    const int64_t intoHalf = F.LastPosition % half;
    const int64_t count = std::min<int64_t>(intoHalf, F.SampleRate);
    if (count < kSegmentFrames) return out;
    *channels = F.Channels;
    *rate = F.SampleRate;
    CopyFromRing(out, F.StreamBlock.data(), F.StreamBlock.data() + half * F.BlockAlign, half, F.LastPosition,
                 count, F.Channels);
    return out;
  }
  const auto& c = Capture;
  const uint8_t* first = CaptureBuffer(0);
  if (!first || LiveLoop.LastDevicePosition < 0 || c.SampleRate <= 0) return out;
  const int64_t end =
      LiveLoop.LastDevicePosition - int64_t{AnalysisSettings.InputLatencyMs} * c.SampleRate / 1000;
  const int64_t count = std::min<int64_t>(end, c.SampleRate);
  if (count < kSegmentFrames) return out;
  *channels = c.Channels;
  *rate = c.SampleRate;
  CopyFromRing(out, first, CaptureBuffer(1), c.CaptureBufferFrames, end, count, c.Channels);
  return out;
}

SampleFigures MeasureLastSecond() {
  SampleFigures f;
  int channels = 1, rate = 0;
  const std::vector<int16_t> frames = LastSecondFrames(&channels, &rate);
  if (frames.empty() || rate <= 0) return f;
  f.present = true;
  f.report = MeasureVoice(std::span<const int16_t>(frames), channels, rate, Options());
  f.harmonicsDb = HarmonicLevels(Samples.SpectrumA.data(), kSpectrumLength, f.report.f0Hz.mean, rate);
  return f;
}
