#pragma once
// Helpers for the recording-file tests: a private temporary folder and a builder for WAV-like
// byte images with the quirks real files have (tag case, extra chunks, wrong fields).
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "files/wave_header.h"

namespace wavtest {

struct TempDirTest : ::testing::Test {
  void SetUp() override {
    std::string templ = (std::filesystem::temp_directory_path() / "tx-files-XXXXXX").string();
    ASSERT_NE(::mkdtemp(templ.data()), nullptr);
    dir_ = templ;
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::filesystem::path dir_;
};

inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  // A new file rather than a truncated one: some file systems flush a truncated file to disk on
  // close, which makes thousands of rewrites crawl.
  std::error_code ec;
  std::filesystem::remove(path, ec);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Bytes whose 16-bit little-endian values count up from `first`: every sample tells its position.
inline std::vector<uint8_t> CountingData(size_t bytes, int first = 0) {
  std::vector<uint8_t> d(bytes);
  for (size_t i = 0; i + 1 < bytes; i += 2) WriteLe16(&d[i], static_cast<uint16_t>(first + i / 2));
  if (bytes % 2) d[bytes - 1] = 0x5A;
  return d;
}

struct WavSpec {
  int channels = 1;
  int sampleRate = 22050;
  int bitsPerSample = 16;
  int blockAlign = -1;        // -1: channels * bits / 8
  size_t dataBytes = 44100;   // bytes of sample data actually written
  int64_t declaredData = -1;  // -1: dataBytes
  const char* fmtTag = "fmt ";
  const char* dataTag = "data";
  uint32_t fmtSize = 16;          // 16 (plain PCM) or 18 (with the extra-bytes field)
  std::vector<uint8_t> leading;   // chunks between "WAVE" and "fmt " (see Chunk)
  size_t listChunkBytes = 0;      // a LIST chunk of this payload between "fmt " and "data"
  std::vector<uint8_t> trailing;  // bytes after the data (another chunk)
};

// A chunk of `bytes` filler bytes, with the pad byte an odd size needs unless told otherwise.
inline std::vector<uint8_t> Chunk(const char* id, uint32_t bytes, bool pad = true) {
  std::vector<uint8_t> c(8 + bytes + (pad ? bytes % 2 : 0), 'z');
  std::memcpy(c.data(), id, 4);
  WriteLe32(&c[4], bytes);
  return c;
}

// A RIFF/WAVE image laid out as a writer from elsewhere would do it.
inline std::vector<uint8_t> MakeWav(const WavSpec& s) {
  std::vector<uint8_t> f;
  auto le = [&f](uint32_t v, int bytes) {  // little-endian, 2 or 4 bytes
    for (int i = 0; i < bytes; ++i) f.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  auto tag = [&](const char* t) { le(ReadLe32(reinterpret_cast<const uint8_t*>(t)), 4); };
  const int align = s.blockAlign >= 0 ? s.blockAlign : static_cast<uint16_t>(s.channels * (s.bitsPerSample / 8));
  tag("RIFF");
  le(0, 4);  // patched below
  tag("WAVE");
  f.insert(f.end(), s.leading.begin(), s.leading.end());
  tag(s.fmtTag);
  le(s.fmtSize, 4);
  le(1, 2);
  le(s.channels, 2);
  le(s.sampleRate, 4);
  le(static_cast<uint32_t>(s.sampleRate) * static_cast<uint32_t>(align), 4);
  le(align, 2);
  le(s.bitsPerSample, 2);
  f.resize(f.size() + s.fmtSize - 16, 0);
  if (s.listChunkBytes > 0) {
    tag("LIST");
    le(static_cast<uint32_t>(s.listChunkBytes), 4);
    tag("INFO");
    for (size_t i = 4; i < s.listChunkBytes; ++i) f.push_back(static_cast<uint8_t>('a' + i % 7));
  }
  tag(s.dataTag);
  le(static_cast<uint32_t>(s.declaredData >= 0 ? s.declaredData : static_cast<int64_t>(s.dataBytes)), 4);
  const std::vector<uint8_t> data = CountingData(s.dataBytes);
  f.insert(f.end(), data.begin(), data.end());
  f.insert(f.end(), s.trailing.begin(), s.trailing.end());
  WriteLe32(&f[4], static_cast<uint32_t>(f.size() - 8));
  return f;
}

}  // namespace wavtest
