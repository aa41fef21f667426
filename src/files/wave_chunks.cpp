#include "files/wave_chunks.h"

#include <algorithm>
#include <cstring>

#include "files/wave_header.h"

namespace {

char AsciiLower(uint8_t c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c); }

// Tags compare without regard to case: some writers put "FMT " and "DATA".
bool TagAt(const uint8_t* p, const char* tag) {
  for (int i = 0; i < 4; ++i)
    if (AsciiLower(p[i]) != tag[i]) return false;
  return true;
}

}  // namespace

WaveChunks ScanWaveTags(const uint8_t* head, size_t headBytes) {
  // A zero-filled block of fixed size, so a short file simply finds no tag in the zeros.
  std::array<uint8_t, kScanBlockBytes> scan{};
  if (head != nullptr) std::copy_n(head, std::min(headBytes, scan.size()), scan.begin());

  WaveChunks w;
  int fmtPos = -1;
  for (int p = 0; p < kFmtScanPositions && fmtPos < 0; ++p)
    if (TagAt(&scan[p], "fmt ")) fmtPos = p;
  if (fmtPos < 0) return w;
  int dataPos = -1;
  for (int q = fmtPos + 1; q <= fmtPos + kDataScanPositions && dataPos < 0; ++q)
    if (TagAt(&scan[q], "data")) dataPos = q;
  if (dataPos < 0) return w;

  w.found = true;
  w.formatOffset = fmtPos + 8;
  w.formatBytes = ReadLe32(&scan[fmtPos + 4]);
  std::copy_n(&scan[fmtPos + 8], kWaveFormatBytesKept, w.format.begin());
  w.dataOffset = dataPos + 8;
  w.dataBytes = ReadLe32(&scan[dataPos + 4]);
  return w;
}

WaveChunks WalkWaveChunks(int64_t fileBytes, const WaveReadAt& readAt) {
  WaveChunks w;
  uint8_t riff[12];
  if (fileBytes < 12 || readAt(0, riff, 12) != 12) return w;
  if (std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) return w;

  bool haveFormat = false, haveData = false;
  int64_t pos = 12;
  // The RIFF size is not trusted (files cut short, writers that never filled it in): the file's
  // own size bounds the walk.
  for (int n = 0; n < kMaxWaveChunks && pos + 8 <= fileBytes; ++n) {
    uint8_t chunk[8];
    if (readAt(pos, chunk, 8) != 8) break;
    const uint32_t size = ReadLe32(chunk + 4);
    const int64_t body = pos + 8;
    if (!haveFormat && TagAt(chunk, "fmt ")) {
      haveFormat = true;
      w.formatOffset = body;
      w.formatBytes = size;
      const int64_t want = std::min<int64_t>(kWaveFormatBytesKept, fileBytes - body);
      if (want > 0 && readAt(body, w.format.data(), want) < 0) break;
    } else if (!haveData && TagAt(chunk, "data")) {
      haveData = true;
      w.dataOffset = body;
      w.dataBytes = size;
    }
    if (haveFormat && haveData) {
      w.found = w.walked = true;
      return w;
    }
    pos = body + size + (size & 1);  // an odd-sized chunk is followed by a pad byte
  }
  return WaveChunks{};
}

WaveChunks FindWaveChunks(const uint8_t* head, size_t headBytes, int64_t fileBytes, const WaveReadAt& readAt) {
  WaveChunks w = ScanWaveTags(head, headBytes);
  if (w.found) return w;
  return WalkWaveChunks(fileBytes, readAt);
}
