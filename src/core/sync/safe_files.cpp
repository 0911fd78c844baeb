#include "sync/safe_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <vector>

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
    std::string part = rel.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (part.empty() || part == "." || part == "..") return false;
    if (end == std::string::npos) {
      name = part;
      return true;
    }
    folders.push_back(part);
    start = end + 1;
  }
}

// Opens the folder that holds root/rel, walking down from the root one folder at
// a time without following links. Sets `name` to the file's own name.
int OpenParent(const std::string& root, const std::string& rel, Fd& parent, std::string& name,
               bool create = false) {
  std::vector<std::string> folders;
  if (!Split(rel, folders, name)) return rel.empty() ? ENOENT : EPERM;
  Fd dir(open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir.ok()) return errno;
  for (const std::string& folder : folders) {
    if (create && mkdirat(dir.get(), folder.c_str(), 0777) != 0 && errno != EEXIST) return errno;
    Fd next(openat(dir.get(), folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!next.ok()) return errno;
    dir = std::move(next);
  }
  parent = std::move(dir);
  return 0;
}

// Whether the entry is still as it was seen: the same time stamp, or still
// absent when it did not exist.
int CheckUnchanged(int dir, const std::string& name, const SeenFile& seen) {
  struct stat st {};
  if (fstatat(dir, name.c_str(), &st, 0) != 0) {
    if (errno != ENOENT) return errno;
    // Gone since: nothing of it can be lost. A dangling link in its place is
    // something the user has not seen, though.
    return fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 ? kChangedSinceRead : 0;
  }
  if (!seen.existed || StampText(st.st_mtim.tv_sec) != seen.stamp) return kChangedSinceRead;
  return 0;
}

int CopyBytes(int from, int to) {
  bool fast = true;
  for (;;) {
    if (fast) {
      ssize_t n = copy_file_range(from, nullptr, to, nullptr, 1 << 30, 0);
      if (n > 0) continue;
      if (n == 0) return 0;
      if (errno == EINTR) continue;
      if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP && errno != EPERM)
        return errno;
      fast = false;  // this pair of file systems cannot: copy by hand from here on
    }
    static thread_local std::vector<char> buffer(1 << 20);
    ssize_t n = read(from, buffer.data(), buffer.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (n == 0) return 0;
    for (ssize_t done = 0; done < n;) {
      ssize_t w = write(to, buffer.data() + done, static_cast<size_t>(n - done));
      if (w < 0) {
        if (errno == EINTR) continue;
        return errno;
      }
      done += w;
    }
  }
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

int PrepareTarget(const std::string& root, const std::string& rel) {
  std::error_code ec;
  std::filesystem::create_directories(root, ec);
  if (ec) return ec.value();
  Fd parent;
  std::string name;
  return OpenParent(root, rel, parent, name, true);
}

int CopyBeneath(const std::string& srcRoot, const std::string& srcRel, const std::string& dstRoot,
                const std::string& dstRel, const SeenFile& destination, DurableRun& run) {
  Fd srcDir, dstDir;
  std::string srcName, dstName;
  if (int e = OpenParent(srcRoot, srcRel, srcDir, srcName)) return e;
  Fd src(openat(srcDir.get(), srcName.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (!src.ok()) return errno;
  struct stat st {};
  if (fstat(src.get(), &st) != 0) return errno;
  if (!S_ISREG(st.st_mode)) return EINVAL;  // never read a FIFO or a device
  if (int e = OpenParent(dstRoot, dstRel, dstDir, dstName)) return e;
  if (int e = CheckUnchanged(dstDir.get(), dstName, destination)) return e;

  std::string tmp;
  Fd out;
  for (int attempt = 0; attempt < 100 && !out.ok(); ++attempt) {
    tmp = TemporaryName();
    out = Fd(openat(dstDir.get(), tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!out.ok() && errno != EEXIST) return errno;
  }
  if (!out.ok()) return EEXIST;
  run.Touched(dstRoot);
  timespec times[2] = {st.st_atim, st.st_mtim};
  int e = CopyBytes(src.get(), out.get());
  if (!e && fchmod(out.get(), st.st_mode & 07777) != 0) e = errno;
  if (!e && futimens(out.get(), times) != 0) e = errno;
  // Checked once more right before the rename, so the window in which a change
  // by another program could be overwritten stays as small as it can be.
  if (!e) e = CheckUnchanged(dstDir.get(), dstName, destination);
  if (!e && renameat(dstDir.get(), tmp.c_str(), dstDir.get(), dstName.c_str()) != 0) e = errno;
  if (e) unlinkat(dstDir.get(), tmp.c_str(), 0);
  return e;
}

int DeleteBeneath(const std::string& root, const std::string& rel, const SeenFile& target, DurableRun& run) {
  Fd dir;
  std::string name;
  if (int e = OpenParent(root, rel, dir, name)) return e;
  struct stat st {};
  if (fstatat(dir.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
  if (S_ISDIR(st.st_mode)) return EISDIR;  // folders are never deleted
  if (int e = CheckUnchanged(dir.get(), name, target)) return e;
  if (unlinkat(dir.get(), name.c_str(), 0) != 0) return errno;
  run.Touched(root);
  return 0;
}

}  // namespace zweiblick
