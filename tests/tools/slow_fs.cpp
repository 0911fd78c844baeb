// A file system for the tests that stands in for a network share or a USB
// stick that hangs. Run as: slow_fs -f MOUNTPOINT
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

}  // namespace

int main(int argc, char* argv[]) {
  fuse_operations ops{};
  ops.getattr = GetAttr;
  ops.readdir = ReadDir;
  ops.open = Open;
  ops.read = Read;
  return fuse_main(argc, argv, &ops, nullptr);
}
