#include "files/recording_file.h"

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
