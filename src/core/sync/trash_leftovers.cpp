// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/trash_leftovers.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <set>
#include <vector>

#include "files/file_identity.h"
#include "platform/descriptors.h"
#include "platform/fd.h"
#include "sync/run_identity.h"

namespace zweiblick {
namespace {

constexpr const char kRecordPrefix[] = ".zweiblick-run-";

// Every name in the open folder `dir`; false when it could not be read to its end.
bool Names(int dir, std::vector<std::string>& out) {
  int fd = OpenWaiting([&] { return openat(dir, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
  if (fd < 0) return false;
  DIR* listing = fdopendir(fd);
  if (!listing) {
    close(fd);
    return false;
  }
  for (;;) {
    errno = 0;
    dirent* e = readdir(listing);
    if (!e) break;
    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
      out.emplace_back(e->d_name);
  }
  const bool complete = errno == 0;
  return closedir(listing) == 0 && complete;
}

// The run that wrote a record (".zweiblick-run-RUN-N"); empty for other names.
std::string RunOfRecord(const std::string& name) {
  const size_t prefix = sizeof kRecordPrefix - 1, last = name.rfind('-');
  if (name.compare(0, prefix, kRecordPrefix) != 0 || last == std::string::npos || last <= prefix)
    return {};
  return name.substr(prefix, last - prefix);
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The run key and the decoded path of the .trashinfo info/name. False when it
// could not be read; a file no run of ours wrote (no regular file, too long
// for one) is read as one without a key.
bool ReadTrashInfo(int info, const std::string& name, std::string& run, std::string& path) {
  run.clear();
  path.clear();
  Fd in(OpenWaiting(
      [&] { return openat(info, name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC); }));
  if (!in.ok()) return errno == ELOOP;  // a link: no .trashinfo of ours
  struct stat st {};
  if (fstat(in.get(), &st) != 0) return false;
  if (!S_ISREG(st.st_mode) || st.st_size > 4 * PATH_MAX) return true;
  std::string text(static_cast<size_t>(st.st_size), '\0');
  size_t done = 0;
  while (done < text.size()) {
    ssize_t n = read(in.get(), text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    done += static_cast<size_t>(n);
  }
  text.resize(done);
  if (in.Close() != 0) return false;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    at = end + 1;
    if (line.compare(0, sizeof kTrashRunKey - 1, kTrashRunKey) == 0) {
      run = line.substr(sizeof kTrashRunKey - 1);
    } else if (line.compare(0, 5, "Path=") == 0) {
      for (size_t i = 5; i < line.size(); ++i) {
        int hi = 0, lo = 0;
        if (line[i] == '%' && i + 2 < line.size() && (hi = HexDigit(line[i + 1])) >= 0 &&
            (lo = HexDigit(line[i + 2])) >= 0) {
          path += static_cast<char>(hi * 16 + lo);
          i += 2;
        } else {
          path += line[i];
        }
      }
    }
  }
  return true;
}

// A .trashinfo left empty by a run killed between making it and writing it
// (a minute ago or longer: not one being written now), without a file of its
// name: it restores nothing, and no trash tool can list it.
bool EmptyAndAlone(int info, int files, const std::string& name, size_t suffix) {
  struct stat st {};
  if (fstatat(info, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode) ||
      st.st_size != 0 || st.st_mtime > time(nullptr) - 60)
    return false;
  struct stat there {};
  const std::string inFiles = name.substr(0, name.size() - suffix);
  return fstatat(files, inFiles.c_str(), &there, AT_SYMLINK_NOFOLLOW) != 0 && errno == ENOENT;
}

}  // namespace

std::string WriteRunRecord(int trash, const std::string& run, int instance) {
  std::string name = kRecordPrefix + run + "-" + std::to_string(instance);
  Fd out(OpenWaiting([&] {
    return openat(trash, name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  }));
  if (!out.ok()) return {};
  if (out.Close() != 0 || (fsync(trash) != 0 && errno != EINVAL)) {
    unlinkat(trash, name.c_str(), 0);
    return {};
  }
  return name;
}

namespace {

// What became of an old version a gone run left in the trash's files/.
enum class Leftover {
  kGone,   // not there (any more): its .trashinfo may go
  kKept,   // the trash's own: it stays, with its .trashinfo
  kDoubt,  // cannot tell: it stays, and so do the run's records
};

// Removes files/inFiles where it is only a second name of the file that
// stands in its place (`path`, relative to `top` or absolute).
Leftover SweepLeftover(int files, int top, const std::string& inFiles, const std::string& path) {
  struct stat there {};
  if (fstatat(files, inFiles.c_str(), &there, AT_SYMLINK_NOFOLLOW) != 0)
    return errno == ENOENT ? Leftover::kGone : Leftover::kDoubt;
  // A relative path is below the trash's top folder; an absolute one,
  // in the home trash, as the kernel named it.
  struct stat inPlace {};
  const int from = !path.empty() && path[0] == '/' ? AT_FDCWD : top;
  if (path.empty() || from == -1) return Leftover::kKept;  // nowhere to look
  if (fstatat(from, path.c_str(), &inPlace, AT_SYMLINK_NOFOLLOW) != 0) {
    // Its place is empty: moved into the trash.
    return errno != ENOENT && errno != ENOTDIR ? Leftover::kDoubt : Leftover::kKept;
  }
  if (!Same(inPlace, there, kSameInode, /*inodesLast=*/true) || there.st_nlink < 2)
    return Leftover::kKept;  // another file in its place: the old version is in the trash
  if (unlinkat(files, inFiles.c_str(), 0) != 0 && errno != ENOENT) return Leftover::kDoubt;
  return Leftover::kGone;
}

}  // namespace

void SweepGoneRuns(int trash, int files, int info, int top, const std::string& self) {
  std::vector<std::string> names;
  if (!Names(trash, names)) return;
  std::set<std::string> gone;
  std::vector<std::string> records;
  for (const std::string& name : names) {
    std::string run = RunOfRecord(name);
    if (run.empty() || run == self || RunOf(run) != Run::kGone) continue;
    gone.insert(run);
    records.push_back(name);
  }
  if (gone.empty()) return;
  bool doubt = false;
  names.clear();
  if (!Names(info, names)) return;
  const size_t suffix = sizeof kTrashInfoSuffix - 1;
  for (const std::string& name : names) {
    if (name.size() <= suffix || name.compare(name.size() - suffix, suffix, kTrashInfoSuffix) != 0)
      continue;
    std::string run, path;
    if (!ReadTrashInfo(info, name, run, path)) {
      doubt = true;
      continue;
    }
    if (run.empty() && path.empty() && EmptyAndAlone(info, files, name, suffix)) {
      if (unlinkat(info, name.c_str(), 0) != 0 && errno != ENOENT) doubt = true;
      continue;
    }
    if (!gone.count(run)) continue;
    const Leftover left = SweepLeftover(files, top, name.substr(0, name.size() - suffix), path);
    if (left == Leftover::kDoubt) doubt = true;
    if (left != Leftover::kGone) continue;
    if (unlinkat(info, name.c_str(), 0) != 0 && errno != ENOENT) doubt = true;
  }
  if (doubt) return;
  for (const std::string& record : records) unlinkat(trash, record.c_str(), 0);
}

}  // namespace zweiblick
