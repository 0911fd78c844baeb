// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/run_identity.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <fstream>
#include <vector>

namespace zweiblick {
namespace {

struct Writer {
  std::string machine = "x", boot = "x", pidns = "x", pid, start;
  std::string Id() const { return machine + "-" + boot + "-" + pidns + "-" + pid + "-" + start; }
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

// The machine's id through a hash of this program's own (FNV-1a): the same
// on every start, and no use to anyone who looks for the machine's id.
std::string MachineOf(const std::string& machineId) {
  if (ShortId(machineId) == "x") return "x";
  uint64_t h = 14695981039346656037ULL;
  for (unsigned char c : "zweiblick-run " + machineId) h = (h ^ c) * 1099511628211ULL;
  static const char hex[] = "0123456789abcdef";
  std::string out;
  for (int i = 0; i < 12; ++i, h >>= 4) out += hex[h & 15];
  return out;
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
  w.machine = MachineOf(FirstLine("/etc/machine-id"));
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

bool AllDigits(const std::string& s) {
  return !s.empty() && s.size() < 12 &&
         std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::string ThisRun() {
  return Self().Id();
}

Run RunOf(const std::string& id) {
  std::vector<std::string> f;
  for (size_t i = 0;;) {
    size_t end = id.find('-', i);
    f.push_back(id.substr(i, end == std::string::npos ? end : end - i));
    if (end == std::string::npos) break;
    i = end + 1;
  }
  if (f.size() != 5) return Run::kUnknown;
  const Writer& me = Self();
  // Another machine's run on a shared folder: its processes cannot be seen.
  if (me.machine == "x" || f[0] != me.machine || me.boot == "x") return Run::kUnknown;
  if (f[1] == "x") return Run::kUnknown;
  if (f[1] != me.boot) return Run::kGone;  // this machine has been restarted since
  if (me.pidns == "x" || f[2] != me.pidns || !AllDigits(f[3])) return Run::kUnknown;
  // kill also sees the processes of other users, which /proc may hide.
  if (kill(static_cast<pid_t>(std::stol(f[3])), 0) != 0 && errno == ESRCH) return Run::kGone;
  std::string start = StartTime(f[3]);
  if (start.empty() || f[4] == "x") return Run::kUnknown;  // alive, but its start unknown
  // The number now belongs to another process, or still to the writer.
  return start != f[4] ? Run::kGone : Run::kAlive;
}

}  // namespace zweiblick
