#include "sync/safe_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <vector>

#include "reading/path_helpers.h"
#include "sync/copy_bytes.h"
#include "sync/extended_attributes.h"
#include "sync/temporary_files.h"

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
// absent when it did not exist. `found`, when given, receives what is there
// now (a link itself, not its target); it stays all zero when nothing is.
int CheckUnchanged(int dir, const std::string& name, const SeenFile& seen,
                   struct stat* found = nullptr) {
  struct stat st {};
  if (fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
    // Gone since, or never there: nothing of it can be lost.
    return errno == ENOENT ? 0 : errno;
  }
  if (found) *found = st;
  if (!seen.existed) return kChangedSinceRead;  // appeared since (a dangling link too)
  // The folders were read through links; so is the time stamp compared.
  if (S_ISLNK(st.st_mode) && fstatat(dir, name.c_str(), &st, 0) != 0) return kChangedSinceRead;
  if (StampText(st.st_mtim.tv_sec) != seen.stamp) return kChangedSinceRead;
  return 0;
}

// Where a file system cannot keep a mode or a time (FAT, FUSE drivers without
// permissions), the copy stands without it; any other error fails the copy.
bool Unsupported(int error) {
  return error == ENOSYS || error == EPERM || error == ENOTSUP || error == EOPNOTSUPP;
}

// A file the running user may not write, or one with no write bit at all
// (which root could write over anyway), is write-protected: it is neither
// replaced nor deleted.
bool WriteProtected(int dir, const char* name, const struct stat& st) {
  if (!S_ISREG(st.st_mode)) return false;
  if ((st.st_mode & 0222) == 0) return true;
  return faccessat(dir, name, W_OK, AT_EACCESS) != 0 && errno == EACCES;
}

// Gives the new file the permission bits, owner and group of the destination
// it replaces. Returns 0 or an error number.
int KeepPermissions(int out, const struct stat& replaced) {
  mode_t mode = replaced.st_mode & 07777;
  struct stat now {};
  if (fstat(out, &now) == 0 && (now.st_uid != replaced.st_uid || now.st_gid != replaced.st_gid) &&
      fchown(out, replaced.st_uid, replaced.st_gid) != 0) {
    // An ordinary user may keep the group at most; the setuid and setgid
    // bits were meant for the old owner and group only.
    fchown(out, static_cast<uid_t>(-1), replaced.st_gid);
    mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
  }
  if (CopyMetadataCalls().setMode(out, mode) != 0 && !Unsupported(errno)) return errno;
  return 0;
}

}  // namespace

MetadataCalls& CopyMetadataCalls() {
  static MetadataCalls calls;
  return calls;
}

void DurableRun::WritesTo(int folder) {
  struct stat st {};
  if (fstat(folder, &st) != 0 || !swept_.insert({st.st_dev, st.st_ino}).second) return;
  RemoveOldTemporaryFiles(folder);
}

void DurableRun::Finish() {
  for (const std::string& root : roots_) {
    Fd fd(open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.ok()) syncfs(fd.get());
  }
  roots_.clear();
}

SideFolder::~SideFolder() {
  if (read_.fd >= 0) close(read_.fd);
  if (write_.fd >= 0) close(write_.fd);
}

int SideFolder::Parent(const std::string& rel, Reach reach, int& folder, std::string& name,
                       const SourceFolders* like) {
  std::vector<std::string> folders;
  if (!Split(rel, folders, name)) return rel.empty() ? ENOENT : EPERM;
  Open& slot = reach == Reach::kRead ? read_ : write_;
  std::string wanted = rel.substr(0, rel.size() - name.size());
  if (slot.fd >= 0 && wanted == slot.folder) {
    folder = slot.fd;
    return 0;
  }
  if (slot.fd >= 0) close(slot.fd);
  slot.fd = -1;
  const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | (reach == Reach::kRead ? 0 : O_NOFOLLOW);
  Fd dir(open(root_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir.ok()) return errno;
  for (size_t depth = 0; depth < folders.size(); ++depth) {
    const std::string& part = folders[depth];
    Fd next(openat(dir.get(), part.c_str(), flags));
    if (!next.ok() && errno == ENOENT && reach == Reach::kCreate) {
      mode_t mode = like ? like->ModeAt(depth) : S_IRWXU;
      if (mkdirat(dir.get(), part.c_str(), mode) != 0 && errno != EEXIST) return errno;
      next = Fd(openat(dir.get(), part.c_str(), flags));
    }
    if (!next.ok()) return errno;
    dir = std::move(next);
  }
  slot.fd = dup(dir.get());
  if (slot.fd < 0) return errno;
  slot.folder = wanted;
  folder = slot.fd;
  return 0;
}

int PrepareTarget(SideFolder& side, const std::string& rel, const SideFolder& from,
                  const std::string& fromRel) {
  struct stat st {};
  if (stat(side.Root().c_str(), &st) != 0) {
    std::error_code ec;
    std::filesystem::create_directories(side.Root(), ec);
    if (ec) return ec.value();
  }
  int folder = -1;
  std::string name;
  SourceFolders like(from.Root(), fromRel);
  return side.Parent(rel, Reach::kCreate, folder, name, &like);
}

int CopyBeneath(SideFolder& src, const std::string& srcRel, SideFolder& dst,
                const std::string& dstRel, const SeenFile& destination, DurableRun& run) {
  int srcDir = -1, dstDir = -1;
  std::string srcName, dstName;
  if (int e = src.Parent(srcRel, Reach::kRead, srcDir, srcName)) return e;
  Fd in(openat(srcDir, srcName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (!in.ok()) return errno;
  struct stat st {};
  if (fstat(in.get(), &st) != 0) return errno;
  if (!S_ISREG(st.st_mode)) return EINVAL;  // never read a FIFO or a device
  if (int e = dst.Parent(dstRel, Reach::kWrite, dstDir, dstName)) return e;
  struct stat old {};
  if (int e = CheckUnchanged(dstDir, dstName, destination, &old)) return e;
  bool replaces = S_ISREG(old.st_mode);
  if (replaces && WriteProtected(dstDir, dstName.c_str(), old)) return EACCES;
  run.WritesTo(dstDir);

  // A new file is created with the source's bits, which the kernel limits by
  // the umask (or the folder's default ACL); never setuid, setgid or sticky.
  // One that replaces a destination stays private until it takes that one's.
  const mode_t createMode = replaces ? 0600 : st.st_mode & 0777;
  std::string tmp;
  Fd out;
  for (int attempt = 0; attempt < 100 && !out.ok(); ++attempt) {
    tmp = TemporaryName();
    // Known before it exists: a signal that comes while it is being created
    // must find it. The name is a fresh temporary name, never a user's file.
    BeginUnfinishedCopy(dstDir, tmp);
    out = Fd(openat(dstDir, tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, createMode));
    if (!out.ok()) {
      int error = errno;
      EndUnfinishedCopy();
      if (error != EEXIST) return error;
    }
  }
  if (!out.ok()) return EEXIST;
  run.Touched(dst.Root());
  timespec times[2] = {st.st_atim, st.st_mtim};
  int e = CopyBytes(in.get(), out.get(), st.st_size);
  if (!e) e = CopyUserAttributes(in.get(), out.get());
  if (!e && replaces) e = KeepPermissions(out.get(), old);
  if (!e && replaces) e = KeepAccessAcl(out.get(), dstDir, dstName);
  if (!e && CopyMetadataCalls().setTimes(out.get(), times) != 0 && !Unsupported(errno)) e = errno;
  // Checked once more right before the rename, so the window in which a change
  // by another program could be overwritten stays as small as it can be.
  if (!e) e = CheckUnchanged(dstDir, dstName, destination);
  if (!e && renameat(dstDir, tmp.c_str(), dstDir, dstName.c_str()) != 0) e = errno;
  if (e) unlinkat(dstDir, tmp.c_str(), 0);
  EndUnfinishedCopy();
  return e;
}

int DeleteBeneath(SideFolder& side, const std::string& rel, const SeenFile& target,
                  DurableRun& run) {
  int dir = -1;
  std::string name;
  if (int e = side.Parent(rel, Reach::kWrite, dir, name)) return e;
  struct stat st {};
  if (fstatat(dir, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return errno;
  if (S_ISDIR(st.st_mode)) return EISDIR;  // folders are never deleted
  if (int e = CheckUnchanged(dir, name, target)) return e;
  if (WriteProtected(dir, name.c_str(), st)) return EACCES;
  run.WritesTo(dir);
  if (unlinkat(dir, name.c_str(), 0) != 0) return errno;
  run.Touched(side.Root());
  return 0;
}

}  // namespace zweiblick
