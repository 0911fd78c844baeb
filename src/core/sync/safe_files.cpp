#include "sync/safe_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <random>
#include <vector>

#include "platform/aligned_buffer.h"
#include "reading/path_helpers.h"

namespace zweiblick {
namespace {

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  Fd(Fd&& o) noexcept : fd_(o.fd_) { o.fd_ = -1; }
  Fd& operator=(Fd&& o) noexcept {
    std::swap(fd_, o.fd_);
    return *this;
  }
  ~Fd() {
    if (fd_ >= 0) close(fd_);
  }
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }

 private:
  int fd_;
};

// Splits a relative name into its folders and its file name. Empty parts, "."
// and ".." are refused: a name must not lead out of its folder.
bool Split(const std::string& rel, std::vector<std::string>& folders, std::string& name) {
  folders.clear();
  size_t start = 0;
  for (;;) {
    size_t end = rel.find(kSep, start);
    std::string part =
        rel.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (part.empty() || part == "." || part == "..") return false;
    if (end == std::string::npos) {
      name = part;
      return true;
    }
    folders.push_back(part);
    start = end + 1;
  }
}

// Whether the entry is still as it was seen: the same time stamp, or still
// absent when it did not exist.
int CheckUnchanged(int dir, const std::string& name, const SeenFile& seen) {
  struct stat st {};
  if (fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    // Gone since, or never there: nothing of it can be lost.
    return errno == ENOENT ? 0 : errno;
  }
  if (!seen.existed) return kChangedSinceRead;  // appeared since (a dangling link too)
  // The folders were read through links; so is the time stamp compared.
  if (S_ISLNK(st.st_mode) && fstatat(dir, name.c_str(), &st, 0) != 0) return kChangedSinceRead;
  if (StampText(st.st_mtim.tv_sec) != seen.stamp) return kChangedSinceRead;
  return 0;
}

// Copies `size` bytes, or fewer when the source has shrunk since.
int CopyBytes(int from, int to, off_t size) {
  bool fast = true;
  off_t done = 0;
  while (done < size) {
    if (fast) {
      ssize_t n = copy_file_range(from, nullptr, to, nullptr,
                                  static_cast<size_t>(std::min<off_t>(size - done, 1 << 30)), 0);
      if (n > 0) {
        done += n;
        continue;
      }
      if (n == 0) return 0;
      if (errno == EINTR) continue;
      if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP &&
          errno != EPERM)
        return errno;
      fast = false;  // this pair of file systems cannot: copy by hand from here on
    }
    static thread_local AlignedBuffer buffer(1 << 20);
    ssize_t n =
        read(from, buffer.data(), static_cast<size_t>(std::min<off_t>(size - done, buffer.size())));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return 0;
    for (ssize_t written = 0; written < n;) {
      ssize_t w = write(to, buffer.data() + written, static_cast<size_t>(n - written));
      if (w < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      written += w;
    }
    done += n;
  }
  return 0;
}

std::string TemporaryName() {
  static std::mt19937_64 random{std::random_device{}()};
  static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  // A dot name: the walk never shows one that a crash may leave behind.
  std::string name = ".zweiblick-";
  for (int i = 0; i < 12; ++i) name += digits[random() % 36];
  return name + ".tmp";
}

}  // namespace

void DurableRun::Finish() {
  for (const std::string& root : roots_) {
    Fd fd(open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.ok()) syncfs(fd.get());
  }
  roots_.clear();
}

SideFolder::~SideFolder() {
  if (fd_ >= 0) close(fd_);
}

int SideFolder::Parent(const std::string& rel, bool create, int& folder, std::string& name) {
  std::vector<std::string> folders;
  if (!Split(rel, folders, name)) return rel.empty() ? ENOENT : EPERM;
  std::string wanted = rel.substr(0, rel.size() - name.size());
  if (fd_ >= 0 && wanted == openFolder_) {
    folder = fd_;
    return 0;
  }
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  Fd dir(open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir.ok()) return errno;
  for (const std::string& part : folders) {
    Fd next(openat(dir.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!next.ok() && errno == ENOENT && create) {
      if (mkdirat(dir.get(), part.c_str(), 0777) != 0 && errno != EEXIST) return errno;
      next = Fd(openat(dir.get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    }
    if (!next.ok()) return errno;
    dir = std::move(next);
  }
  fd_ = dup(dir.get());
  if (fd_ < 0) return errno;
  openFolder_ = wanted;
  folder = fd_;
  return 0;
}

int PrepareTarget(SideFolder& side, const std::string& rel) {
  struct stat st {};
  if (stat(side.Root().c_str(), &st) != 0) {
    std::error_code ec;
    std::filesystem::create_directories(side.Root(), ec);
    if (ec) return ec.value();
  }
  int folder = -1;
  std::string name;
  return side.Parent(rel, true, folder, name);
}

int CopyBeneath(SideFolder& src, const std::string& srcRel, SideFolder& dst,
                const std::string& dstRel, const SeenFile& destination, DurableRun& run) {
  int srcDir = -1, dstDir = -1;
  std::string srcName, dstName;
  if (int e = src.Parent(srcRel, false, srcDir, srcName)) return e;
  Fd in(openat(srcDir, srcName.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (!in.ok()) return errno;
  struct stat st {};
  if (fstat(in.get(), &st) != 0) return errno;
  if (!S_ISREG(st.st_mode)) return EINVAL;  // never read a FIFO or a device
  if (int e = dst.Parent(dstRel, false, dstDir, dstName)) return e;
  if (int e = CheckUnchanged(dstDir, dstName, destination)) return e;

  std::string tmp;
  Fd out;
  for (int attempt = 0; attempt < 100 && !out.ok(); ++attempt) {
    tmp = TemporaryName();
    out = Fd(openat(dstDir, tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!out.ok() && errno != EEXIST) return errno;
  }
  if (!out.ok()) return EEXIST;
  run.Touched(dst.Root());
  timespec times[2] = {st.st_atim, st.st_mtim};
  int e = CopyBytes(in.get(), out.get(), st.st_size);
  if (!e && fchmod(out.get(), st.st_mode & 07777) != 0) e = errno;
  if (!e && futimens(out.get(), times) != 0) e = errno;
  // Checked once more right before the rename, so the window in which a change
  // by another program could be overwritten stays as small as it can be.
  if (!e) e = CheckUnchanged(dstDir, dstName, destination);
  if (!e && renameat(dstDir, tmp.c_str(), dstDir, dstName.c_str()) != 0) e = errno;
  if (e) unlinkat(dstDir, tmp.c_str(), 0);
  return e;
}

int DeleteBeneath(SideFolder& side, const std::string& rel, const SeenFile& target,
                  DurableRun& run) {
  int dir = -1;
  std::string name;
  if (int e = side.Parent(rel, false, dir, name)) return e;
  struct stat st {};
  if (fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
  if (S_ISDIR(st.st_mode)) return EISDIR;  // folders are never deleted
  if (int e = CheckUnchanged(dir, name, target)) return e;
  if (unlinkat(dir, name.c_str(), 0) != 0) return errno;
  run.Touched(side.Root());
  return 0;
}

}  // namespace zweiblick
