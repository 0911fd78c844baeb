// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/temporary_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <random>

#include "sync/run_identity.h"
#include "sync/trash.h"

namespace zweiblick {
namespace {

constexpr const char kPrefix[] = ".zweiblick-";
constexpr const char kSuffix[] = ".tmp";
constexpr time_t kLeftoverAge = 24 * 60 * 60;

// What a signal handler may read: a place is taken, its name written, then
// its folder published; the folder is taken back before the place is freed.
struct Unfinished {
  std::atomic<bool> taken{false};
  std::atomic<int> folder{-1};
  char name[128];
};
constexpr int kUnfinishedPlaces = 256;
Unfinished unfinished[kUnfinishedPlaces];
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

// The run that wrote the temporary file `name`: its name without the prefix,
// the random part and the suffix; empty for a name of an older version.
std::string WriterOf(const std::string& name) {
  std::string inner =
      name.substr(sizeof kPrefix - 1, name.size() - (sizeof kPrefix - 1) - (sizeof kSuffix - 1));
  size_t last = inner.rfind('-');
  if (last == std::string::npos || std::count(inner.begin(), inner.end(), '-') != 5) return {};
  return inner.substr(0, last);
}

// Safe in a signal handler.
void RemoveUnfinishedCopy() {
  for (Unfinished& copy : unfinished) {
    int folder = copy.folder.exchange(-1);
    if (folder >= 0) unlinkat(folder, copy.name, 0);
  }
}

void RemoveAndRaise(int signal) {
  RemoveUnfinishedCopy();
  TakeBackUnusedReservations();
  // The handler was reset to the default on entry: the signal now ends the
  // program once the handler returns, with the status a caller expects.
  raise(signal);
}

}  // namespace

bool IsTemporaryName(const char* name) {
  size_t n = std::strlen(name), p = sizeof kPrefix - 1, s = sizeof kSuffix - 1;
  return n > p + s && std::strncmp(name, kPrefix, p) == 0 &&
         std::strcmp(name + n - s, kSuffix) == 0;
}

std::string TemporaryName() {
  thread_local std::mt19937_64 random{std::random_device{}()};
  static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string name = kPrefix + ThisRun() + "-";
  for (int i = 0; i < 8; ++i) name += digits[random() % 36];
  return name + kSuffix;
}

int BeginUnfinishedCopy(int folder, const std::string& name) {
  if (name.size() >= sizeof unfinished[0].name) return -1;
  for (int i = 0; i < kUnfinishedPlaces; ++i) {
    Unfinished& copy = unfinished[i];
    if (copy.taken.exchange(true)) continue;
    std::memcpy(copy.name, name.c_str(), name.size() + 1);
    copy.folder.store(folder);
    return i;
  }
  return -1;
}

void EndUnfinishedCopy(int copy) {
  if (copy < 0 || copy >= kUnfinishedPlaces) return;
  unfinished[copy].folder.store(-1);
  unfinished[copy].taken.store(false);
}

void RemoveUnfinishedCopyOnSignals() {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction old {};
    if (sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = RemoveAndRaise;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(signal, &action, nullptr);
  }
}

void RemoveOldTemporaryFiles(int folder) {
  int fd = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  DIR* dir = fdopendir(fd);
  if (!dir) {
    close(fd);
    return;
  }
  time_t limit = time(nullptr) - kLeftoverAge;
  while (dirent* e = readdir(dir)) {
    if (!IsTemporaryName(e->d_name)) continue;
    struct stat st {};
    // Never one whose writer lives, this process included (another of its
    // threads may be writing it right now). The age is the
    // ctime's: a copy already carries its source's mtime, which may be years
    // old, while it waits for its turn.
    const std::string writer = WriterOf(e->d_name);
    if (writer == ThisRun() || fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(st.st_mode))
      continue;
    Run run = writer.empty() ? Run::kUnknown : RunOf(writer);
    if (run == Run::kGone || (run == Run::kUnknown && st.st_ctime < limit))
      unlinkat(fd, e->d_name, 0);
  }
  closedir(dir);
}

}  // namespace zweiblick
