// A file system for the tests that stands in for a network share or a USB
// stick that hangs or fails. Run as: slow_fs -f MOUNTPOINT
//
// By default it holds one file, "late.txt", and its folder listing takes a
// second and a half. With SLOW_FS_PAIRS set it holds two files of 2 MiB of
// zeros, "a.bin" and "b.bin", whose first read takes 300 ms, and "in_flight",
// which tells how many of those first reads were waiting at once at most.
//
// With SLOW_FS_FAULTS set it is a writable folder without subfolders, held in
// memory, that starts with "old.txt" ("old", 2001-09-09) and "changing.bin"
// (1 MiB of "a", rewritten to "b" by "another program" right after its first read), and fails
// what the variable names: "flush" (close of a written file) or "fsync", with EIO.
#define FUSE_USE_VERSION 31
#include <fuse.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <string>

namespace {

const bool pairs = std::getenv("SLOW_FS_PAIRS") != nullptr;
const std::string zeros(2 << 20, '\0');  // the contents of each pair file
std::atomic<int> waiting{0}, mostWaiting{0};

bool IsPairFile(const char* path) {
  return pairs && (std::strcmp(path, "/a.bin") == 0 || std::strcmp(path, "/b.bin") == 0);
}
bool IsTextFile(const char* path) {
  return std::strcmp(path, pairs ? "/in_flight" : "/late.txt") == 0;
}
std::string Text() {
  return pairs ? std::to_string(mostWaiting.load()) : "late";
}

int GetAttr(const char* path, struct stat* st, fuse_file_info*) {
  *st = {};
  st->st_nlink = 1;
  st->st_mode = std::strcmp(path, "/") == 0 ? S_IFDIR | 0755 : S_IFREG | 0644;
  if (IsPairFile(path)) st->st_size = static_cast<off_t>(zeros.size());
  if (IsTextFile(path)) st->st_size = static_cast<off_t>(Text().size());
  return S_ISDIR(st->st_mode) || st->st_size ? 0 : -ENOENT;
}

// The only folder is the root.
int ReadDir(const char*, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
            fuse_readdir_flags) {
  if (!pairs) usleep(1500 * 1000);
  for (const char* path : {"/a.bin", "/b.bin", "/in_flight", "/late.txt"})
    if (IsPairFile(path) || IsTextFile(path))
      fill(buffer, path + 1, nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
  return 0;
}

int Open(const char*, fuse_file_info* fi) {
  fi->direct_io = 1;  // every read reaches Read, the count included
  return 0;
}

int Read(const char* path, char* buffer, size_t size, off_t offset, fuse_file_info*) {
  if (IsPairFile(path) && offset == 0) {
    int now = ++waiting;
    for (int most = mostWaiting; now > most && !mostWaiting.compare_exchange_weak(most, now);) {
    }
    usleep(300 * 1000);
    --waiting;
  }
  const std::string text = Text();
  const std::string& data = IsPairFile(path) ? zeros : text;
  if (offset >= static_cast<off_t>(data.size())) return 0;
  size_t n = std::min(size, data.size() - static_cast<size_t>(offset));
  std::memcpy(buffer, data.data() + offset, n);
  return static_cast<int>(n);
}

// The writable folder of SLOW_FS_FAULTS.
namespace faulty {

const char* const faults = std::getenv("SLOW_FS_FAULTS");
bool Fails(const char* operation) {
  return std::strstr(faults, operation) != nullptr;
}

struct Node {
  std::string data;
  mode_t mode = 0644;
  timespec mtime{}, ctime{};
};
std::mutex lock;
std::map<std::string, Node> files;  // by path
bool changed = false;               // changing.bin has been rewritten once

timespec Now() {
  timespec t{};
  clock_gettime(CLOCK_REALTIME, &t);
  return t;
}

void* Init(fuse_conn_info*, fuse_config* cfg) {
  // Every stat reaches the server, so a change shows at once.
  cfg->attr_timeout = cfg->entry_timeout = cfg->negative_timeout = 0;
  files["/old.txt"] = {"old", 0644, {1000000000, 0}, {1000000000, 0}};
  files["/changing.bin"] = {std::string(1 << 20, 'a'), 0644, {1000000000, 0}, {1000000000, 0}};
  return nullptr;
}

int GetAttr(const char* path, struct stat* st, fuse_file_info*) {
  std::lock_guard<std::mutex> hold(lock);
  *st = {};
  st->st_nlink = 1;
  if (std::strcmp(path, "/") == 0) {
    st->st_mode = S_IFDIR | 0755;
    return 0;
  }
  auto it = files.find(path);
  if (it == files.end()) return -ENOENT;
  st->st_mode = S_IFREG | it->second.mode;
  st->st_size = static_cast<off_t>(it->second.data.size());
  st->st_mtim = it->second.mtime;
  st->st_ctim = it->second.ctime;
  return 0;
}

int ReadDir(const char*, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
            fuse_readdir_flags) {
  std::lock_guard<std::mutex> hold(lock);
  for (const auto& [path, node] : files)
    fill(buffer, path.c_str() + 1, nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
  return 0;
}

int Create(const char* path, mode_t mode, fuse_file_info* fi) {
  std::lock_guard<std::mutex> hold(lock);
  if (files.count(path) && (fi->flags & O_EXCL)) return -EEXIST;
  files[path] = {"", mode & 07777, Now(), Now()};
  fi->direct_io = 1;
  fi->fh = 1;  // written: its flush may fail
  return 0;
}

int OpenFile(const char*, fuse_file_info* fi) {
  fi->direct_io = 1;
  fi->fh = (fi->flags & O_ACCMODE) != O_RDONLY;
  return 0;
}

int Read(const char* path, char* buffer, size_t size, off_t offset, fuse_file_info*) {
  std::lock_guard<std::mutex> hold(lock);
  auto it = files.find(path);
  if (it == files.end()) return -ENOENT;
  Node& node = it->second;
  if (offset >= static_cast<off_t>(node.data.size())) return 0;
  size_t n = std::min(size, node.data.size() - static_cast<size_t>(offset));
  std::memcpy(buffer, node.data.data() + offset, n);
  if (std::strcmp(path, "/changing.bin") == 0 && !changed) {
    changed = true;  // the other program writes its new version while the copy reads
    node.data.assign(node.data.size(), 'b');
    node.mtime = node.ctime = Now();
  }
  return static_cast<int>(n);
}

int Write(const char* path, const char* buffer, size_t size, off_t offset, fuse_file_info*) {
  std::lock_guard<std::mutex> hold(lock);
  auto it = files.find(path);
  if (it == files.end()) return -ENOENT;
  std::string& data = it->second.data;
  if (data.size() < offset + size) data.resize(offset + size);
  std::memcpy(data.data() + offset, buffer, size);
  it->second.mtime = it->second.ctime = Now();
  return static_cast<int>(size);
}

int Truncate(const char* path, off_t size, fuse_file_info*) {
  std::lock_guard<std::mutex> hold(lock);
  auto it = files.find(path);
  if (it == files.end()) return -ENOENT;
  it->second.data.resize(static_cast<size_t>(size));
  return 0;
}

int Flush(const char*, fuse_file_info* fi) {
  return fi->fh && Fails("flush") ? -EIO : 0;
}

int Fsync(const char*, int, fuse_file_info*) {
  return Fails("fsync") ? -EIO : 0;
}

int Chmod(const char* path, mode_t mode, fuse_file_info*) {
  std::lock_guard<std::mutex> hold(lock);
  auto it = files.find(path);
  if (it == files.end()) return -ENOENT;
  it->second.mode = mode & 07777;
  return 0;
}

int Utimens(const char* path, const timespec times[2], fuse_file_info*) {
  std::lock_guard<std::mutex> hold(lock);
  auto it = files.find(path);
  if (it == files.end()) return -ENOENT;
  if (times[1].tv_nsec != UTIME_OMIT)
    it->second.mtime = times[1].tv_nsec == UTIME_NOW ? Now() : times[1];
  return 0;
}

int Rename(const char* from, const char* to, unsigned int flags) {
  std::lock_guard<std::mutex> hold(lock);
  auto it = files.find(from);
  if (it == files.end()) return -ENOENT;
  if (flags) return -EINVAL;
  Node node = it->second;
  files.erase(it);
  files[to] = node;
  return 0;
}

int Unlink(const char* path) {
  std::lock_guard<std::mutex> hold(lock);
  return files.erase(path) ? 0 : -ENOENT;
}

}  // namespace faulty

}  // namespace

int main(int argc, char* argv[]) {
  fuse_operations ops{};
  if (faulty::faults) {
    ops.init = faulty::Init;
    ops.getattr = faulty::GetAttr;
    ops.readdir = faulty::ReadDir;
    ops.create = faulty::Create;
    ops.open = faulty::OpenFile;
    ops.read = faulty::Read;
    ops.write = faulty::Write;
    ops.truncate = faulty::Truncate;
    ops.flush = faulty::Flush;
    ops.fsync = faulty::Fsync;
    ops.chmod = faulty::Chmod;
    ops.utimens = faulty::Utimens;
    ops.rename = faulty::Rename;
    ops.unlink = faulty::Unlink;
  } else {
    ops.getattr = GetAttr;
    ops.readdir = ReadDir;
    ops.open = Open;
    ops.read = Read;
  }
  return fuse_main(argc, argv, &ops, nullptr);
}
