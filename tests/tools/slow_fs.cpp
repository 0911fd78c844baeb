// A file system for the tests that stands in for a network share or a USB
// stick that hangs. Run as: slow_fs -f [-s] MOUNTPOINT
//
// By default it holds one file, "late.txt", and its folder listing takes a
// second and a half. With SLOW_FS_PAIRS set it holds two files of 2 MiB of
// zeros, "a.bin" and "b.bin", whose first read takes 300 ms, and "in_flight",
// which tells how many of those first reads were waiting at once at most.
#define FUSE_USE_VERSION 31
#include <fuse.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr off_t kPairFileSize = 2 << 20;
bool pairs = false;
std::atomic<int> waiting{0}, mostWaiting{0};

bool IsPairFile(const char* path) {
  return pairs && (std::strcmp(path, "/a.bin") == 0 || std::strcmp(path, "/b.bin") == 0);
}

int GetAttr(const char* path, struct stat* st, fuse_file_info*) {
  std::memset(st, 0, sizeof *st);
  st->st_nlink = 1;
  st->st_mode = S_IFREG | 0644;
  if (std::strcmp(path, "/") == 0) {
    st->st_mode = S_IFDIR | 0755;
    st->st_nlink = 2;
  } else if (IsPairFile(path)) {
    st->st_size = kPairFileSize;
  } else if (pairs && std::strcmp(path, "/in_flight") == 0) {
    st->st_size = 1;
  } else if (!pairs && std::strcmp(path, "/late.txt") == 0) {
    st->st_size = 4;
  } else {
    return -ENOENT;
  }
  return 0;
}

int ReadDir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
            fuse_readdir_flags) {
  if (std::strcmp(path, "/") != 0) return -ENOENT;
  std::vector<const char*> names{".", ".."};
  if (pairs) {
    names.insert(names.end(), {"a.bin", "b.bin", "in_flight"});
  } else {
    usleep(1500 * 1000);
    names.push_back("late.txt");
  }
  for (const char* name : names)
    fill(buffer, name, nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
  return 0;
}

int Open(const char*, fuse_file_info* fi) {
  fi->direct_io = 1;  // every read reaches Read, the count included
  return 0;
}

int Read(const char* path, char* buffer, size_t size, off_t offset, fuse_file_info*) {
  if (IsPairFile(path)) {
    if (offset == 0) {
      int now = ++waiting;
      for (int most = mostWaiting; now > most && !mostWaiting.compare_exchange_weak(most, now);) {
      }
      usleep(300 * 1000);
      --waiting;
    }
    size_t n = static_cast<size_t>(std::clamp<off_t>(kPairFileSize - offset, 0, size));
    std::memset(buffer, 0, n);
    return static_cast<int>(n);
  }
  std::string text = pairs ? std::to_string(mostWaiting.load()) : "late";
  if (offset >= static_cast<off_t>(text.size())) return 0;
  size_t n = std::min(size, text.size() - static_cast<size_t>(offset));
  std::memcpy(buffer, text.data() + offset, n);
  return static_cast<int>(n);
}

}  // namespace

int main(int argc, char* argv[]) {
  pairs = std::getenv("SLOW_FS_PAIRS") != nullptr;
  fuse_operations ops{};
  ops.getattr = GetAttr;
  ops.readdir = ReadDir;
  ops.open = Open;
  ops.read = Read;
  return fuse_main(argc, argv, &ops, nullptr);
}
