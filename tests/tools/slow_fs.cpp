// A file system for the tests whose folder listing takes a second and a half:
// a stand-in for a network share or a USB stick that hangs. It holds one file,
// "late.txt". Run as: slow_fs -f -s MOUNTPOINT
#define FUSE_USE_VERSION 31
#include <fuse.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <initializer_list>

namespace {

int GetAttr(const char* path, struct stat* st, fuse_file_info*) {
  std::memset(st, 0, sizeof *st);
  if (std::strcmp(path, "/") == 0) {
    st->st_mode = S_IFDIR | 0755;
    st->st_nlink = 2;
    return 0;
  }
  if (std::strcmp(path, "/late.txt") == 0) {
    st->st_mode = S_IFREG | 0644;
    st->st_nlink = 1;
    st->st_size = 4;
    return 0;
  }
  return -ENOENT;
}

int ReadDir(const char* path, void* buffer, fuse_fill_dir_t fill, off_t, fuse_file_info*,
            fuse_readdir_flags) {
  if (std::strcmp(path, "/") != 0) return -ENOENT;
  usleep(1500 * 1000);
  for (const char* name : {".", "..", "late.txt"})
    fill(buffer, name, nullptr, 0, static_cast<fuse_fill_dir_flags>(0));
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  fuse_operations ops{};
  ops.getattr = GetAttr;
  ops.readdir = ReadDir;
  return fuse_main(argc, argv, &ops, nullptr);
}
