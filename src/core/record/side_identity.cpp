// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/side_identity.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <climits>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

#include "files/file_facts.h"

namespace zweiblick {
namespace {

// mountinfo writes space, tab, newline and backslash as three octal digits.
std::string Unescape(const std::string& field) {
  std::string out;
  for (size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                               (field[i + 3] - '0'));
      i += 3;
      continue;
    }
    out += field[i];
  }
  return out;
}

bool Below(const std::string& path, const std::string& top) {
  if (top == "/") return true;
  return path.compare(0, top.size(), top) == 0 &&
         (path.size() == top.size() || path[top.size()] == '/');
}

struct Mount {
  std::string root, point, type, source;
};

// The mount of `dev` that holds `path`: the one with the longest mount point
// above it (a device may be mounted at several places, bind mounts too).
bool MountHolding(const std::string& path, dev_t dev, Mount& found) {
  std::ifstream in("/proc/self/mountinfo");
  std::string line;
  size_t best = 0;
  bool any = false;
  const std::string devText = std::to_string(major(dev)) + ":" + std::to_string(minor(dev));
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string id, parent, numbers, root, point, field;
    if (!(fields >> id >> parent >> numbers >> root >> point)) continue;
    if (numbers != devText) continue;
    while (fields >> field && field != "-") {
    }
    Mount m;
    if (!(fields >> m.type >> m.source)) continue;
    m.root = Unescape(root);
    m.point = Unescape(point);
    m.source = Unescape(m.source);
    if (!Below(path, m.point) || (any && m.point.size() < best)) continue;
    best = m.point.size();
    found = m;
    any = true;
  }
  return any;
}

// The UUID (or FAT serial) udev names the device by, if any.
std::string UuidOf(const std::string& device) {
  const std::string dev = RealPath(device);
  if (dev.empty()) return {};
  const std::string folder = "/dev/disk/by-uuid/";
  DIR* d = opendir(folder.c_str());
  if (!d) return {};
  std::string uuid;
  while (dirent* e = readdir(d)) {
    if (e->d_name[0] == '.') continue;
    if (RealPath(folder + e->d_name) == dev) {
      uuid = e->d_name;
      break;
    }
  }
  closedir(d);
  return uuid;
}

}  // namespace

SideIdentity SideIdentityOf(const std::string& folder) {
  SideIdentity id;
  const std::string path = RealPath(folder);
  struct stat st {};
  if (path.empty() || stat(path.c_str(), &st) != 0) return id;
  Mount m;
  if (!MountHolding(path, st.st_dev, m)) return id;
  std::string rest = m.point == "/" ? path : path.substr(m.point.size());
  id.below = m.root == "/" ? (rest.empty() ? "/" : rest) : m.root + rest;
  if (m.source.rfind("/dev/", 0) == 0) {
    std::string uuid = UuidOf(m.source);
    id.fileSystem = uuid.empty() ? "dev:" + m.type + ":" + RealPath(m.source) : "uuid:" + uuid;
  } else if (m.source.find(':') != std::string::npos || m.source.rfind("//", 0) == 0) {
    id.fileSystem = "net:" + m.type + ":" + m.source;
  } else {
    id.fileSystem = "mnt:" + m.type + ":" + m.point;
  }
  return id;
}

std::string PairKeyOf(const SideIdentity& left, const SideIdentity& right) {
  std::string key;
  for (const SideIdentity* s : {&left, &right}) {
    key += s->fileSystem;
    key += '\n';
    key += s->below;
    key += '\n';
  }
  return key;
}

}  // namespace zweiblick
