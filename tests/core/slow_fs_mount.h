// Mounts the tests' hanging file system (tests/tools/slow_fs) on a folder and
// takes it down again.
#pragma once

#include <signal.h>
#include <stdlib.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace zweiblick::testing {

class SlowFsMount {
 public:
  // `pairs`: the two slow 2 MiB files instead of the slow listing.
  SlowFsMount(const std::string& folder, bool pairs) : folder_(folder) {
#ifdef ZWEIBLICK_SLOW_FS
    struct stat top {};
    if (access("/dev/fuse", R_OK | W_OK) != 0 || stat(folder.c_str(), &top) != 0) return;
    server_ = fork();
    if (server_ == 0) {
      if (pairs) setenv("SLOW_FS_PAIRS", "1", 1);
      execl(ZWEIBLICK_SLOW_FS, "slow_fs", "-f", folder.c_str(), nullptr);
      _exit(127);
    }
    struct stat inside = top;  // until the mount shows
    for (int i = 0; i < 500 && inside.st_dev == top.st_dev; ++i) {
      usleep(20000);
      stat(folder.c_str(), &inside);
    }
    mounted_ = inside.st_dev != top.st_dev;
#endif
  }
  ~SlowFsMount() {
    if (server_ <= 0) return;
    umount2(folder_.c_str(), MNT_DETACH);
    kill(server_, SIGTERM);
    waitpid(server_, nullptr, 0);
  }
  SlowFsMount(const SlowFsMount&) = delete;
  SlowFsMount& operator=(const SlowFsMount&) = delete;

  // False where FUSE is missing or the mount failed: the test is skipped then.
  bool Mounted() const {
    return mounted_;
  }

 private:
  std::string folder_;
  pid_t server_ = -1;
  bool mounted_ = false;
};

}  // namespace zweiblick::testing
