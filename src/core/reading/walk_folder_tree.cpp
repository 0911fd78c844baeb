#include "reading/walk_folder_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <set>
#include <utility>
#include <vector>

#include "mainwindow/main_window.h"
#include "reading/access_error.h"
#include "reading/path_helpers.h"

namespace zweiblick {
namespace {

class TreeWalk {
 public:
  explicit TreeWalk(MainWindow& w) : w_(w) {}

  void Folder(const std::string& folderPath) {
    std::vector<std::string> subfolders(1);  // element 0 stays empty
    if (!List(folderPath, subfolders)) return;
    w_.YieldAlways();
    while (subfolders.size() > 1) {
      std::string next = std::move(subfolders.back());
      Folder(next);
      subfolders.pop_back();
    }
  }

 private:
  // Reads the whole listing of one folder. False when there is nothing to walk.
  bool List(const std::string& folderPath, std::vector<std::string>& subfolders) {
    std::string p = WithTrailingBackslash(folderPath);
    int fd = open(p.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
      // A folder that does not exist contributes nothing; any other failure to
      // list it is told like an entry that cannot be examined.
      if (errno != ENOENT) ReportAccessError(w_, errno, folderPath);
      return false;
    }
    struct stat self {};
    // Linked folders are walked, but never twice in one walk: no link loop can
    // make the walk endless.
    if (fstat(fd, &self) != 0 || !visited_.insert({self.st_dev, self.st_ino}).second) {
      close(fd);
      return false;
    }
    DIR* dir = fdopendir(fd);
    if (!dir) {
      int e = errno;
      close(fd);
      ReportAccessError(w_, e, folderPath);
      return false;
    }
    for (;;) {
      errno = 0;
      dirent* entry = readdir(dir);
      if (!entry) {
        if (errno != 0) ReportAccessError(w_, errno, folderPath);
        break;
      }
      const char* name = entry->d_name;
      if (name[0] == '.') continue;
      std::string full = p + name;
      struct stat st {};
      if (fstatat(dirfd(dir), name, &st, 0) != 0) {
        ReportAccessError(w_, errno, full);
        continue;
      }
      if (S_ISDIR(st.st_mode)) {
        subfolders.push_back(std::move(full));
      } else if (S_ISREG(st.st_mode)) {
        // FIFOs, sockets and devices are no files to compare: reading a FIFO
        // would block for ever.
        w_.FoundFiles.push_back(FoundFile{std::move(full), static_cast<int64_t>(st.st_mtim.tv_sec)});
      }
    }
    closedir(dir);
    return true;
  }

  MainWindow& w_;
  std::set<std::pair<dev_t, ino_t>> visited_;
};

}  // namespace

void WalkFolderTree(MainWindow& w, const std::string& folderPath) { TreeWalk(w).Folder(folderPath); }

}  // namespace zweiblick
