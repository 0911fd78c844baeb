// SPDX-License-Identifier: GPL-3.0-or-later
// What only a process of its own may do in a test: see mounts of its own, or
// give up root to obey permissions as an ordinary user does.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace zweiblick::testing {

// The exit status of a child that could not set itself up: the test is skipped.
inline constexpr int kCannotHere = 77;

// Runs `body` in a forked child: 0 when it returned true, 1 when false or when
// the child died, kCannotHere when it ended with that status itself.
inline int InChild(const std::function<bool()>& body) {
  pid_t child = fork();
  if (child == 0) _exit(body() ? 0 : 1);
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) return 1;
  return WEXITSTATUS(status);
}

// Starts `argv` in a child with no input and its output into the files `out`
// and `err`; `prepare` runs in the child first.
inline pid_t Spawn(std::vector<std::string> argv, const std::string& out, const std::string& err,
                   const std::function<void()>& prepare = {}) {
  pid_t pid = fork();
  if (pid != 0) return pid;
  if (prepare) prepare();
  dup2(open("/dev/null", O_RDONLY), STDIN_FILENO);
  dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
  dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600), STDERR_FILENO);
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  execv(args[0], args.data());
  _exit(127);
}

// In a child: mounts of its own, which the test process never sees.
inline void OwnMountsOrCannot() {
  if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
    _exit(kCannotHere);
}

// In a child: the user "nobody", without groups, with a home trash and a
// state folder of its own below the tests' ones.
inline void OrdinaryUserOrCannot() {
  for (const char* variable : {"XDG_DATA_HOME", "XDG_STATE_HOME"}) {
    const char* folder = getenv(variable);
    if (!folder) continue;
    std::string own = std::string(folder) + "/nobody";
    if ((mkdir(folder, 0711) != 0 && errno != EEXIST) || chmod(folder, 0711) != 0 ||
        (mkdir(own.c_str(), 0700) != 0 && errno != EEXIST) || chown(own.c_str(), 65534, 65534) != 0)
      _exit(kCannotHere);
    setenv(variable, own.c_str(), 1);
  }
  if (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 ||
      setresuid(65534, 65534, 65534) != 0)
    _exit(kCannotHere);
}

// Runs `body` in a child with mounts of its own and a fresh file system of
// `type` on `folder`; kCannotHere where it cannot mount.
inline int InChildOnMount(const std::string& folder, const char* type, const char* options,
                          const std::function<bool()>& body) {
  return InChild([&] {
    OwnMountsOrCannot();
    if (mount(type, folder.c_str(), type, 0, options) != 0) _exit(kCannotHere);
    return body();
  });
}

}  // namespace zweiblick::testing

// The verdict of InChild: skipped where the child could not set itself up.
#define EXPECT_CHILD_HELD(status, what)                                                   \
  do {                                                                                    \
    int childStatus_ = (status);                                                          \
    if (childStatus_ == ::zweiblick::testing::kCannotHere) GTEST_SKIP() << "cannot here"; \
    EXPECT_EQ(childStatus_, 0) << what;                                                   \
  } while (0)
