// SPDX-License-Identifier: GPL-3.0-or-later
// A file system for the tests that stands in for a network share or a USB
// stick that hangs or fails: one writable folder, held in memory, without
// subfolders unless it fails late (it then has room for a trash). Run as: SLOW_FS=MODE slow_fs -f
// MOUNTPOINT, where MODE is
//   hang:  it holds "late.txt", and its folder listing takes a second and a half;
//   pairs: it holds "a.bin" and "b.bin", 2 MiB of zeros each, whose first read
//          takes 300 ms, and "in_flight", how many of those reads waited at once
//          at most;
//   else:  it holds "old.txt" ("old", 2001-09-09) and "changing.bin" (1 MiB of
//          "a", rewritten to "b" by "another program" right after its first
//          read), and fails with EIO what MODE names: "flush" (the close of a
//          written file), "fsync", or "rename" (the first two renames onto
//          "old.txt"; it has no hard links, as FAT has none);
//   links: as the last, failing nothing, and with hard links, each name
//          with an inode number of its own (as sshfs numbers them).
#define FUSE_USE_VERSION 31
#include <fuse.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

namespace {

const std::string mode = std::getenv("SLOW_FS") ? std::getenv("SLOW_FS") : "";
const bool pairs = mode == "pairs";

struct Node {
  std::string data;
  mode_t mode = 0644;
  timespec mtime{}, ctime{};
  bool folder = false;
};
const bool folders = mode == "flush" || mode == "fsync" || mode == "rename" || mode == "links";
int renameFaults = mode == "rename" ? 2 : 0;
std::mutex lock;
std::map<std::string, std::shared_ptr<Node>> files;  // by path; hard links share a node
bool changed = false;                                // changing.bin has been rewritten once
int waiting = 0, mostWaiting = 0;                    // first reads of the pair files

std::shared_ptr<Node> Made(Node node) {
  return std::make_shared<Node>(std::move(node));
}

timespec Now() {
  timespec t{};
  clock_gettime(CLOCK_REALTIME, &t);
  return t;
}

// Runs `change` on the node of `path` under the lock; ENOENT when there is none.
template <class Change>
int OnNode(const char* path, Change change) {
  std::lock_guard<std::mutex> hold(lock);
  auto it = files.find(path);
  return it == files.end() ? -ENOENT : change(*it->second);
}

void* Init(fuse_conn_info*, fuse_config* cfg) {
  // Every stat reaches the server, so a change shows at once.
  cfg->attr_timeout = cfg->entry_timeout = cfg->negative_timeout = 0;
  const timespec y2001{1000000000, 0};
  if (mode == "hang") {
    files["/late.txt"] = Made({"late", 0644, y2001, y2001});
  } else if (pairs) {
    for (const char* p : {"/a.bin", "/b.bin"})
      files[p] = Made({std::string(2 << 20, '\0'), 0644, y2001, y2001});
    files["/in_flight"] = Made({"0", 0644, y2001, y2001});
  } else {
    files["/old.txt"] = Made({"old", 0644, y2001, y2001});
    files["/changing.bin"] = Made({std::string(1 << 20, 'a'), 0644, y2001, y2001});
  }
  return nullptr;
}

int GetAttr(const char* path, struct stat* st, fuse_file_info*) {
  *st = {};
  st->st_nlink = 1;
  st->st_mode = S_IFDIR | 0755;
  if (std::strcmp(path, "/") == 0) return 0;
  return OnNode(path, [&](Node& node) {
    st->st_mode = (node.folder ? S_IFDIR : S_IFREG) | node.mode;
    st->st_size = static_cast<off_t>(node.data.size());
    st->st_mtim = node.mtime;
    st->st_ctim = node.ctime;
    return 0;
  });
}

int ReadDir(const char* folder, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
            fuse_readdir_flags) {
  if (mode == "hang") usleep(1500 * 1000);
  std::lock_guard<std::mutex> hold(lock);
  const std::string in = std::strcmp(folder, "/") == 0 ? "" : folder;
  for (const auto& [path, node] : files)
    if (path.rfind('/') == in.size() && path.compare(0, in.size(), in) == 0)
      fill(buffer, path.c_str() + in.size() + 1, nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
  return 0;
}

int MakeFolder(const char* path, mode_t bits) {
  if (!folders) return -ENOSYS;
  std::lock_guard<std::mutex> hold(lock);
  if (files.count(path)) return -EEXIST;
  files[path] = Made({"", bits & 07777, Now(), Now(), true});
  return 0;
}

// fh tells a file opened for writing, whose flush may fail. Every read reaches
// Read, the count of waiting reads included.
int Create(const char* path, mode_t bits, fuse_file_info* fi) {
  std::lock_guard<std::mutex> hold(lock);
  if (files.count(path) && (fi->flags & O_EXCL)) return -EEXIST;
  files[path] = Made({"", bits & 07777, Now(), Now()});
  fi->direct_io = 1;
  fi->fh = 1;
  return 0;
}

int Open(const char*, fuse_file_info* fi) {
  fi->direct_io = 1;
  fi->fh = (fi->flags & O_ACCMODE) != O_RDONLY;
  return 0;
}

int Read(const char* path, char* buffer, size_t size, off_t offset, fuse_file_info*) {
  bool pairFile = pairs && (std::strcmp(path, "/a.bin") == 0 || std::strcmp(path, "/b.bin") == 0);
  if (pairFile && offset == 0) {
    {
      std::lock_guard<std::mutex> hold(lock);
      mostWaiting = std::max(mostWaiting, ++waiting);
      files["/in_flight"]->data = std::to_string(mostWaiting);
    }
    usleep(300 * 1000);
    std::lock_guard<std::mutex> hold(lock);
    --waiting;
  }
  return OnNode(path, [&](Node& node) {
    if (offset >= static_cast<off_t>(node.data.size())) return 0;
    size_t n = std::min(size, node.data.size() - static_cast<size_t>(offset));
    std::memcpy(buffer, node.data.data() + offset, n);
    if (std::strcmp(path, "/changing.bin") == 0 && !changed) {
      changed = true;  // the other program writes its new version while the copy reads
      node.data.assign(node.data.size(), 'b');
      node.mtime = node.ctime = Now();
    }
    return static_cast<int>(n);
  });
}

int Write(const char* path, const char* buffer, size_t size, off_t offset, fuse_file_info*) {
  return OnNode(path, [&](Node& node) {
    if (node.data.size() < offset + size) node.data.resize(offset + size);
    std::memcpy(node.data.data() + offset, buffer, size);
    node.mtime = node.ctime = Now();
    return static_cast<int>(size);
  });
}

int Truncate(const char* path, off_t size, fuse_file_info*) {
  return OnNode(path, [&](Node& node) { return node.data.resize(static_cast<size_t>(size)), 0; });
}

int Flush(const char*, fuse_file_info* fi) {
  return fi->fh && mode == "flush" ? -EIO : 0;
}

int Fsync(const char*, int, fuse_file_info*) {
  return mode == "fsync" ? -EIO : 0;
}

int Chmod(const char* path, mode_t bits, fuse_file_info*) {
  return OnNode(path, [&](Node& node) { return node.mode = bits & 07777, 0; });
}

int Utimens(const char* path, const timespec times[2], fuse_file_info*) {
  return OnNode(path, [&](Node& node) {
    if (times[1].tv_nsec != UTIME_OMIT)
      node.mtime = times[1].tv_nsec == UTIME_NOW ? Now() : times[1];
    return 0;
  });
}

int Rename(const char* from, const char* to, unsigned int flags) {
  std::lock_guard<std::mutex> hold(lock);
  auto it = files.find(from);
  if (it == files.end() || flags) return it == files.end() ? -ENOENT : -EINVAL;
  if (renameFaults > 0 && std::strcmp(to, "/old.txt") == 0) return --renameFaults, -EIO;
  std::shared_ptr<Node> moved = it->second;
  files.erase(it);
  files[to] = moved;
  return 0;
}

int Link(const char* from, const char* to) {
  if (mode != "links") return -EPERM;
  std::lock_guard<std::mutex> hold(lock);
  auto it = files.find(from);
  if (it == files.end() || it->second->folder) return it == files.end() ? -ENOENT : -EPERM;
  if (files.count(to)) return -EEXIST;
  files[to] = it->second;
  it->second->ctime = Now();
  return 0;
}

int Unlink(const char* path) {
  std::lock_guard<std::mutex> hold(lock);
  return files.erase(path) ? 0 : -ENOENT;
}

}  // namespace

int main(int argc, char* argv[]) {
  fuse_operations ops{};
  ops.init = Init;
  ops.getattr = GetAttr;
  ops.readdir = ReadDir;
  ops.mkdir = MakeFolder;
  ops.create = Create;
  ops.open = Open;
  ops.read = Read;
  ops.write = Write;
  ops.truncate = Truncate;
  ops.flush = Flush;
  ops.fsync = Fsync;
  ops.chmod = Chmod;
  ops.utimens = Utimens;
  ops.rename = Rename;
  ops.unlink = Unlink;
  ops.link = Link;
  return fuse_main(argc, argv, &ops, nullptr);
}
