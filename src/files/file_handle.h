#pragma once
// An owned POSIX file descriptor: closed when the owner goes away, movable, never copied.
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(int fd) : fd_(fd) {}
  FileHandle(FileHandle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  FileHandle& operator=(FileHandle&& other) noexcept {
    if (this != &other) {
      Reset();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() { Reset(); }

  int fd() const { return fd_; }
  bool IsOpen() const { return fd_ >= 0; }
  // Closes now; returns false when the close itself failed (data may not have reached the disk).
  bool Reset() {
    if (fd_ < 0) return true;
    int rc = ::close(std::exchange(fd_, -1));
    return rc == 0;
  }

 private:
  int fd_ = -1;
};

// Takes an advisory lock (LOCK_SH or LOCK_EX) without waiting, so that the program's own readers
// and writers never share a file the way they must not. False only when another holder has it;
// a file system without locks lets everyone in.
inline bool LockFile(int fd, int how) {
  if (::flock(fd, how | LOCK_NB) == 0) return true;
  return errno != EWOULDBLOCK;
}
