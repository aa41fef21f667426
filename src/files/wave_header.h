#pragma once
// The 46-byte RIFF/WAVE header every recording, saved sample and device format starts from:
//   0 "RIFF", 4 RIFF size (file size - 8), 8 "WAVE", 12 "fmt ", 16 fmt size 18,
//   20 format tag 1, 22 channels, 24 rate (Hz), 28 average bytes per second, 32 block align,
//   34 bits per sample, 36 extra format bytes 0, 38 "data", 42 data size (bytes), 46 frames.
// All integers little-endian. The 18 bytes from offset 20 are the device format record.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

inline constexpr int WaveHeaderSize = 46;
inline constexpr int WaveRiffSizeOffset = 4;
inline constexpr int WaveFormatOffset = 20;
inline constexpr int WaveFormatRecordSize = 18;
inline constexpr int WaveDataSizeOffset = 42;
// RIFF size of a file with no data: everything after the RIFF size field.
inline constexpr uint32_t WaveEmptyRiffSize = WaveHeaderSize - 8;  // 38

using WaveHeader = std::array<uint8_t, WaveHeaderSize>;

struct WaveFields {
  uint32_t riffSize = 0;
  uint16_t formatTag = 1;
  uint16_t channels = 0;
  uint32_t sampleRate = 0;  // frames per second
  uint32_t avgBytesPerSecond = 0;
  uint16_t blockAlign = 0;  // bytes per frame
  uint16_t bitsPerSample = 0;
  uint16_t extraFormatBytes = 0;
  uint32_t dataSize = 0;  // bytes of sample data
};

// Builds the header field by field for PCM data: average bytes per second and block align are
// derived from channels, rate and bits.
WaveHeader BuildWaveHeader(int channels, int sampleRate, int bitsPerSample, uint32_t riffSize,
                           uint32_t dataSize);

// Rewrites the two size fields of a built header: RIFF size = dataBytes + 38, data size = dataBytes.
void SetWaveHeaderSizes(WaveHeader& header, uint32_t dataBytes);

// Reads the fields of a header in the fixed 46-byte layout. nullopt when the four tags are not
// where the layout puts them or the fmt chunk size is not 18 (use the tag-scanning reader for
// files from elsewhere).
std::optional<WaveFields> ParseWaveHeader(const uint8_t* bytes, size_t size);

// Little-endian helpers shared by the reader and the writers.
inline uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t ReadLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline void WriteLe16(uint8_t* p, uint16_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
inline void WriteLe32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
