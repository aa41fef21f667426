#include "files/recording_file.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

std::optional<LoadedRecording> LoadRecording(const std::string& path, std::string* error) {
  auto fail = [error](std::string message) -> std::optional<LoadedRecording> {
    if (error) *error = std::move(message);
    return std::nullopt;
  };
  RecordingPlayback p = OpenRecordingForPlay(path, 0);
  if (!p.ok) return fail(p.message);

  // Whole frames only; a stray odd byte at the end is not a sample.
  const int64_t bytes = p.playDataFrames * p.info.blockAlign;
  std::vector<uint8_t> raw(static_cast<size_t>(bytes));
  if (ReadPlayData(p, 0, raw.data(), bytes) != bytes) return fail(kMsgCannotReadFile);

  LoadedRecording r;
  r.channels = p.info.channels;
  r.sampleRate = p.info.sampleRate;
  r.bitsPerSample = p.info.bitsPerSample;
  r.headerless = p.info.headerless;
  r.samples.resize(static_cast<size_t>(bytes / 2));
  for (size_t i = 0; i < r.samples.size(); ++i) r.samples[i] = static_cast<int16_t>(ReadLe16(&raw[2 * i]));
  if (error) error->clear();
  return r;
}

namespace {

float SampleAt(const uint8_t* p, SampleEncoding encoding) {
  switch (encoding) {
    case SampleEncoding::Pcm16:
      return static_cast<int16_t>(ReadLe16(p)) / 32768.0f;
    case SampleEncoding::Pcm24: {
      // Sign-extend the three bytes through the top of a 32-bit word.
      const int32_t v = static_cast<int32_t>((uint32_t(p[0]) << 8) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 24));
      return static_cast<float>((v >> 8) / 8388608.0);
    }
    case SampleEncoding::Pcm32:
      return static_cast<float>(static_cast<int32_t>(ReadLe32(p)) / 2147483648.0);
    case SampleEncoding::Float32: {
      const uint32_t bits = ReadLe32(p);
      float v;
      std::memcpy(&v, &bits, sizeof v);
      return std::isfinite(v) ? v : 0.0f;
    }
    case SampleEncoding::Other:
      break;
  }
  return 0.0f;
}

}  // namespace

std::optional<MeasuredRecording> LoadRecordingForMeasure(const std::string& path, double fromS, double toS,
                                                         std::string* error) {
  auto fail = [error](std::string message) -> std::optional<MeasuredRecording> {
    if (error) *error = std::move(message);
    return std::nullopt;
  };
  RecordingPlayback p = OpenRecordingForMeasure(path);
  if (!p.ok) return fail(p.message);
  MeasuredRecording r;
  r.channels = p.info.channels;
  r.sampleRate = p.info.sampleRate;
  r.encoding = EncodingOf(p.info);
  r.headerless = p.info.headerless;
  const int frameBytes = p.info.blockAlign;
  const int sampleBytes = p.info.bytesPerSample;
  const int64_t frames = p.playDataFrames;
  auto frameAt = [&](double seconds) {
    return static_cast<int64_t>(std::clamp(std::floor(seconds * r.sampleRate), 0.0, double(frames)));
  };
  const int64_t first = frameAt(std::max(fromS, 0.0));
  const int64_t last = toS < 0 ? frames : frameAt(toS);
  if (last <= first) return fail(kMsgEmptyStretch);
  r.firstFrame = first;
  r.samples.resize(static_cast<size_t>((last - first) * r.channels));

  // Converted block by block, so only the floats are held whole.
  constexpr int64_t kBlockFrames = 65536;
  std::vector<uint8_t> raw(static_cast<size_t>(kBlockFrames * frameBytes));
  size_t out = 0;
  for (int64_t at = first; at < last; at += kBlockFrames) {
    const int64_t n = std::min(kBlockFrames, last - at);
    if (ReadPlayData(p, at * frameBytes, raw.data(), n * frameBytes) != n * frameBytes) return fail(kMsgCannotReadFile);
    for (int64_t i = 0; i < n * r.channels; ++i) r.samples[out++] = SampleAt(&raw[i * sampleBytes], r.encoding);
  }
  if (error) error->clear();
  return r;
}
