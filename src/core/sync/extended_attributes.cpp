// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/extended_attributes.h"
#include "platform/descriptors.h"
#include "platform/fd.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>

namespace zweiblick {
namespace {

constexpr const char* kAccessAcl = "system.posix_acl_access";

// The answers of a file system that keeps no such attributes.
bool NotKept(int error) {
  return error == ENOTSUP || error == EOPNOTSUPP || error == ENOSYS;
}

// Reads a value of unknown length with `get` (a *getxattr or *listxattr call).
// Returns 0 or an error number.
int ReadValue(const std::function<ssize_t(char*, size_t)>& get, std::string& value) {
  for (;;) {
    ssize_t n = get(nullptr, 0);
    if (n < 0) return errno;
    value.clear();
    if (n == 0) return 0;
    value.resize(static_cast<size_t>(n));
    n = get(value.data(), value.size());
    if (n >= 0) {
      value.resize(static_cast<size_t>(n));
      return 0;
    }
    if (errno != ERANGE) return errno;  // it grew in between: once more
  }
}

}  // namespace

int KeepAccessAcl(int out, int dir, const std::string& name) {
  // Reached without opening the file itself (it may be one we could not
  // read); f*xattr refuses an O_PATH descriptor, its /proc name does not.
  Fd old(OpenWaiting([&] { return openat(dir, name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC); }));
  if (!old.ok()) return errno == ENOENT ? 0 : errno;  // gone: nothing to keep
  char path[40];
  std::snprintf(path, sizeof path, "/proc/self/fd/%d", old.get());
  std::string acl;
  int e = ReadValue([&](char* v, size_t n) { return getxattr(path, kAccessAcl, v, n); }, acl);
  if (e == ENOENT) {  // no /proc here (a chroot): through the file itself
    Fd file(OpenWaiting([&] {
      return openat(dir, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    }));
    e = file.ok()
            ? ReadValue([&](char* v, size_t n) { return fgetxattr(file.get(), kAccessAcl, v, n); },
                        acl)
            : errno;
  }
  old = Fd();
  if (NotKept(e)) return 0;
  if (e == ENODATA) {
    // The folder's default ACL must not share a file that was not shared.
    if (fremovexattr(out, kAccessAcl) != 0 && errno != ENODATA && !NotKept(errno)) return errno;
    return 0;
  }
  if (e) return e;
  if (fsetxattr(out, kAccessAcl, acl.data(), acl.size(), 0) != 0 && !NotKept(errno)) return errno;
  return 0;
}

int CopyUserAttributes(int from, int to) {
  std::string names;
  if (int e = ReadValue([&](char* v, size_t n) { return flistxattr(from, v, n); }, names))
    return NotKept(e) ? 0 : e;
  struct stat st {};
  bool looked = false, restore = false;
  int result = 0;
  for (size_t at = 0; at < names.size(); at += std::strlen(names.c_str() + at) + 1) {
    const char* name = names.c_str() + at;
    if (std::strncmp(name, "user.", 5) != 0) continue;
    std::string value;
    int e = ReadValue([&](char* v, size_t n) { return fgetxattr(from, name, v, n); }, value);
    if (e == ENODATA || NotKept(e)) continue;  // removed since it was listed
    if (e) {
      result = e;
      break;
    }
    // Writing an attribute needs the write bit, which a copy of a read-only
    // file lacks; it gets its own bits back below. Where chmod is refused the
    // attribute is tried all the same.
    if (!looked) {
      looked = true;
      if (fstat(to, &st) != 0) return errno;
      restore = !(st.st_mode & S_IWUSR) && fchmod(to, (st.st_mode & 07777) | S_IWUSR) == 0;
    }
    if (fsetxattr(to, name, value.data(), value.size(), 0) != 0) {
      if (!NotKept(errno)) result = errno;
      break;  // or the file system keeps none: the copy stands without them
    }
  }
  if (restore && fchmod(to, st.st_mode & 07777) != 0) return errno;
  return result;
}

}  // namespace zweiblick
