// SPDX-License-Identifier: GPL-3.0-or-later
// An open file descriptor that closes itself, and the folder a run entered
// last, kept open.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <string>
#include <string_view>
#include <utility>

namespace zweiblick {

// Writes all of `bytes`, going on after a signal; 0 or an error number (EIO
// where the file takes nothing more).
inline int WriteAll(int fd, std::string_view bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return n < 0 ? errno : EIO;
    done += static_cast<size_t>(n);
  }
  return 0;
}

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(Fd&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
  Fd& operator=(Fd&& o) noexcept {
    std::swap(fd_, o.fd_);
    return *this;
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  // Closes now and says how: network and FUSE file systems report write-back
  // errors here only, so a written file's close must be checked.
  int Close() {
    int fd = std::exchange(fd_, -1);
    return fd < 0 || close(fd) == 0 ? 0 : errno;
  }

 private:
  int fd_;
};

// The folder (a path relative to some root) entered last, kept open: the rows
// of one folder follow each other, so most files are then found by their own
// name and the kernel is spared most of its path lookups.
class LastFolder {
 public:
  bool Holds(std::string_view folder) const { return fd_.ok() && folder == folder_; }
  int get() const { return fd_.get(); }
  const std::string& Folder() const { return folder_; }
  void Keep(std::string_view folder, Fd fd) {
    folder_ = folder;
    fd_ = std::move(fd);
  }
  void Forget() { fd_ = Fd(); }

 private:
  std::string folder_;
  Fd fd_;
};

}  // namespace zweiblick
