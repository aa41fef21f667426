#include "signals/wave_encoding.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

namespace testsig {

namespace {

void Put(std::vector<uint8_t>& f, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) f.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void PutTag(std::vector<uint8_t>& f, const char* tag) {
  for (int i = 0; i < 4; ++i) f.push_back(static_cast<uint8_t>(tag[i]));
}

int BitsOf(WaveCoding c) { return c == WaveCoding::Pcm16 ? 16 : c == WaveCoding::Pcm24 ? 24 : 32; }

}  // namespace

std::vector<uint8_t> EncodeWave(const std::vector<float>& samples, int channels, int rate, const WaveLayout& l) {
  const int bits = BitsOf(l.coding), bytes = bits / 8;
  const int tag = l.coding == WaveCoding::Float32 ? 3 : 1;
  std::vector<uint8_t> f;
  PutTag(f, "RIFF");
  Put(f, 0, 4);  // filled in below
  PutTag(f, "WAVE");
  if (l.bextBytes > 0) {
    PutTag(f, "bext");
    Put(f, l.bextBytes, 4);
    f.resize(f.size() + l.bextBytes + l.bextBytes % 2, 0);
  }
  PutTag(f, "fmt ");
  Put(f, l.extensible ? 40 : 16, 4);
  Put(f, l.extensible ? 0xFFFE : tag, 2);
  Put(f, channels, 2);
  Put(f, rate, 4);
  Put(f, static_cast<uint64_t>(rate) * channels * bytes, 4);
  Put(f, channels * bytes, 2);
  Put(f, bits, 2);
  if (l.extensible) {
    Put(f, 22, 2);                          // extra bytes
    Put(f, bits, 2);                        // valid bits
    Put(f, channels == 2 ? 3 : 4, 4);       // speaker mask: front left + right, or centre
    Put(f, tag, 2);                         // sub-format GUID: the tag, then the fixed tail
    const uint8_t tail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    for (uint8_t b : tail) f.push_back(b);
  }
  PutTag(f, "data");
  Put(f, samples.size() * bytes, 4);
  for (float v : samples) {
    const double c = std::clamp(static_cast<double>(v), -1.0, 1.0);
    switch (l.coding) {
      case WaveCoding::Pcm16:
        Put(f, static_cast<uint16_t>(std::lround(std::min(c * 32768.0, 32767.0))), 2);
        break;
      case WaveCoding::Pcm24:
        Put(f, static_cast<uint32_t>(std::lround(std::min(c * 8388608.0, 8388607.0))), 3);
        break;
      case WaveCoding::Pcm32:
        Put(f, static_cast<uint32_t>(std::llround(std::min(c * 2147483648.0, 2147483647.0))), 4);
        break;
      case WaveCoding::Float32: {
        uint32_t b;
        std::memcpy(&b, &v, 4);
        Put(f, b, 4);
        break;
      }
    }
  }
  const uint32_t riff = static_cast<uint32_t>(f.size() - 8);
  for (int i = 0; i < 4; ++i) f[4 + i] = static_cast<uint8_t>(riff >> (8 * i));
  return f;
}

bool WriteWaveFile(const std::string& path, const std::vector<float>& samples, int channels, int rate,
                   const WaveLayout& layout) {
  const auto image = EncodeWave(samples, channels, rate, layout);
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  return static_cast<bool>(out);
}

}  // namespace testsig
