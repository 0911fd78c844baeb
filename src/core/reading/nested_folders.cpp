// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading/nested_folders.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace zweiblick {
namespace {

struct Identity {
  dev_t dev = 0;
  ino_t ino = 0;
  bool operator==(const Identity&) const = default;
};

bool Folder(const std::string& path, Identity& id) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  id = {st.st_dev, st.st_ino};
  return true;
}

// The folders above `path`, by the names that lead there: the path as written
// (a link inside the outer folder that leads into the other one is a way down
// from it) and the path with every link resolved. A path with ".." is taken
// resolved only: its written ancestors need not be above it at all.
std::vector<std::string> Ancestors(const std::string& path) {
  std::vector<std::string> out;
  auto add = [&out](std::string p) {
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    while (p.size() > 1) {
      size_t cut = p.rfind('/');
      if (cut == std::string::npos) break;
      p.resize(cut == 0 ? 1 : cut);
      while (p.size() > 1 && p.back() == '/') p.pop_back();
      out.push_back(p);
    }
  };
  std::string written = path;
  if (!written.empty() && written[0] != '/') {
    std::unique_ptr<char, decltype(&free)> cwd(getcwd(nullptr, 0), &free);
    if (cwd) written = std::string(cwd.get()) + "/" + written;
  }
  if (("/" + written + "/").find("/../") == std::string::npos) add(written);
  std::unique_ptr<char, decltype(&free)> real(realpath(path.c_str(), nullptr), &free);
  if (real) add(real.get());
  return out;
}

bool Inside(const std::string& inner, const Identity& outer) {
  Identity id;
  for (const std::string& up : Ancestors(inner))
    if (Folder(up, id) && id == outer) return true;
  return false;
}

}  // namespace

FolderNesting NestingOf(const std::string& first, const std::string& second) {
  Identity a, b;
  if (!Folder(first, a) || !Folder(second, b)) return FolderNesting::kApart;
  if (a == b) return FolderNesting::kSame;
  if (Inside(second, a)) return FolderNesting::kSecondInsideFirst;
  if (Inside(first, b)) return FolderNesting::kFirstInsideSecond;
  return FolderNesting::kApart;
}

}  // namespace zweiblick
