// SPDX-License-Identifier: GPL-3.0-or-later
#include "textdiff/save_text_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <string>

#include "platform/descriptors.h"
#include "platform/fd.h"
#include "sync/safe_files.h"
#include "sync/temporary_files.h"

namespace zweiblick {

namespace {

// Writes the temporary file completely; its descriptor is closed, with the
// result of close looked at, before anything else happens to it.
int WriteTemporary(int dir, const std::string& tmp, const TextFile& file) {
  Fd out(OpenWaiting(
      [&] { return openat(dir, tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600); }));
  if (!out.ok()) return errno;
  std::string bytes;
  if (file.bom) bytes = "\xEF\xBB\xBF";
  for (const std::string& line : file.lines) {
    bytes += line;
    if (bytes.size() >= (1 << 20)) {
      if (int e = WriteAll(out.get(), bytes)) return e;
      bytes.clear();
    }
  }
  if (int e = WriteAll(out.get(), bytes)) return e;
  // The old file's owner where this process may give it; its bits always.
  if (fchown(out.get(), file.owner, file.group) != 0 && errno != EPERM) return errno;
  if (fchmod(out.get(), file.mode & 07777) != 0 && errno != EPERM && errno != ENOSYS &&
      errno != ENOTSUP)
    return errno;
  if (fsync(out.get()) != 0) return errno;
  return out.Close();
}

}  // namespace

SaveResult SaveTextFile(TextFile& file, Trash& trash, int& error) {
  error = 0;
  // A link is saved through: the file it points to is the one that was read.
  char real[PATH_MAX];
  if (!realpath(file.path.c_str(), real)) {
    error = errno;
    return errno == ENOENT ? SaveResult::kChangedOnDisk : SaveResult::kFailed;
  }
  std::string path = real;
  std::size_t slash = path.rfind('/');
  std::string folder = slash == 0 ? "/" : path.substr(0, slash);
  std::string name = path.substr(slash + 1);
  Fd dir(OpenWaiting([&] { return open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
  if (!dir.ok()) {
    error = errno;
    return SaveResult::kFailed;
  }
  struct stat before {};
  auto unchanged = [&]() -> int {
    if (fstatat(dir.get(), name.c_str(), &before, AT_SYMLINK_NOFOLLOW) != 0)
      return errno == ENOENT ? kChangedSinceRead : errno;
    return file.StillAsRead(before) ? 0 : kChangedSinceRead;
  };
  auto fail = [&](int e) {
    error = e;
    return e == kChangedSinceRead ? SaveResult::kChangedOnDisk : SaveResult::kFailed;
  };
  if (int e = unchanged()) return fail(e);

  const std::string tmp = TemporaryName();
  const int unfinished = BeginUnfinishedCopy(dir.get(), tmp);
  int e = WriteTemporary(dir.get(), tmp, file);
  TrashSlot slot;
  bool linked = false;
  if (e == 0) e = trash.Reserve(dir.get(), name, folder, slot, true, &linked, &before);
  if (e == 0) {
    // The trash may have asked: the file is looked at once more.
    if (int c = unchanged()) {
      if (linked) unlinkat(slot.files, slot.name.c_str(), 0);
      if (!slot.forGood) Trash::Abandon(slot);
      e = c;
    } else {
      e = ReplaceKeepingOld(dir.get(), tmp, name, slot, trash, linked, before);
    }
  }
  if (e != 0) {
    unlinkat(dir.get(), tmp.c_str(), 0);
    EndUnfinishedCopy(unfinished);
    return fail(e);
  }
  EndUnfinishedCopy(unfinished);
  // The new name on the disk too, before the window calls it saved.
  if (fsync(dir.get()) != 0) return fail(errno);
  struct stat now {};
  if (fstatat(dir.get(), name.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0) return fail(errno);
  file.size = std::uint64_t(now.st_size);
  file.device = now.st_dev;
  file.inode = now.st_ino;
  file.mode = now.st_mode;
  file.mtime = now.st_mtim;
  file.ctime = now.st_ctim;
  return SaveResult::kSaved;
}

}  // namespace zweiblick
