#pragma once
// WAV images in the sample formats research corpora use: 16-bit, 24-bit or 32-bit PCM and 32-bit
// float, with a plain or an extensible format record, optionally behind a broadcast "bext" chunk.
#include <cstdint>
#include <string>
#include <vector>

namespace testsig {

enum class WaveCoding { Pcm16, Pcm24, Pcm32, Float32 };

struct WaveLayout {
  WaveCoding coding = WaveCoding::Pcm16;
  bool extensible = false;  // WAVE_FORMAT_EXTENSIBLE with the sub-format GUID
  int bextBytes = 0;        // a "bext" chunk of this size before "fmt " (broadcast files: 602 and up)
};

// The whole file image of interleaved full-scale samples.
std::vector<uint8_t> EncodeWave(const std::vector<float>& samples, int channels, int rate, const WaveLayout& layout);
bool WriteWaveFile(const std::string& path, const std::vector<float>& samples, int channels, int rate,
                   const WaveLayout& layout);

}  // namespace testsig
