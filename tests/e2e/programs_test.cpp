// Runs the real programs on control files and checks the folders afterwards.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
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

// Runs `argv` with `env` added, for at most `seconds`.
Result RunProgram(std::vector<std::string> argv, std::vector<std::string> env, int seconds = 60) {
  int out[2], err[2];
  EXPECT_EQ(pipe2(out, O_CLOEXEC), 0);
  EXPECT_EQ(pipe2(err, O_CLOEXEC), 0);
  pid_t pid = fork();
  if (pid == 0) {
    dup2(out[1], 1);
    dup2(err[1], 2);
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
