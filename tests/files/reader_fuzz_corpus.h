#pragma once
// The malformed recordings the reader's fuzz test feeds it (and the measures' test after it): noise
// with tags dropped in, or RIFF/WAVE images with random fields, scrambled headers and cut ends.
#include <random>

#include "wav_fixture.h"

namespace wavtest {

template <typename T, size_t N>
inline T Pick(std::mt19937& rng, const T (&values)[N]) {
  return values[std::uniform_int_distribution<size_t>(0, N - 1)(rng)];
}

inline std::vector<uint8_t> RandomFile(std::mt19937& rng) {
  auto chance = [&rng](int percent) { return std::uniform_int_distribution<int>(0, 99)(rng) < percent; };
  auto upTo = [&rng](size_t n) { return std::uniform_int_distribution<size_t>(0, n)(rng); };
  std::vector<uint8_t> f;
  if (chance(10)) {
    // Noise with tags dropped in anywhere.
    f.resize(upTo(chance(30) ? 60000 : 3000));
    for (auto& b : f) b = static_cast<uint8_t>(rng());
    for (const char* tag : {"fmt ", "DATA", "data", "FmT "}) {
      if (f.size() >= 4 && chance(60)) std::memcpy(&f[upTo(f.size() - 4)], tag, 4);
    }
    return f;
  }
  const int channelChoices[] = {0, 1, 1, 2, 2, 3, 6, 65535};
  const int rateChoices[] = {0, 1, 8000, 11025, 22050, 44100, 1000000, 1000001, 0x7fffffff, -1};
  const int bitChoices[] = {16, 16, 16, 8, 0, 24, 32, 65535};
  const char* fmtTags[] = {"fmt ", "FMT ", "fmT ", "fmt_"};
  const char* dataTags[] = {"data", "DATA", "daTa", "dat\x01"};  // the last one no data tag
  WavSpec s;
  s.channels = Pick(rng, channelChoices);
  s.sampleRate = Pick(rng, rateChoices);
  s.bitsPerSample = Pick(rng, bitChoices);
  s.blockAlign = chance(80) ? -1 : static_cast<int>(upTo(9));
  s.dataBytes = chance(35) ? 44000 + upTo(6000) : upTo(3000);
  const int64_t declaredChoices[] = {-1, -1, 0, 1, 44100, 0x7fffffff, 0xFFFFFFFFll};
  s.declaredData = chance(60) ? -1 : Pick(rng, declaredChoices);
  s.fmtTag = Pick(rng, fmtTags);
  s.dataTag = Pick(rng, dataTags);
  s.fmtSize = chance(50) ? 16 : 18;
  s.listChunkBytes = chance(25) ? upTo(1200) : 0;
  if (chance(15)) s.leading = wavtest::Chunk(chance(50) ? "bext" : "JUNK", static_cast<uint32_t>(upTo(3000)), chance(80));
  f = wavtest::MakeWav(s);
  // A few bytes of the header scrambled, or the file cut short.
  for (int n = chance(40) ? static_cast<int>(upTo(6)) : 0; n > 0; --n)
    f[upTo(std::min<size_t>(f.size(), 64) - 1)] = static_cast<uint8_t>(rng());
  if (chance(15)) f.resize(upTo(f.size()));
  return f;
}

}  // namespace wavtest
