#include "sync/temporary_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <ctime>
#include <random>

namespace zweiblick {
namespace {

constexpr const char kPrefix[] = ".zweiblick-";
constexpr const char kSuffix[] = ".tmp";
constexpr time_t kLeftoverAge = 24 * 60 * 60;

// What a signal handler may read: the name is written before the folder is
// published, and the folder is taken back before the name changes.
char unfinishedName[64];
std::atomic<int> unfinishedFolder{-1};
static_assert(std::atomic<int>::is_always_lock_free);

bool IsTemporaryName(const char* name) {
  size_t n = std::strlen(name), p = sizeof kPrefix - 1, s = sizeof kSuffix - 1;
  return n > p + s && std::strncmp(name, kPrefix, p) == 0 &&
         std::strcmp(name + n - s, kSuffix) == 0;
}

// Safe in a signal handler.
void RemoveUnfinishedCopy() {
  int folder = unfinishedFolder.exchange(-1);
  if (folder >= 0) unlinkat(folder, unfinishedName, 0);
}

void RemoveAndRaise(int signal) {
  RemoveUnfinishedCopy();
  // The handler was reset to the default on entry: the signal now ends the
  // program once the handler returns, with the status a caller expects.
  raise(signal);
}

}  // namespace

std::string TemporaryName() {
  static std::mt19937_64 random{std::random_device{}()};
  static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string name = kPrefix;
  for (int i = 0; i < 12; ++i) name += digits[random() % 36];
  return name + kSuffix;
}

void BeginUnfinishedCopy(int folder, const std::string& name) {
  unfinishedFolder.store(-1);
  if (name.size() >= sizeof unfinishedName) return;
  std::memcpy(unfinishedName, name.c_str(), name.size() + 1);
  unfinishedFolder.store(folder);
}

void EndUnfinishedCopy() {
  unfinishedFolder.store(-1);
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
    if (fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(st.st_mode) &&
        st.st_mtime < limit)
      unlinkat(fd, e->d_name, 0);
  }
  closedir(dir);
}

}  // namespace zweiblick
