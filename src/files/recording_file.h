#pragma once
// Recording files: the 46-byte RIFF/WAVE layout, the reader Play File uses, the record file writer
// and the sample writer. Include this one header for all of it.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/recording_reader.h"
#include "files/recording_writer.h"
#include "files/wave_header.h"

// A whole recording in memory (tools and tests that analyse a file without playing it).
struct LoadedRecording {
  int channels = 1;
  int sampleRate = 11025;  // frames per second
  int bitsPerSample = 16;
  bool headerless = false;
  std::vector<int16_t> samples;  // interleaved frames, channel 0 Audio, channel 1 EGG
};

// Reads a recording as Play File does (tag scanning, headerless fallback, the same checks, from the
// start of the data); on failure returns nullopt and sets *error (when given) to the message a user
// would see ("Cannot Open File", "16 bit sampling is required", "Sample is too short", ...).
std::optional<LoadedRecording> LoadRecording(const std::string& path, std::string* error);

// A stretch of a recording for the measures, as full-scale floats, read through
// OpenRecordingForMeasure: 16-bit samples / 32768, 24-bit / 2^23, 32-bit / 2^31, floats as stored
// (a sample that is not a finite number reads as 0). Only the frames from fromS to toS seconds are
// read (toS < 0: to the end); an empty stretch is an error.
struct MeasuredRecording {
  int channels = 1;
  int sampleRate = 11025;
  SampleEncoding encoding = SampleEncoding::Pcm16;
  bool headerless = false;
  int64_t firstFrame = 0;      // of the stretch, in the whole data
  std::vector<float> samples;  // interleaved frames
};
inline constexpr const char* kMsgEmptyStretch = "Nothing to measure between --from and --to";
std::optional<MeasuredRecording> LoadRecordingForMeasure(const std::string& path, double fromS, double toS,
                                                         std::string* error);
