// SPDX-License-Identifier: GPL-3.0-or-later
// Mounts a FUSE file system of the tests (tests/tools/slow_fs) or a real one
// (fusefat) on a folder and takes it down again.
#pragma once

#include <signal.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "child_process.h"

namespace zweiblick::testing {

class FuseMount {
 public:
  // Runs `argv` (a server that stays in the foreground and mounts on
  // `folder`), with the environment variable `env` set to `value` when given.
  FuseMount(const std::string& folder, std::vector<std::string> argv, const char* env = nullptr,
            const char* value = nullptr)
      : folder_(folder) {
    struct stat top {};
    if (access("/dev/fuse", R_OK | W_OK) != 0 || stat(folder.c_str(), &top) != 0 ||
        access(argv[0].c_str(), X_OK) != 0)
      return;
    server_ = Spawn(argv, "/dev/null", "/dev/null", [&] {  // fusefat talks a lot
      if (env) setenv(env, value, 1);
    });
    struct stat inside = top;  // until the mount shows
    for (int i = 0; i < 500 && inside.st_dev == top.st_dev; ++i) {
      usleep(20000);
      stat(folder.c_str(), &inside);
    }
    mounted_ = inside.st_dev != top.st_dev;
  }
  // Virtual: a mount is often held as a FuseMount, and ExfatMount must free its loop device.
  virtual ~FuseMount() {
    if (dead_) umount2(folder_.c_str(), MNT_DETACH);
    if (server_ <= 0) return;
    umount2(folder_.c_str(), MNT_DETACH);
    kill(server_, SIGTERM);
    waitpid(server_, nullptr, 0);
  }
  FuseMount(const FuseMount&) = delete;
  FuseMount& operator=(const FuseMount&) = delete;

  // Unmounts and waits until the server has written everything and ended.
  void Unmount() {
    if (server_ <= 0) return;
    if (umount2(folder_.c_str(), 0) != 0) umount2(folder_.c_str(), MNT_DETACH);
    waitpid(server_, nullptr, 0);
    server_ = -1;
  }

  // Ends the server at once and leaves its mount behind, dead: every look at
  // the folder fails (ENOTCONN), as on a share whose server went away.
  void Kill() {
    if (server_ <= 0) return;
    kill(server_, SIGKILL);
    waitpid(server_, nullptr, 0);
    server_ = -1;
    dead_ = true;
  }

  // False where FUSE or the server is missing or the mount failed: the test is skipped then.
  bool Mounted() const { return mounted_; }

 private:
  std::string folder_;
  pid_t server_ = -1;
  bool mounted_ = false;
  bool dead_ = false;  // killed, its mount still there
};

// fusefat on `folder` with the FAT image `image`, a new one of 32 MiB when
// `format`; not mounted where mkfs.vfat or fusefat is missing.
inline std::vector<std::string> Fusefat(const std::string& folder, const std::string& image,
                                        bool format) {
  bool made =
      !format ||
      std::system(("truncate -s 32M " + image + " && /sbin/mkfs.vfat " + image + " >/dev/null 2>&1")
                      .c_str()) == 0;
  return {made ? "/usr/bin/fusefat" : "/nonexistent", "-f", "-o", "rw+", image, folder};
}
struct FatMount : FuseMount {
  FatMount(const std::string& folder, const std::string& image, bool format = true)
      : FuseMount(folder, Fusefat(folder, image, format)) {}
};

// exfat-fuse on `folder` with a new exFAT image of 32 MiB at `image`, through
// a loop device (it wants a block device); not mounted where that cannot be had.
inline std::string LoopDevice(const std::string& image) {
  std::string out = image + ".loop";
  if (std::system(("truncate -s 32M " + image + " && /usr/sbin/mkfs.exfat " + image +
                   " >/dev/null 2>&1 && losetup -f --show " + image + " > " + out + " 2>/dev/null")
                      .c_str()) != 0)
    return {};
  std::string device;
  if (FILE* f = fopen(out.c_str(), "r")) {
    char line[64] = {};
    if (fgets(line, sizeof line, f)) device = line;
    fclose(f);
  }
  while (!device.empty() && device.back() == '\n') device.pop_back();
  return device;
}
struct ExfatMount : FuseMount {
  ExfatMount(const std::string& folder, const std::string& image)
      : ExfatMount(LoopDevice(image), folder, 0) {}
  ~ExfatMount() {
    Unmount();
    if (!device_.empty()) std::system(("losetup -d " + device_).c_str());
  }

 private:
  ExfatMount(std::string device, const std::string& folder, int)
      : FuseMount(folder, {device.empty() ? "/nonexistent" : "/usr/sbin/mount.exfat-fuse", "-d",
                           device, folder}),
        device_(std::move(device)) {}
  std::string device_;
};

#ifdef ZWEIBLICK_SLOW_FS
inline constexpr const char* kSlowFs = ZWEIBLICK_SLOW_FS;
#else
inline constexpr const char* kSlowFs = "/nonexistent/slow_fs";
#endif

// slow_fs in one of its modes ("hang", "pairs", or the operations to fail).
struct SlowFsMount : FuseMount {
  SlowFsMount(const std::string& folder, const char* mode)
      : FuseMount(folder, {kSlowFs, "-f", folder}, "SLOW_FS", mode) {}
};

}  // namespace zweiblick::testing
