#include "files/recording_reader.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

#include "files/wave_header.h"
#include "settings/analysis_settings.h"

namespace {

// Reads exactly `bytes` bytes at `offset` unless the file ends first; -1 on a read error.
int64_t ReadAt(int fd, int64_t offset, uint8_t* dst, int64_t bytes) {
  int64_t done = 0;
  while (done < bytes) {
    ssize_t n = ::pread(fd, dst + done, static_cast<size_t>(bytes - done), static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

RecordingPlayback Rejected(RecordingPlayback p, const char* message) {
  p.file.Reset();
  p.ok = false;
  p.message = message;
  return p;
}

void ComputePlayable(RecordingPlayback& p) {
  const RecordingInfo& in = p.info;
  p.playStartOffset = std::clamp<int64_t>(p.playStartOffset, 0, in.dataBytes);
  p.playDataBytes = in.dataBytes - p.playStartOffset;
  p.playDataFrames = in.blockAlign > 0 ? p.playDataBytes / in.blockAlign : 0;
  p.playLengthSeconds = PlayLengthSecondsOf(p.playDataBytes, in.sampleRate, in.blockAlign);
  p.needsStartDialog = p.playLengthSeconds > kStartDialogSeconds;
}

}  // namespace

int PlayLengthSecondsOf(int64_t playDataBytes, int sampleRate, int blockAlign) {
  const int64_t perSecond = static_cast<int64_t>(sampleRate) * blockAlign;
  if (perSecond <= 0 || playDataBytes <= 0) return 0;
  // Round half up in integers: floor(bytes / perSecond + 1/2).
  return static_cast<int>((2 * playDataBytes + perSecond) / (2 * perSecond));
}

RecordingInfo FindRecordingFormat(const uint8_t* head, size_t headBytes, int64_t fileBytes,
                                  const WaveReadAt& readAt) {
  RecordingInfo info;
  info.fileBytes = std::max<int64_t>(fileBytes, 0);
  info.dataOffset = 0;
  info.declaredDataBytes = info.fileBytes;
  info.dataBytes = info.fileBytes;
  info.chunks = FindWaveChunks(head, headBytes, info.fileBytes, readAt);
  if (!info.chunks.found) return info;  // headerless: 11025 Hz mono 16-bit from byte 0

  const uint8_t* fmt = info.chunks.format.data();
  info.headerless = false;
  info.formatTag = ReadLe16(fmt + 0);
  info.channels = ReadLe16(fmt + 2);
  info.sampleRate = static_cast<int>(std::min<uint32_t>(ReadLe32(fmt + 4), 0x7fffffff));
  info.headerBlockAlign = ReadLe16(fmt + 12);
  info.bitsPerSample = ReadLe16(fmt + 14);
  info.bytesPerSample = info.bitsPerSample / 8;
  info.blockAlign = info.bytesPerSample * info.channels;
  info.declaredDataBytes = info.chunks.dataBytes;
  info.dataOffset = info.chunks.dataOffset;
  // A header may promise more than the file holds (a copy cut short, a writer that never came back
  // to fill in the size): play what is there, never stale memory.
  info.dataBytes = std::clamp<int64_t>(info.fileBytes - info.dataOffset, 0, info.declaredDataBytes);
  return info;
}

RecordingInfo ScanRecordingHead(const uint8_t* head, size_t headBytes, int64_t fileBytes) {
  const size_t held = std::min<size_t>(head != nullptr ? headBytes : 0, kScanBlockBytes);
  auto readHead = [head, held](int64_t offset, uint8_t* dst, int64_t bytes) -> int64_t {
    if (offset < 0 || offset >= static_cast<int64_t>(held)) return 0;
    const int64_t n = std::min<int64_t>(bytes, static_cast<int64_t>(held) - offset);
    std::copy_n(head + offset, n, dst);
    return n;
  };
  return FindRecordingFormat(head, held, fileBytes, readHead);
}

std::string CheckRecordingFormat(const RecordingInfo& info) {
  if (info.headerless) return {};
  if (info.bitsPerSample != 16) return kMsgNeeds16Bit;
  if (info.channels < 1 || info.channels > 2) return kMsgBadChannels;
  if (info.sampleRate < 1 || info.sampleRate > kMaxSampleRate) return kMsgBadSampleRate;
  return {};
}

SampleEncoding EncodingOf(const RecordingInfo& info) {
  if (info.headerless) return SampleEncoding::Pcm16;
  int tag = info.formatTag;
  // WAVE_FORMAT_EXTENSIBLE: the sub-format GUID starts with the real tag, 24 bytes into the record.
  if (tag == 0xFFFE && info.chunks.formatBytes >= 40) tag = ReadLe16(info.chunks.format.data() + 24);
  if (tag == 1 && info.bitsPerSample == 16) return SampleEncoding::Pcm16;
  if (tag == 1 && info.bitsPerSample == 24) return SampleEncoding::Pcm24;
  if (tag == 1 && info.bitsPerSample == 32) return SampleEncoding::Pcm32;
  if (tag == 3 && info.bitsPerSample == 32) return SampleEncoding::Float32;
  return SampleEncoding::Other;
}

namespace {

// Opening for playing or for measuring: only the check of the sample format differs.
RecordingPlayback OpenRecording(const std::string& path, int64_t startOffset, bool forMeasure) {
  RecordingPlayback p;
  // Non-blocking open so that a FIFO or a device node cannot hang the program; only regular files
  // are recordings.
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return Rejected(std::move(p), kMsgCannotOpenFile);
  p.file = FileHandle(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return Rejected(std::move(p), kMsgCannotOpenFile);
  // Not shared with a writer: a file the program is still recording into is not played.
  if (!LockFile(fd, LOCK_SH)) return Rejected(std::move(p), kMsgCannotOpenFile);
  int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);

  const int64_t fileBytes = st.st_size;
  std::array<uint8_t, kScanBlockBytes> head{};
  const int64_t headBytes = ReadAt(fd, 0, head.data(), std::min<int64_t>(fileBytes, kScanBlockBytes));
  if (headBytes < 0) return Rejected(std::move(p), kMsgCannotReadFile);

  auto readFile = [fd](int64_t offset, uint8_t* dst, int64_t bytes) { return ReadAt(fd, offset, dst, bytes); };
  p.info = FindRecordingFormat(head.data(), static_cast<size_t>(headBytes), fileBytes, readFile);
  RecordingInfo checked = p.info;
  // The measures take any encoding they can convert; the other checks stay as they are.
  if (forMeasure && EncodingOf(p.info) != SampleEncoding::Other) checked.bitsPerSample = 16;
  std::string problem = CheckRecordingFormat(checked);
  if (forMeasure && problem == kMsgNeeds16Bit) problem = kMsgMeasureFormats;
  if (!problem.empty()) {
    RecordingPlayback r = Rejected(std::move(p), "");
    r.message = std::move(problem);
    return r;
  }
  p.playStartOffset = startOffset;
  ComputePlayable(p);
  const int64_t shortest = p.info.headerless ? p.info.blockAlign : kMinPlayableBytes;
  if (p.playDataBytes < shortest) return Rejected(std::move(p), kMsgSampleTooShort);
  p.ok = true;
  return p;
}

}  // namespace

RecordingPlayback OpenRecordingForPlay(const std::string& path, int64_t startOffset) {
  return OpenRecording(path, startOffset, false);
}

RecordingPlayback OpenRecordingForMeasure(const std::string& path) { return OpenRecording(path, 0, true); }

void SetPlayStartSecond(RecordingPlayback& p, int startSeconds) {
  const int64_t perSecond = static_cast<int64_t>(p.info.sampleRate) * p.info.blockAlign;
  int64_t offset = static_cast<int64_t>(std::max(startSeconds, 0)) * perSecond;
  offset -= offset % 4;
  // The dialog's top end is the rounded-up length, which can lie past the last byte.
  p.playStartOffset = std::min(offset, p.info.dataBytes - p.info.dataBytes % 4);
  p.readOffset = 0;
  ComputePlayable(p);
}

int64_t ReadPlayData(const RecordingPlayback& p, int64_t offset, uint8_t* dst, int64_t bytes) {
  if (!p.file.IsOpen() || dst == nullptr || offset < 0 || bytes <= 0) return 0;
  if (offset >= p.playDataBytes) return 0;
  const int64_t want = std::min(bytes, p.playDataBytes - offset);
  return ReadAt(p.file.fd(), p.info.dataOffset + p.playStartOffset + offset, dst, want);
}

int64_t ReadNextPlayData(RecordingPlayback& p, uint8_t* dst, int64_t bytes) {
  const int64_t n = ReadPlayData(p, p.readOffset, dst, bytes);
  if (n > 0) p.readOffset += n;
  return n;
}

void ApplyRecordingFormat(const RecordingInfo& info, AnalysisSettingsRecord& settings) {
  settings.BitsPerSample = static_cast<int16_t>(info.bitsPerSample);
  settings.BytesPerSample = info.bitsPerSample / 8;
  settings.SampleRate = info.sampleRate;
  settings.Channels = info.channels;
}
