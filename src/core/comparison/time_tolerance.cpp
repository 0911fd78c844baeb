// SPDX-License-Identifier: GPL-3.0-or-later
#include "comparison/time_tolerance.h"

#include <linux/magic.h>
#include <sys/statfs.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace zweiblick {
namespace {

constexpr unsigned long kFuseMagic = 0x65735546;

FatProbe fatProbe = nullptr;

// A mount-table field with its octal escapes ("\040" for a blank) undone.
std::string Unescape(const std::string& field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      out += static_cast<char>(std::strtol(field.substr(i + 1, 3).c_str(), nullptr, 8));
      i += 3;
    } else {
      out += field[i];
    }
  }
  return out;
}

// The type of the mount that holds `path` (a real path): the longest mount
// point that is `path` or one of its folders; the last such mount wins.
std::string MountType(const std::string& path) {
  std::ifstream table("/proc/self/mountinfo");
  std::string line, type;
  size_t best = 0;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string id, parent, device, root, point, field;
    fields >> id >> parent >> device >> root >> point;
    point = Unescape(point);
    while (fields >> field && field != "-") {
    }
    std::string fsType;
    fields >> fsType;
    bool holds = path == point || point == "/" ||
                 (path.compare(0, point.size(), point) == 0 && path[point.size()] == '/');
    if (holds && point.size() >= best) {
      best = point.size();
      type = fsType;
    }
  }
  return type;
}

bool FatType(const std::string& type) {
  return type == "vfat" || type == "msdos" || type == "fuse.fusefat" || type == "fuseblk.fusefat";
}

int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

// Seconds of a stamp "yyyymmddhh:mm:ss" on a uniform scale; false when it is
// not such a stamp.
bool StampSeconds(std::string_view s, int64_t& seconds) {
  if (s.size() < 16 || s[10] != ':' || s[13] != ':') return false;
  auto number = [&](size_t at, size_t len, int64_t& out) {
    out = 0;
    for (size_t i = at; i < at + len; ++i) {
      if (s[i] < '0' || s[i] > '9') return false;
      out = out * 10 + (s[i] - '0');
    }
    return true;
  };
  int64_t y, mo, d, h, mi, se;
  if (!number(0, 4, y) || !number(4, 2, mo) || !number(6, 2, d) || !number(8, 2, h) ||
      !number(11, 2, mi) || !number(14, 2, se))
    return false;
  seconds = DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) * 86400 +
            h * 3600 + mi * 60 + se;
  return true;
}

}  // namespace

bool OnFatFileSystem(const std::string& path) {
  if (fatProbe) return fatProbe(path);
  struct statfs fs {};
  if (statfs(path.c_str(), &fs) != 0) return false;
  if (static_cast<unsigned long>(fs.f_type) == MSDOS_SUPER_MAGIC) return true;
  if (static_cast<unsigned long>(fs.f_type) != kFuseMagic) return false;
  char* real = realpath(path.c_str(), nullptr);
  if (!real) return false;
  std::string resolved = real;
  std::free(real);
  return FatType(MountType(resolved));
}

void SetFatProbeForTesting(FatProbe probe) {
  fatProbe = probe;
}

int AgeTolerance(const std::string& leftFolder, const std::string& rightFolder) {
  return OnFatFileSystem(leftFolder) || OnFatFileSystem(rightFolder) ? kFatTimeStep : 0;
}

int CompareAges(const FileFacts& left, const FileFacts& right, int tolerance) {
  const int64_t l = left.mtimeSec, r = right.mtimeSec;
  if (l == r) return 0;
  const int64_t apart = l > r ? l - r : r - l;
  if (tolerance > 0) {
    if (apart <= tolerance) return 0;
    if (left.size == right.size)
      for (int64_t hours : {3600, 7200})
        if (apart >= hours - tolerance && apart <= hours + tolerance) return 0;
  }
  return l < r ? -1 : 1;
}

int CompareStamps(std::string_view left, std::string_view right, int tolerance) {
  int order = left.substr(0, 16).compare(right.substr(0, 16));
  int64_t l = 0, r = 0;
  if (order != 0 && tolerance > 0 && StampSeconds(left, l) && StampSeconds(right, r) &&
      (l > r ? l - r : r - l) <= tolerance)
    return 0;
  return order;
}

}  // namespace zweiblick
