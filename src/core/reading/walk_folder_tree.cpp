// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading/walk_folder_tree.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <memory>
#include <unordered_set>
#include <utility>
#include <vector>

#include "platform/aligned_buffer.h"
#include "platform/descriptors.h"
#include "platform/fd.h"
#include "platform/run_reporter.h"
#include "platform/worker_pool.h"
#include "reading/access_error.h"
#include "reading/path_helpers.h"

namespace zweiblick {
namespace {

// Whether the entry `name` of the open folder `fd` is a symbolic link; the
// listing's type says so on most file systems, else one more look.
bool IsLink(int fd, const char* name, unsigned char type) {
  if (type == DT_LNK || type == DT_DIR) return type == DT_LNK;
  struct stat st {};
  return fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode);
}

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
    // The name within the folder (short names need no allocation); empty
    // for an error of the folder's own listing.
    std::string name;
    FileFacts facts;
    int error = 0;  // not 0: an entry that could not be examined, to report
  };
  Folder(std::string p, dev_t d, ino_t i, const Folder* up, bool behindLink)
      : path(std::move(p)), dev(d), ino(i), parent(up), linked(behindLink) {}

  // Set before the folder is listed, read-only afterwards.
  const std::string path;
  dev_t dev;
  ino_t ino;
  const Folder* parent;  // the folder it was found in; nullptr for the chosen one
  // Reached through a link somewhere below the chosen folder. Only the
  // window's thread posts the listing of such a folder, in the walk's order.
  const bool linked;
  bool posted = false;  // linked folders only: its listing was handed to the workers
  // The open folder it was found in, while that is held for its subfolders:
  // opened relative to it, a folder costs the kernel one name to look up,
  // not its whole path.
  std::shared_ptr<Fd> parentDir;
  // Written by the worker before it publishes `listed`.
  int error = 0;  // not 0: the folder itself could not be read
  std::vector<Entry> entries;
  std::vector<std::unique_ptr<Folder>> subfolders;  // in listing order
  HandOver listed;

  // A folder that is already on the path down to here would make the walk
  // endless.
  bool OnPath(dev_t d, ino_t i) const {
    for (const Folder* f = this; f; f = f->parent)
      if (f->dev == d && f->ino == i) return true;
    return false;
  }
};

class TreeWalk {
 public:
  TreeWalk(FoundSink& found, RunReporter& run, const NameFilter& filter, const NeverWalked& never)
      : found_(found),
        run_(run),
        filter_(filter),
        never_(never),
        heldDirsMax_(std::min(64, FreeDescriptors() / 8)),
        pool_(DefaultWorkerCount()) {
    for (int i = 0; i < pool_.Size(); ++i) buffers_.emplace_back(64 * 1024);
    full_.resize(static_cast<size_t>(pool_.Size()));
  }

  FileFacts Run(const std::string& folderPath) {
    Folder root(folderPath, 0, 0, nullptr, false);
    rootLength_ = WithTrailingBackslash(folderPath).size();
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
      std::string trash = never_.folder ? never_.folder() : std::string();
      if (!trash.empty() && stat(trash.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
        homeTrash_ = {st.st_dev, st.st_ino};
      List(root, worker);
    });
    Visit(root);
    return facts;
  }

 private:
  // On the window's thread, in the order of a depth-first walk.
  void Visit(Folder& folder) {
    folder.listed.Await(pool_, run_);
    // A folder that does not exist contributes nothing; any other failure is
    // told like an entry that cannot be examined.
    if (folder.error != 0) {
      if (folder.error != ENOENT) ReportAccessError(run_, folder.error, folder.path);
      return;
    }
    std::string prefix = WithTrailingBackslash(folder.path);
    for (Folder::Entry& e : folder.entries) {
      if (e.name.empty()) {
        ReportAccessError(run_, e.error, folder.path);
        continue;
      }
      path_.assign(prefix).append(e.name);
      if (e.error != 0)
        ReportAccessError(run_, e.error, path_);
      else
        found_.Found(path_, e.facts);
    }
    folder.entries = {};
    run_.YieldAlways();
    if (run_.StopRequested()) stop_.store(true);  // Escape, or the program ends: list nothing more
    if (!stop_.load()) ReadLinkedAhead(folder);
    for (auto sub = folder.subfolders.rbegin(); sub != folder.subfolders.rend(); ++sub) {
      Folder& f = **sub;
      if (stop_.load()) {
        Drain(f);
      } else if (f.linked && !walkedBehindLinks_.insert({f.dev, f.ino}).second) {
        // Walked under an earlier name already. A listing read ahead in vain
        // must end before its folder goes.
        if (f.posted) f.listed.Await(pool_, run_);
      } else {
        if (f.linked && !f.posted) Post({&f});
        Visit(f);
      }
      sub->reset();
    }
  }

  // After a stop: waits for the listings already handed to the workers (they
  // end at once now) before their folders go.
  void Drain(Folder& folder) {
    if (folder.linked && !folder.posted) return;
    folder.listed.Await(pool_, run_);
    for (auto& sub : folder.subfolders) Drain(*sub);
  }

  // Folders behind links fanned out (two links per level to the next) would
  // be walked 2^levels times if every name were followed. So a folder reached
  // through a link is walked once per walk, under the first name the walk meets
  // (folders reached without links are always walked: a link to one of them
  // lists its files once more under the link's name). That choice must follow
  // the walk's order, not the workers': the workers never follow a link, and
  // this thread reads the listings behind links one level ahead.
  void ReadLinkedAhead(Folder& folder) {
    std::vector<Folder*> ahead;
    for (auto& sub : folder.subfolders)
      if (sub->linked && !walkedBehindLinks_.count({sub->dev, sub->ino}))
        ahead.push_back(sub.get());
    Post(ahead);
  }

  void Post(const std::vector<Folder*>& folders) {
    std::vector<WorkerPool::Job> lists;
    for (Folder* f : folders) {
      f->posted = true;
      lists.push_back([this, f](int w) { List(*f, w); });
    }
    pool_.PostFirst(std::move(lists));
  }

  // On a worker: reads the whole listing of one folder, then hands its
  // subfolders to the workers, the one walked next first.
  void List(Folder& folder, int worker) {
    if (stop_.load()) {
      Done(folder, ECANCELED);
      return;
    }
    std::string p = WithTrailingBackslash(folder.path);
    Fd dir = OpenFolder(folder, p);
    const int fd = dir.get();
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
      if (n < 0) {
        const int error = errno;  // before the path is copied
        folder.entries.push_back(Folder::Entry{std::string(), {}, error});
      }
      if (n <= 0) break;
      for (long at = 0; at < n;) {
        auto* entry = reinterpret_cast<const Dirent64*>(buffer.data() + at);
        at += entry->d_reclen;
        const char* name = entry->d_name;
        if (name[0] == '.' && !DotNameWalked(name)) continue;
        std::string& full = full_[static_cast<size_t>(worker)];
        full.assign(p).append(name);
        // Judged by name before it is examined: nothing left out is looked at.
        NameFilter::Verdict verdict =
            filter_.Check(std::string_view(full).substr(rootLength_), entry->d_type != DT_REG);
        if (verdict == NameFilter::Verdict::kLeaveOut) continue;
        // A folder left out is not even looked at: it may be a hung mount.
        // A link (or an entry of unknown type) is looked at, for a link to a
        // folder is walked as a folder and so left out as one; if it cannot
        // be, it may well be a folder, and goes unreported.
        bool folderLeftOut = verdict == NameFilter::Verdict::kLeaveOutIfFolder;
        if (folderLeftOut && entry->d_type == DT_DIR) continue;
        struct stat st {};
        if (fstatat(fd, name, &st, 0) != 0) {
          const int error = errno;
          if (!folderLeftOut) folder.entries.push_back(Folder::Entry{name, {}, error});
        } else if (S_ISDIR(st.st_mode)) {
          if (!folderLeftOut && !folder.OnPath(st.st_dev, st.st_ino) &&
              std::make_pair(st.st_dev, st.st_ino) != homeTrash_)
            folder.subfolders.push_back(
                std::make_unique<Folder>(full, st.st_dev, st.st_ino, &folder,
                                         folder.linked || IsLink(fd, name, entry->d_type)));
        } else if (S_ISREG(st.st_mode)) {
          // FIFOs, sockets and devices are no files to compare: reading a FIFO
          // would block for ever.
          folder.entries.push_back(Folder::Entry{name, FactsOf(st), 0});
        }
      }
    }
    std::vector<WorkerPool::Job> lists;
    for (auto& sub : folder.subfolders)
      if (!sub->linked) lists.push_back([this, f = sub.get()](int w) { List(*f, w); });
    HoldForSubfolders(folder, std::move(dir), lists.size());
    pool_.PostFirst(std::move(lists));
    Done(folder, 0);
  }

  // The folder's listing, opened relative to its parent where that is held.
  // A parent renamed meanwhile is still the folder the walk is in.
  Fd OpenFolder(Folder& folder, const std::string& withSeparator) {
    std::shared_ptr<Fd> parent = std::move(folder.parentDir);
    if (!parent)
      return Fd(OpenWaiting(
          [&] { return open(withSeparator.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
    // A path too long for the kernel could be listed so, but not read,
    // copied or shown by anything that takes paths: it is reported instead.
    if (withSeparator.size() >= PATH_MAX) {
      parent.reset();
      errno = ENAMETOOLONG;
      return Fd();
    }
    const char* name = folder.path.c_str() + folder.path.rfind(kSep) + 1;
    Fd dir(OpenWaiting(
        [&] { return openat(parent->get(), name, O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
    const int error = errno;
    parent.reset();  // the parent may close now: its failure is not this folder's
    errno = error;
    return dir;
  }

  // Keeps the open folder for the subfolders to be opened in, within a small
  // share of the descriptors: a wide tree would hold thousands at once.
  void HoldForSubfolders(Folder& folder, Fd dir, size_t subfolders) {
    if (subfolders == 0 || heldDirs_.fetch_add(1) >= heldDirsMax_) {
      if (subfolders != 0) heldDirs_.fetch_sub(1);
      return;
    }
    // Closed with the last subfolder opened in it (or dropped unlisted, after a stop).
    std::shared_ptr<Fd> held(new Fd(std::move(dir)), [this](Fd* f) {
      delete f;
      heldDirs_.fetch_sub(1);
    });
    for (auto& sub : folder.subfolders)
      if (!sub->linked) sub->parentDir = held;
  }

  // "." and ".." never are; nor what the caller names: the temporary files of
  // copies under way, the trash a run moved old versions to (a synchronisation
  // would copy them back to the other side, and so carry every deleted file
  // along). The home trash has no name of its own and is known by its identity
  // (homeTrash_).
  bool DotNameWalked(const char* name) const {
    if (!filter_.DotNames() || name[1] == '\0' || (name[1] == '.' && name[2] == '\0')) return false;
    return !(never_.dotName && never_.dotName(name));
  }

  void Done(Folder& folder, int error) {
    folder.error = error;
    folder.listed.Publish(pool_);
  }

  struct IdHash {
    size_t operator()(const std::pair<dev_t, ino_t>& id) const {
      return std::hash<uint64_t>()(static_cast<uint64_t>(id.second) * 31 + id.first);
    }
  };

  FoundSink& found_;
  std::string path_;  // the path handed to found_, its storage reused
  RunReporter& run_;
  const NameFilter& filter_;
  const NeverWalked& never_;
  size_t rootLength_ = 0;  // the chosen folder's path with its separator
  // The home trash folder (device, inode), never walked into; set before the first listing.
  std::pair<dev_t, ino_t> homeTrash_{0, 0};
  // The folders walked behind links so far (device, inode); window's thread only.
  std::unordered_set<std::pair<dev_t, ino_t>, IdHash> walkedBehindLinks_;
  std::atomic<bool> stop_{false};  // set by the window's thread on a stop
  const int heldDirsMax_;          // open folders held for their subfolders, at most
  std::atomic<int> heldDirs_{0};
  std::vector<AlignedBuffer> buffers_;  // one listing buffer per worker
  std::vector<std::string> full_;       // per worker: the path of the entry it looks at
  WorkerPool pool_;                     // ends first: no job outlives the buffers
};

}  // namespace

FileFacts WalkFolderTree(FoundSink& sink, RunReporter& run, const std::string& folderPath,
                         const NameFilter& filter, const NeverWalked& never) {
  return TreeWalk(sink, run, filter, never).Run(folderPath);
}

FileFacts WalkFolderTree(std::vector<FoundFile>& foundFiles, RunReporter& run,
                         const std::string& folderPath, const NameFilter& filter,
                         const NeverWalked& never) {
  struct Into final : FoundSink {
    explicit Into(std::vector<FoundFile>& f) : found(f) {}
    void Found(std::string& path, const FileFacts& facts) override {
      found.push_back(FoundFile{std::move(path), facts});
    }
    std::vector<FoundFile>& found;
  } into(foundFiles);
  return WalkFolderTree(into, run, folderPath, filter, never);
}

}  // namespace zweiblick
