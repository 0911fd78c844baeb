// SPDX-License-Identifier: GPL-3.0-or-later
// Real temporary folders for the tests, removed afterwards.
#pragma once

#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace zweiblick::testing {

class TempTree {
 public:
  TempTree() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zweiblick-XXXXXX").string();
    root_ = mkdtemp(pattern.data());
  }
  ~TempTree() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
  }
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  // The root, or a path below it.
  std::string Path(const std::string& rel = "") const {
    return rel.empty() ? root_ : root_ + "/" + rel;
  }
  // The root with a trailing separator, as the program keeps its folders.
  std::string Dir() const { return root_ + "/"; }
  void Mkdir(const std::string& rel) const { std::filesystem::create_directories(Path(rel)); }
  // Writes a file (making its folders); `mtime` in seconds since the epoch when given.
  void Write(const std::string& rel, const std::string& content, long mtime = 0) const {
    std::filesystem::path p = Path(rel);
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << content;
    if (mtime) SetTime(rel, mtime);
  }
  void SetTime(const std::string& rel, long mtime) const {
    timeval times[2] = {{mtime, 0}, {mtime, 0}};
    utimes(Path(rel).c_str(), times);
  }
  std::string Read(const std::string& rel) const {
    std::ifstream in(Path(rel), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  bool Exists(const std::string& rel) const {
    struct stat st {};
    return lstat(Path(rel).c_str(), &st) == 0;
  }
  struct stat Stat(const std::string& rel) const {
    struct stat st {};
    stat(Path(rel).c_str(), &st);
    return st;
  }
  mode_t Mode(const std::string& rel) const { return Stat(rel).st_mode & 07777; }
  // The temporary files of copies anywhere below the root.
  std::vector<std::string> TemporaryFiles() const {
    std::vector<std::string> out;
    for (auto& e : std::filesystem::recursive_directory_iterator(root_))
      if (e.path().filename().string().rfind(".zweiblick-", 0) == 0) out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
  }

 private:
  std::string root_;
};

}  // namespace zweiblick::testing
