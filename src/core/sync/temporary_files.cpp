// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/temporary_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fstream>
#include <random>
#include <vector>

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

// Who writes a temporary file: the machine, its boot, the process namespace,
// the process and the moment it started (a process number is used again).
// An id that cannot be read stays "x": nothing is judged by it then.
struct Writer {
  std::string machine = "x", boot = "x", pidns = "x", pid, start;
};

std::string FirstLine(const char* path) {
  std::ifstream in(path);
  std::string line;
  std::getline(in, line);
  return line;
}

// The first twelve hex digits of an id: enough to tell boots and machines apart.
std::string ShortId(const std::string& text) {
  std::string id;
  for (char c : text)
    if (std::isxdigit(static_cast<unsigned char>(c)) && id.size() < 12) id += c;
  return id.size() == 12 ? id : "x";
}

// The start of a process in clock ticks after the boot; empty when unknown.
std::string StartTime(const std::string& pid) {
  std::string stat = FirstLine(("/proc/" + pid + "/stat").c_str());
  size_t p = stat.rfind(')');
  if (p == std::string::npos) return {};
  // After the name come the fields from the third on; the start is the 22nd.
  std::vector<std::string> fields;
  for (size_t i = p + 2; i < stat.size();) {
    size_t end = stat.find(' ', i);
    fields.push_back(stat.substr(i, end == std::string::npos ? end : end - i));
    if (end == std::string::npos) break;
    i = end + 1;
  }
  return fields.size() > 19 ? fields[19] : std::string();
}

Writer Find() {
  Writer w;
  w.machine = ShortId(FirstLine("/etc/machine-id"));
  w.boot = ShortId(FirstLine("/proc/sys/kernel/random/boot_id"));
  char ns[64] = {};
  if (readlink("/proc/self/ns/pid", ns, sizeof ns - 1) > 0) {
    std::string digits;
    for (char* c = ns; *c; ++c)
      if (std::isdigit(static_cast<unsigned char>(*c))) digits += *c;
    if (!digits.empty()) w.pidns = digits;
  }
  w.pid = std::to_string(getpid());
  w.start = StartTime(w.pid);
  if (w.start.empty()) w.start.assign(1, 'x');  // assign(""): a false -Wrestrict in GCC 12
  return w;
}

// This process as a writer; found again in a child after a fork.
const Writer& Self() {
  thread_local Writer self = Find();  // each thread its own: no lock
  if (self.pid != std::to_string(getpid())) self = Find();
  return self;
}

std::vector<std::string> Fields(const std::string& name) {
  std::vector<std::string> out;
  std::string inner =
      name.substr(sizeof kPrefix - 1, name.size() - (sizeof kPrefix - 1) - (sizeof kSuffix - 1));
  for (size_t i = 0;;) {
    size_t end = inner.find('-', i);
    out.push_back(inner.substr(i, end == std::string::npos ? end : end - i));
    if (end == std::string::npos) return out;
    i = end + 1;
  }
}

bool AllDigits(const std::string& s) {
  return !s.empty() && s.size() < 12 &&
         std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Whether this very process wrote `name`: another of its threads may be
// writing it right now.
bool Ours(const std::string& name) {
  std::vector<std::string> f = Fields(name);
  const Writer& me = Self();
  return f.size() == 6 && f[0] == me.machine && f[1] == me.boot && f[2] == me.pidns &&
         f[3] == me.pid && f[4] == me.start;
}

// What is known of the writer of the temporary file `name`.
enum class Run { kGone, kAlive, kUnknown };

Run RunOf(const std::string& name) {
  std::vector<std::string> f = Fields(name);
  if (f.size() != 6) return Run::kUnknown;  // a name of an older version: by its age only
  const Writer& me = Self();
  // Another machine's file on a shared folder: its processes cannot be seen.
  if (me.machine == "x" || f[0] != me.machine || me.boot == "x") return Run::kUnknown;
  if (f[1] != me.boot) return Run::kGone;  // this machine has been restarted since
  if (me.pidns == "x" || f[2] != me.pidns || !AllDigits(f[3])) return Run::kUnknown;
  // kill also sees the processes of other users, which /proc may hide.
  if (kill(static_cast<pid_t>(std::stol(f[3])), 0) != 0 && errno == ESRCH) return Run::kGone;
  std::string start = StartTime(f[3]);
  if (start.empty()) return Run::kUnknown;  // alive, but its start cannot be read
  // The number now belongs to another process, or still to the writer.
  return start != f[4] ? Run::kGone : Run::kAlive;
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
  const Writer& me = Self();
  std::string name =
      kPrefix + me.machine + "-" + me.boot + "-" + me.pidns + "-" + me.pid + "-" + me.start + "-";
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
    // Never one whose writer lives, this process included. The age is the
    // ctime's: a copy already carries its source's mtime, which may be years
    // old, while it waits for its turn.
    if (Ours(e->d_name) || fstatat(fd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(st.st_mode))
      continue;
    Run run = RunOf(e->d_name);
    if (run == Run::kGone || (run == Run::kUnknown && st.st_ctime < limit))
      unlinkat(fd, e->d_name, 0);
  }
  closedir(dir);
}

}  // namespace zweiblick
