#include "files/recording_writer.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstring>

#include "files/recording_reader.h"

namespace {

void SetError(std::string* error, const std::string& message) {
  if (error) *error = message;
}

std::string WriteFailure(int err) { return std::string(kMsgCannotWriteFile) + ": " + std::strerror(err); }

// Writes all bytes at `offset`; 0 or the errno of the failure.
int WriteAt(int fd, int64_t offset, const uint8_t* src, size_t bytes) {
  size_t done = 0;
  while (done < bytes) {
    ssize_t n = ::pwrite(fd, src + done, bytes - done, static_cast<off_t>(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return ENOSPC;
    done += static_cast<size_t>(n);
  }
  return 0;
}

// fdatasync, where the file supports it (a device node may not: that is no failure).
int SyncData(int fd) {
  if (::fdatasync(fd) == 0 || errno == EINVAL || errno == EROFS) return 0;
  return errno;
}

// Cuts the file back to `end` bytes. A device node cannot be cut; its header still counts only
// whole appends, so the result is ignored.
void CutBack(int fd, int64_t end) {
  if (::ftruncate(fd, static_cast<off_t>(end)) != 0) return;
}

bool Fail(RecordFileWriter& w, std::string message, std::string* error) {
  w.failed = true;
  w.message = std::move(message);
  SetError(error, w.message);
  return false;
}

}  // namespace

bool CreateRecordFile(RecordFileWriter& w, const std::string& path, int channels, int sampleRate,
                      int bitsPerSample, std::string* error) {
  CloseRecordFile(w, nullptr);
  const bool sync = w.syncEachAppend;
  w = RecordFileWriter{};
  w.syncEachAppend = sync;
  if (channels < 1 || channels > 2 || sampleRate < 1 || sampleRate > kMaxSampleRate || bitsPerSample != 16) {
    SetError(error, kMsgCannotOpenFile);
    return false;
  }
  // Non-blocking open so that a FIFO without a reader cannot hang the program; such a path is no
  // place for a recording (its header could never be rewritten).
  // Not truncated before the lock is ours: a file that is open elsewhere in the program (the record
  // file whose header is still pending, a file being played) is not touched.
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0666);
  if (fd < 0) {
    SetError(error, kMsgCannotOpenFile);
    return false;
  }
  FileHandle file(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISFIFO(st.st_mode) || S_ISSOCK(st.st_mode) || S_ISDIR(st.st_mode)) {
    SetError(error, kMsgCannotOpenFile);
    return false;
  }
  if (!LockFile(fd, LOCK_EX) || (S_ISREG(st.st_mode) && ::ftruncate(fd, 0) != 0)) {
    SetError(error, kMsgCannotOpenFile);
    return false;
  }
  int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);

  w.header = BuildWaveHeader(channels, sampleRate, bitsPerSample, WaveEmptyRiffSize, 0);
  w.blockAlign = channels * bitsPerSample / 8;
  // The empty-recording header goes to disk at once: a run that ends before any buffer came back
  // (or never ends cleanly) still leaves a valid 46-byte file.
  if (int err = WriteAt(fd, 0, w.header.data(), w.header.size()); err != 0) {
    file.Reset();
    if (S_ISREG(st.st_mode)) ::unlink(path.c_str());  // no half-made file left behind
    SetError(error, kMsgCannotOpenFile);
    return false;
  }
  w.file = std::move(file);
  return true;
}

bool AppendRecordData(RecordFileWriter& w, const uint8_t* data, size_t bytes, std::string* error) {
  if (!w.file.IsOpen()) {
    SetError(error, kMsgCannotWriteFile);
    return false;
  }
  if (w.failed) {
    SetError(error, w.message);
    return false;
  }
  bytes -= bytes % static_cast<size_t>(w.blockAlign);
  if (bytes == 0) return true;
  if (data == nullptr) {
    SetError(error, kMsgCannotWriteFile);
    return false;
  }
  if (w.recordedBytes + static_cast<int64_t>(bytes) > kMaxRecordDataBytes)
    return Fail(w, kMsgRecordFileFull, error);

  const int fd = w.file.fd();
  const int64_t end = WaveHeaderSize + w.recordedBytes;
  int err = WriteAt(fd, end, data, bytes);
  if (err == 0 && w.syncEachAppend) err = SyncData(fd);
  if (err != 0) {
    // Drop the part of the buffer that did get in: the header already describes the file without it.
    CutBack(fd, end);
    return Fail(w, WriteFailure(err), error);
  }
  WaveHeader next = w.header;
  SetWaveHeaderSizes(next, static_cast<uint32_t>(w.recordedBytes + static_cast<int64_t>(bytes)));
  if (int herr = WriteAt(fd, 0, next.data(), next.size()); herr != 0) {
    // Put back the header that matches the old length, as far as the file lets us.
    (void)WriteAt(fd, 0, w.header.data(), w.header.size());
    CutBack(fd, end);
    return Fail(w, WriteFailure(herr), error);
  }
  w.header = next;
  w.recordedBytes += static_cast<int64_t>(bytes);
  return true;
}

bool CloseRecordFile(RecordFileWriter& w, std::string* error) {
  if (!w.file.IsOpen()) return true;
  const int fd = w.file.fd();
  SetWaveHeaderSizes(w.header, static_cast<uint32_t>(w.recordedBytes));
  int err = WriteAt(fd, 0, w.header.data(), w.header.size());
  if (err == 0) err = SyncData(fd);
  const bool closed = w.file.Reset();
  if (err == 0 && !closed) err = errno != 0 ? errno : EIO;
  if (err != 0) {
    w.failed = true;
    w.message = WriteFailure(err);
    SetError(error, w.message);
    return false;
  }
  return true;
}

bool SaveSampleFile(const std::string& path, int channels, int sampleRate, int bitsPerSample,
                    const uint8_t* data, size_t bytes, std::string* error) {
  RecordFileWriter w;
  w.syncEachAppend = false;  // one flush at the close is enough for a single write
  if (!CreateRecordFile(w, path, channels, sampleRate, bitsPerSample, error)) return false;
  if (!AppendRecordData(w, data, bytes, error)) {
    CloseRecordFile(w, nullptr);
    return false;
  }
  return CloseRecordFile(w, error);
}

bool SaveSampleFile(const std::string& path, int channels, int sampleRate, int bitsPerSample,
                    const std::vector<int16_t>& samples, std::string* error) {
  const size_t bytes = samples.size() * sizeof(int16_t);
  if constexpr (std::endian::native == std::endian::little) {
    return SaveSampleFile(path, channels, sampleRate, bitsPerSample,
                          reinterpret_cast<const uint8_t*>(samples.data()), bytes, error);
  } else {
    std::vector<uint8_t> le(bytes);
    for (size_t i = 0; i < samples.size(); ++i) WriteLe16(&le[2 * i], static_cast<uint16_t>(samples[i]));
    return SaveSampleFile(path, channels, sampleRate, bitsPerSample, le.data(), bytes, error);
  }
}
