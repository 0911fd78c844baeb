#include "reading/walk_folder_tree.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <memory>
#include <utility>
#include <vector>

#include "mainwindow/main_window.h"
#include "platform/aligned_buffer.h"
#include "platform/worker_pool.h"
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

// One folder of the walk. A worker lists it; the window's thread then takes
// what the listing found, in listing order, exactly as a walk on one thread
// would have met it.
struct Folder {
  struct Entry {
    std::string path;
    FileFacts facts;
    int error = 0;  // not 0: an entry that could not be examined, to report
  };
  Folder(std::string p, dev_t d, ino_t i, const Folder* up)
      : path(std::move(p)), dev(d), ino(i), parent(up) {}

  // Set before the folder is listed, read-only afterwards.
  const std::string path;
  dev_t dev;
  ino_t ino;
  const Folder* parent;  // the folder it was found in; nullptr for the chosen one
  // Written by the worker before `ready`.
  int error = 0;  // not 0: the folder itself could not be read
  std::vector<Entry> entries;
  std::vector<std::unique_ptr<Folder>> subfolders;  // in listing order
  std::atomic<bool> ready{false};

  // A folder that is already on the path down to here would make the walk
  // endless. The same folder reached by another name is walked again under
  // that name: its files are real files there too.
  bool OnPath(dev_t d, ino_t i) const {
    for (const Folder* f = this; f; f = f->parent)
      if (f->dev == d && f->ino == i) return true;
    return false;
  }
};

class TreeWalk {
 public:
  explicit TreeWalk(MainWindow& w) : w_(w), pool_(DefaultWorkerCount()) {
    for (int i = 0; i < pool_.Size(); ++i) buffers_.emplace_back(64 * 1024);
  }

  FileFacts Run(const std::string& folderPath) {
    Folder root(folderPath, 0, 0, nullptr);
    FileFacts facts;
    pool_.Post([this, &root, &facts](int worker) {
      struct stat st {};
      if (stat(root.path.c_str(), &st) != 0) {
        Done(root, errno);
        return;
      }
      facts = FactsOf(st);
      root.dev = st.st_dev;
      root.ino = st.st_ino;
      List(root, worker);
    });
    Visit(root);
    return facts;
  }

 private:
  // On the window's thread, in the order of a depth-first walk.
  void Visit(Folder& folder) {
    AwaitServingEvents(pool_, folder.ready, w_.Port());
    // A folder that does not exist contributes nothing; any other failure is
    // told like an entry that cannot be examined.
    if (folder.error != 0) {
      if (folder.error != ENOENT) ReportAccessError(w_, folder.error, folder.path);
      return;
    }
    for (Folder::Entry& e : folder.entries) {
      if (e.error != 0)
        ReportAccessError(w_, e.error, e.path);
      else
        w_.FoundFiles.push_back(FoundFile{std::move(e.path), e.facts});
    }
    folder.entries = {};
    w_.YieldAlways();
    for (auto sub = folder.subfolders.rbegin(); sub != folder.subfolders.rend(); ++sub) {
      Visit(**sub);
      sub->reset();
    }
  }

  // On a worker: reads the whole listing of one folder, then hands its
  // subfolders to the workers, the one walked next first.
  void List(Folder& folder, int worker) {
    std::string p = WithTrailingBackslash(folder.path);
    int fd = open(p.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
      Done(folder, errno);
      return;
    }
    // The listing is read with getdents64 itself: fdopendir would cost two
    // more system calls per folder, and trees have many folders.
    AlignedBuffer& buffer = buffers_[static_cast<size_t>(worker)];
    for (;;) {
      long n = syscall(SYS_getdents64, fd, buffer.data(), buffer.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) folder.entries.push_back(Folder::Entry{folder.path, {}, errno});
      if (n <= 0) break;
      for (long at = 0; at < n;) {
        auto* entry = reinterpret_cast<const Dirent64*>(buffer.data() + at);
        at += entry->d_reclen;
        const char* name = entry->d_name;
        if (name[0] == '.') continue;
        std::string full = p + name;
        struct stat st {};
        if (fstatat(fd, name, &st, 0) != 0) {
          folder.entries.push_back(Folder::Entry{std::move(full), {}, errno});
        } else if (S_ISDIR(st.st_mode)) {
          if (!folder.OnPath(st.st_dev, st.st_ino))
            folder.subfolders.push_back(
                std::make_unique<Folder>(std::move(full), st.st_dev, st.st_ino, &folder));
        } else if (S_ISREG(st.st_mode)) {
          // FIFOs, sockets and devices are no files to compare: reading a FIFO
          // would block for ever.
          folder.entries.push_back(Folder::Entry{std::move(full), FactsOf(st), 0});
        }
      }
    }
    close(fd);
    std::vector<WorkerPool::Job> lists;
    for (auto& sub : folder.subfolders)
      lists.push_back([this, f = sub.get()](int w) { List(*f, w); });
    pool_.PostFirst(std::move(lists));
    Done(folder, 0);
  }

  void Done(Folder& folder, int error) {
    folder.error = error;
    folder.ready.store(true);
    pool_.Notify(folder.ready);
  }

  MainWindow& w_;
  std::vector<AlignedBuffer> buffers_;  // one listing buffer per worker
  WorkerPool pool_;                     // ends first: no job outlives the buffers
};

}  // namespace

FileFacts WalkFolderTree(MainWindow& w, const std::string& folderPath) {
  return TreeWalk(w).Run(folderPath);
}

}  // namespace zweiblick
