// Runs the real programs on control files and checks the folders afterwards.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "../core/temp_tree.h"

namespace {

using zweiblick::testing::TempTree;

struct Result {
  int status = -1;  // exit status; -1 when it had to be killed
  std::string out, err;
};

// Runs `argv` with `env` added, for at most `seconds`, in the folder `cwd` when
// given, with standard output into `outFile` when given.
Result RunProgram(std::vector<std::string> argv, std::vector<std::string> env, int seconds = 60,
                  const std::string& cwd = "", const std::string& outFile = "") {
  int out[2], err[2];
  EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
  EXPECT_EQ(pipe2(err, O_CLOEXEC), 0);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    dup2(err[1], 2);
    if (!outFile.empty()) dup2(open(outFile.c_str(), O_WRONLY), 1);
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
    int devnull = open("/dev/null", O_RDONLY);
    dup2(devnull, 0);
    for (auto& e : env) putenv(e.data());
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
  }
  close(out[1]);
  close(err[1]);
  Result r;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  int open = 2;
  while (open > 0 && std::chrono::steady_clock::now() < deadline) {
    if (poll(fds, 2, 200) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP))) continue;
      char buffer[4096];
      ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n <= 0) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      } else {
        (i == 0 ? r.out : r.err).append(buffer, static_cast<size_t>(n));
      }
    }
  }
  int status = 0;
  for (;;) {
    if (waitpid(pid, &status, WNOHANG) == pid) {
      r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      break;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  for (auto& f : fds)
    if (f.fd >= 0) close(f.fd);
  return r;
}

struct Programs : ::testing::Test {
  TempTree dir, left, right, home;
  std::string cli = std::string(ZWEIBLICK_BIN_DIR) + "/zweiblick-cli";
  std::string gui = std::string(ZWEIBLICK_BIN_DIR) + "/zweiblick";

  void SetUp() override {
    left.Write("same.txt", "same", 1000000000);
    right.Write("same.txt", "same", 1000000000);
    left.Write("Briefe/neu.txt", "newer", 2000000000);
    right.Write("Briefe/neu.txt", "older", 1000000000);
    left.Write("nur-links.txt", "L");
  }
  std::string Control(const std::string& autoStart) {
    dir.Write("steuer.ini", "[Pfade]\r\nLinks=" + left.Path() + "\r\nRechts=" + right.Path() +
                                "\r\n[AutoStart]\r\n" + autoStart);
    return dir.Path("steuer.ini");
  }
};

TEST_F(Programs, CliComparesCopiesToStdoutAndSynchronises) {
  Result r =
      RunProgram({cli, Control("Altersvergleich=1\r\nZwischenablage=1\r\nAbgleich=1\r\n")}, {});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(
      r.out,
      "Briefe/neu.txt\t-->\tBriefe/neu.txt\r\nnur-links.txt\t? -->\t\r\nsame.txt\t=\tsame.txt\r\n");
  EXPECT_EQ(right.Read("Briefe/neu.txt"), "newer");
  EXPECT_FALSE(right.Exists("nur-links.txt"));  // a proposal is no action
  EXPECT_NE(r.err.find("Abgleich: 1 kopiert, 0 gelöscht, 0 fehlgeschlagen, 1 nur vorgeschlagen "
                       "(\"? -->\" oder \"? <--\") und daher nicht kopiert.\n"),
            std::string::npos)
      << r.err;
}

TEST_F(Programs, CliTakesARelativeNameFromTheCurrentFolderAndReportsAFullDisk) {
  Control("Altersvergleich=1\r\nZwischenablage=1\r\n");
  Result r = RunProgram({cli, "steuer.ini"}, {}, 60, dir.Path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.out.find("same.txt\t=\tsame.txt"), std::string::npos);
  r = RunProgram({cli, "steuer.ini"}, {}, 60, dir.Path(), "/dev/full");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Die Liste konnte nicht auf die Standardausgabe geschrieben werden"),
            std::string::npos)
      << r.err;
}

TEST_F(Programs, CliInterruptedInTheMiddleOfACopyLeavesNoTemporaryFile) {
  // A sparse source: large enough that the copy is still under way when the
  // signal comes, while costing no disk space.
  right.Write("gross.bin", "old", 1000000000);
  left.Write("gross.bin", "", 2000000000);
  ASSERT_EQ(truncate(left.Path("gross.bin").c_str(), 1L << 30), 0);
  left.SetTime("gross.bin", 2000000000);
  std::string control = Control("Altersvergleich=1\r\nAbgleich=1\r\n");
  int watch = inotify_init1(IN_CLOEXEC);
  ASSERT_GE(watch, 0);
  ASSERT_GE(inotify_add_watch(watch, right.Path().c_str(), IN_CREATE), 0);
  pid_t pid = fork();
  ASSERT_GE(pid, 0);
  if (pid == 0) {
    int devnull = open("/dev/null", O_RDWR);
    dup2(devnull, 0);
    dup2(devnull, 1);
    dup2(devnull, 2);
    execl(cli.c_str(), cli.c_str(), control.c_str(), nullptr);
    _exit(127);
  }
  bool started = false;
  pollfd fd{watch, POLLIN, 0};
  while (!started && poll(&fd, 1, 60000) == 1) {
    alignas(inotify_event) char buffer[4096];
    ssize_t n = read(watch, buffer, sizeof buffer);
    for (ssize_t at = 0; at < n;) {
      auto* e = reinterpret_cast<inotify_event*>(buffer + at);
      if (e->len && std::string(e->name).rfind(".zweiblick-", 0) == 0) started = true;
      at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
    }
  }
  close(watch);
  kill(pid, SIGTERM);
  int status = 0;
  waitpid(pid, &status, 0);
  ASSERT_TRUE(started) << "the copy never began";
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
  for (auto& e : std::filesystem::directory_iterator(right.Path()))
    EXPECT_EQ(e.path().filename().string().rfind(".zweiblick-", 0), std::string::npos) << e.path();
  if (std::filesystem::file_size(right.Path("gross.bin")) != 3)
    GTEST_SKIP() << "the copy ended before the signal came";
}

TEST_F(Programs, CliReportsBadControlFilesAndUsage) {
  Result r = RunProgram({cli, Control("Ende=1\r\n")}, {});
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.err.find(" * Sie haben keinen Vergleichstyps eingestellt"), std::string::npos)
      << r.err;
  EXPECT_EQ(RunProgram({cli}, {}).status, 2);
  EXPECT_EQ(RunProgram({cli, "a", "b"}, {}).status, 2);
  Result v = RunProgram({cli, "--version"}, {});
  EXPECT_EQ(v.status, 0);
  EXPECT_EQ(v.out, "zweiblick-cli 2.6.3\n");
}

TEST_F(Programs, CliExitsWithOneWhenAnEntryCannotBeExamined) {
  ASSERT_EQ(symlink("nowhere", left.Path("dangling").c_str()), 0);
  Result r = RunProgram({cli, Control("Binärvergleich=1\r\n")}, {});
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("Zugriffsfehler 53 auf '" + left.Path("dangling") +
                       "'\nDieser Name wird fortan ignoriert ..."),
            std::string::npos)
      << r.err;
  EXPECT_NE(r.err.find("Ergebnis des Binärvergleichs von 3 Dateien:"), std::string::npos) << r.err;
}

TEST_F(Programs, WindowRunsAgeSyncEndAndExitsByItself) {
  Result r = RunProgram({gui, Control("Altersvergleich=1\r\nAbgleich=1\r\nEnde=1\r\n")},
                        {"QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + home.Path()}, 60);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(right.Read("Briefe/neu.txt"), "newer");
}

}  // namespace
