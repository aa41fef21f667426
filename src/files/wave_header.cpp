#include "files/wave_header.h"

#include <cstring>

namespace {

void PutTag(uint8_t* p, const char* tag) { std::memcpy(p, tag, 4); }
bool HasTag(const uint8_t* p, const char* tag) { return std::memcmp(p, tag, 4) == 0; }

}  // namespace

WaveHeader BuildWaveHeader(int channels, int sampleRate, int bitsPerSample, uint32_t riffSize,
                           uint32_t dataSize) {
  WaveHeader h{};
  const uint32_t bytesPerSample = static_cast<uint32_t>(bitsPerSample) / 8;
  const uint32_t blockAlign = bytesPerSample * static_cast<uint32_t>(channels);
  PutTag(&h[0], "RIFF");
  WriteLe32(&h[4], riffSize);
  PutTag(&h[8], "WAVE");
  PutTag(&h[12], "fmt ");
  WriteLe32(&h[16], WaveFormatRecordSize);
  WriteLe16(&h[20], 1);
  WriteLe16(&h[22], static_cast<uint16_t>(channels));
  WriteLe32(&h[24], static_cast<uint32_t>(sampleRate));
  WriteLe32(&h[28], static_cast<uint32_t>(sampleRate) * blockAlign);
  WriteLe16(&h[32], static_cast<uint16_t>(blockAlign));
  WriteLe16(&h[34], static_cast<uint16_t>(bitsPerSample));
  WriteLe16(&h[36], 0);
  PutTag(&h[38], "data");
  WriteLe32(&h[42], dataSize);
  return h;
}

void SetWaveHeaderSizes(WaveHeader& header, uint32_t dataBytes) {
  WriteLe32(&header[WaveRiffSizeOffset], dataBytes + WaveEmptyRiffSize);
  WriteLe32(&header[WaveDataSizeOffset], dataBytes);
}

std::optional<WaveFields> ParseWaveHeader(const uint8_t* b, size_t size) {
  if (b == nullptr || size < static_cast<size_t>(WaveHeaderSize)) return std::nullopt;
  if (!HasTag(b, "RIFF") || !HasTag(b + 8, "WAVE") || !HasTag(b + 12, "fmt ") || !HasTag(b + 38, "data"))
    return std::nullopt;
  if (ReadLe32(b + 16) != WaveFormatRecordSize) return std::nullopt;
  WaveFields f;
  f.riffSize = ReadLe32(b + 4);
  f.formatTag = ReadLe16(b + 20);
  f.channels = ReadLe16(b + 22);
  f.sampleRate = ReadLe32(b + 24);
  f.avgBytesPerSecond = ReadLe32(b + 28);
  f.blockAlign = ReadLe16(b + 32);
  f.bitsPerSample = ReadLe16(b + 34);
  f.extraFormatBytes = ReadLe16(b + 36);
  f.dataSize = ReadLe32(b + 42);
  return f;
}
