#pragma once
// Where the format and the sound of a recording lie. Two ways, tried in this order:
//   - the tag scan: "fmt " at byte 0..511 of the first 2048 bytes, then "data" within 1024 bytes
//     after it (any case). It reads every file the program has always read, however odd its chunks;
//   - the chunk walk, only when the scan finds no pair and the file starts with "RIFF" and "WAVE":
//     chunk by chunk from byte 12 (id, size, body, a pad byte after an odd size) to the end of the
//     file. It finds the format behind a long chunk the scan cannot see past (the "bext" chunk of
//     broadcast files, a long LIST or JUNK chunk).
// Neither interprets the format record: callers read the fields they need from `format`.
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

// Scan limits of the tag search.
inline constexpr int kScanBlockBytes = 2048;
inline constexpr int kFmtScanPositions = 512;    // "fmt " at byte 0..511
inline constexpr int kDataScanPositions = 1024;  // "data" within 1024 bytes after "fmt "

// Bytes of the format record kept: enough for the extensible layout (40) and more.
inline constexpr int kWaveFormatBytesKept = 64;

struct WaveChunks {
  bool found = false;   // both "fmt " and "data" were found
  bool walked = false;  // found by the chunk walk (the tag scan found no pair)
  int64_t formatOffset = 0;  // file offset of the format record (after the "fmt " size field)
  uint32_t formatBytes = 0;  // the "fmt " chunk's size field as written
  // The first kWaveFormatBytesKept bytes from formatOffset, zero past the end of the file (the scan
  // keeps what follows the record inside its block; only formatBytes of them are the record).
  std::array<uint8_t, kWaveFormatBytesKept> format{};
  int64_t dataOffset = 0;  // file offset of the first sample
  uint32_t dataBytes = 0;  // the "data" chunk's size field as written (may exceed the file)
};

// Reads up to `bytes` bytes at file offset `offset` into dst: the count read (short at the end of
// the file), or -1 on a read error.
using WaveReadAt = std::function<int64_t(int64_t offset, uint8_t* dst, int64_t bytes)>;

// The tag scan over the first bytes of a file (head: its first min(file size, 2048) bytes).
WaveChunks ScanWaveTags(const uint8_t* head, size_t headBytes);

// The chunk walk over a file of `fileBytes` bytes. At most kMaxWaveChunks chunk headers are read.
inline constexpr int kMaxWaveChunks = 4096;
WaveChunks WalkWaveChunks(int64_t fileBytes, const WaveReadAt& readAt);

// The scan, then the walk when the scan finds no pair. Not found: the caller takes the file as
// headerless data.
WaveChunks FindWaveChunks(const uint8_t* head, size_t headBytes, int64_t fileBytes, const WaveReadAt& readAt);
