#include "reading/walk_folder_tree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <unordered_set>
#include <utility>
#include <vector>

#include "mainwindow/main_window.h"
#include "reading/access_error.h"
#include "reading/path_helpers.h"

namespace zweiblick {
namespace {

struct Dirent64 {
  uint64_t d_ino;
  int64_t d_off;
  unsigned short d_reclen;
  unsigned char d_type;
  char d_name[];
};

class TreeWalk {
 public:
  explicit TreeWalk(MainWindow& w) : w_(w) {}

  void Root(const std::string& folderPath) {
    struct stat st {};
    if (stat(folderPath.c_str(), &st) != 0) {
      // A folder that does not exist contributes nothing; any other failure
      // is told like an entry that cannot be examined.
      if (errno != ENOENT) ReportAccessError(w_, errno, folderPath);
      return;
    }
    Folder(Subfolder{folderPath, {st.st_dev, st.st_ino}});
  }

 private:
  using FolderId = std::pair<dev_t, ino_t>;
  struct Subfolder {
    std::string path;
    FolderId id;  // as the listing of its parent saw it
  };

  void Folder(const Subfolder& folder) {
    // Linked folders are walked, but never twice in one walk: no link loop can
    // make the walk endless.
    if (!visited_.insert(folder.id).second) return;
    std::vector<Subfolder> subfolders(1);  // element 0 stays empty
    if (!List(folder.path, subfolders)) return;
    w_.YieldAlways();
    while (subfolders.size() > 1) {
      Subfolder next = std::move(subfolders.back());
      Folder(next);
      subfolders.pop_back();
    }
  }

  // Reads the whole listing of one folder. False when there is nothing to walk.
  bool List(const std::string& folderPath, std::vector<Subfolder>& subfolders) {
    std::string p = WithTrailingBackslash(folderPath);
    int fd = open(p.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
      if (errno != ENOENT) ReportAccessError(w_, errno, folderPath);
      return false;
    }
    // The listing is read with getdents64 itself: fdopendir would cost two
    // more system calls per folder, and trees have many folders.
    alignas(8) static thread_local char buffer[64 * 1024];
    for (;;) {
      long n = syscall(SYS_getdents64, fd, buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) ReportAccessError(w_, errno, folderPath);
      if (n <= 0) break;
      for (long at = 0; at < n;) {
        auto* entry = reinterpret_cast<const Dirent64*>(buffer + at);
        at += entry->d_reclen;
        const char* name = entry->d_name;
        if (name[0] == '.') continue;
        std::string full = p + name;
        struct stat st {};
        if (fstatat(fd, name, &st, 0) != 0) {
          ReportAccessError(w_, errno, full);
          continue;
        }
        if (S_ISDIR(st.st_mode)) {
          subfolders.push_back(Subfolder{std::move(full), {st.st_dev, st.st_ino}});
        } else if (S_ISREG(st.st_mode)) {
          // FIFOs, sockets and devices are no files to compare: reading a FIFO
          // would block for ever.
          w_.FoundFiles.push_back(
              FoundFile{std::move(full), static_cast<int64_t>(st.st_mtim.tv_sec)});
        }
      }
    }
    close(fd);
    return true;
  }

  struct FolderIdHash {
    size_t operator()(const FolderId& id) const { return id.second * 31 + id.first; }
  };
  MainWindow& w_;
  std::unordered_set<FolderId, FolderIdHash> visited_;
};

}  // namespace

void WalkFolderTree(MainWindow& w, const std::string& folderPath) {
  TreeWalk(w).Root(folderPath);
}

}  // namespace zweiblick
