// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the real programs on control files and checks the folders afterwards.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/wait.h>
#include <unistd.h>

#include "../core/child_process.h"
#include "../core/temp_tree.h"

namespace {

using zweiblick::testing::TempTree;

// The programs' trash is a folder of the tests' own, never the user's.
struct TestDataHome {
  TempTree home, state;
  TestDataHome() {
    setenv("XDG_DATA_HOME", home.Path().c_str(), 1);
    // The runs' records and journals too.
    setenv("XDG_STATE_HOME", state.Path().c_str(), 1);
  }
};
const TestDataHome testDataHome;

struct Result {
  int status = -1;  // exit status; -1 when a signal ended it
  std::string out, err;
};

// Starts `argv` with `env` added, in the folder `cwd` when given, with no input
// and its output into the files `out` and `err`. An alarm ends it after a minute.
pid_t Start(std::vector<std::string> argv, std::vector<std::string> env, const std::string& cwd,
            const std::string& out, const std::string& err) {
  return zweiblick::testing::Spawn(argv, out, err, [&] {
    if (!cwd.empty() && chdir(cwd.c_str()) != 0) _exit(126);
    for (auto& e : env) putenv(e.data());
    alarm(60);
  });
}

// Runs `argv` to its end, with standard output into `outFile` when given.
Result RunProgram(std::vector<std::string> argv, std::vector<std::string> env = {},
                  const std::string& cwd = "", const std::string& outFile = "") {
  TempTree io;
  pid_t pid = Start(argv, env, cwd, outFile.empty() ? io.Path("out") : outFile, io.Path("err"));
  int status = 0;
  waitpid(pid, &status, 0);
  return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, io.Read("out"), io.Read("err")};
}

struct Programs : ::testing::Test {
  TempTree dir, left, right, home;
  std::string cli = std::string(ZWEIBLICK_BIN_DIR) + "/zweiblick-cli";

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

TEST_F(Programs, CliComparesCopiesToStdoutSynchronisesAndReportsAFullDisk) {
  Control("Altersvergleich=1\r\nZwischenablage=1\r\nAbgleich=1\r\n");
  // A relative name is taken from the current folder.
  Result r = RunProgram({cli, "steuer.ini"}, {}, dir.Path());
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(
      r.out,
      "Briefe/neu.txt\t-->\tBriefe/neu.txt\r\nnur-links.txt\t? -->\t\r\nsame.txt\t=\tsame.txt\r\n");
  EXPECT_EQ(right.Read("Briefe/neu.txt"), "newer");
  EXPECT_PRED_FORMAT2(testing::IsSubstring,
                      "Abgleich: 1 kopiert, 1 im Papierkorb, 1 Vorschlag offen\n", r.err);
  r = RunProgram({cli, "steuer.ini"}, {}, dir.Path(), "/dev/full");
  EXPECT_EQ(r.status, 1);
  EXPECT_PRED_FORMAT2(testing::IsSubstring,
                      "Die Liste konnte nicht auf die Standardausgabe geschrieben werden", r.err);
}

// The undo of a control file's last run: what changed since stays and is
// named, the rest is as before the run; a second undo finds nothing to do.
TEST_F(Programs, CliUndoesTheLastRunOnceAndNamesWhatChangedSince) {
  const std::string control = Control("Altersvergleich=1\r\nAbgleich=1\r\nVorschläge=1\r\n");
  ASSERT_EQ(RunProgram({cli, control}).status, 0);
  ASSERT_EQ(right.Read("Briefe/neu.txt"), "newer");
  right.Write("nur-links.txt", "edited on the right");
  Result r = RunProgram({cli, "--rueckgaengig", control});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_PRED_FORMAT2(testing::IsSubstring,
                      "Rückgängig: 1 zurückgeholt, 1 Kopie im Papierkorb, "
                      "1 unverändert gelassen\nUnverändert gelassen:\n  '" +
                          right.Path() + "/nur-links.txt' wurde nach dem Abgleich geändert",
                      r.err);
  EXPECT_EQ(right.Read("Briefe/neu.txt"), "older");
  EXPECT_EQ(right.Read("nur-links.txt"), "edited on the right");
  r = RunProgram({cli, "--rueckgaengig", control});
  EXPECT_EQ(r.status, 2);
  EXPECT_PRED_FORMAT2(testing::IsSubstring, "kein Abgleich rückgängig zu machen", r.err);
}

// A copy into a read-only folder fails and the run goes on; after the tally
// every failed file is named once more with its reason, and nobody is asked
// to acknowledge anything.
TEST_F(Programs, CliNamesEveryFailedFileWithItsReasonAfterTheTally) {
  TempTree io;
  const std::string folder = right.Path();
  pid_t pid = zweiblick::testing::Spawn(
      {cli, Control("Altersvergleich=1\r\nAbgleich=1\r\n")}, io.Path("out"), io.Path("err"), [&] {
        zweiblick::testing::OwnMountsOrCannot();
        if (mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) != 0 ||
            mount(nullptr, folder.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0)
          _exit(zweiblick::testing::kCannotHere);
        alarm(60);
      });
  int status = 0;
  waitpid(pid, &status, 0);
  if (WIFEXITED(status) && WEXITSTATUS(status) == zweiblick::testing::kCannotHere)
    GTEST_SKIP() << "no read-only bind mount here";
  std::string err = io.Read("err");
  EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 1) << err;
  const std::string end =
      "Abgleich: 1 fehlgeschlagen, 1 Vorschlag offen\nFehlgeschlagen:\n"
      "  Briefe/neu.txt (-->): Der Datenträger ist schreibgeschützt.\n";
  EXPECT_TRUE(err.ends_with(end)) << err;
  EXPECT_EQ(err.find("Bitte quittieren"), std::string::npos) << err;
  EXPECT_EQ(right.Read("Briefe/neu.txt"), "older");
}

TEST_F(Programs, CliInterruptedInTheMiddleOfACopyLeavesNoTemporaryFile) {
  // Large enough that the copy is still under way when the signal comes:
  // blocks reserved, never written, so its zeros are copied byte for byte
  // (a file with holes would be copied in no time).
  right.Write("gross.bin", "old", 1000000000);
  left.Write("gross.bin", "", 2000000000);
  int big = open(left.Path("gross.bin").c_str(), O_WRONLY);
  ASSERT_EQ(posix_fallocate(big, 0, 1L << 30), 0);
  close(big);
  left.SetTime("gross.bin", 2000000000);
  int watch = inotify_init1(IN_CLOEXEC);
  ASSERT_GE(inotify_add_watch(watch, right.Path().c_str(), IN_CREATE), 0);
  pid_t pid = Start({cli, Control("Altersvergleich=1\r\nAbgleich=1\r\n")}, {}, "", "/dev/null",
                    "/dev/null");
  ASSERT_GE(pid, 0);
  // The first entry the run makes in this folder is the copy's temporary file.
  alignas(inotify_event) char buffer[4096];
  pollfd fd{watch, POLLIN, 0};
  bool started =
      poll(&fd, 1, 60000) == 1 && read(watch, buffer, sizeof buffer) > 0 &&
      std::string(reinterpret_cast<inotify_event*>(buffer)->name).rfind(".zweiblick-", 0) == 0;
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

TEST_F(Programs, CliExitStatusesForBadControlFilesUsageAndEntriesThatCannotBeExamined) {
  Result r = RunProgram({cli, Control("Ende=1\r\n")});
  EXPECT_EQ(r.status, 2);
  EXPECT_PRED_FORMAT2(testing::IsSubstring, " * Sie haben keinen Vergleichstyps eingestellt",
                      r.err);
  EXPECT_EQ(RunProgram({cli}).status, 2);
  Result v = RunProgram({cli, "--version"});
  EXPECT_EQ(v.status, 0);
  EXPECT_EQ(v.out, "zweiblick-cli " + std::to_string(ZWEIBLICK_VERSION_MAJOR) + "." +
                       std::to_string(ZWEIBLICK_VERSION_MINOR) + "." +
                       std::to_string(ZWEIBLICK_VERSION_PATCH) + "\n");
  ASSERT_EQ(symlink("nowhere", left.Path("dangling").c_str()), 0);
  r = RunProgram({cli, Control("Binärvergleich=1\r\n")});
  EXPECT_EQ(r.status, 1);
  EXPECT_PRED_FORMAT2(testing::IsSubstring,
                      "Zugriffsfehler 53 auf '" + left.Path("dangling") +
                          "'\nDieser Name wird fortan ignoriert ...",
                      r.err);
  EXPECT_PRED_FORMAT2(testing::IsSubstring, "Ergebnis des Binärvergleichs von 3 Dateien:", r.err);
}

// The text comparison for scripts: what it prints is a patch that turns the
// left file into the right one; statuses as diff's.
TEST_F(Programs, CliTextComparisonPrintsAPatchAndExitsAsDiffDoes) {
  dir.Write("a.txt", "eins\nzwei\ndrei\nvier\nfünf\nsechs\nsieben\nacht\nneun\nzehn\n");
  dir.Write("b.txt", "eins\nzwei\nDREI\nvier\nfünf\nsechs\nsieben\nacht\nneun\nzehn\nelf");
  Result r = RunProgram({cli, "--textvergleich", dir.Path("a.txt"), dir.Path("b.txt")});
  EXPECT_EQ(r.status, 1) << r.err;
  EXPECT_EQ(r.out.substr(r.out.find("@@")),
            "@@ -1,6 +1,6 @@\n eins\n zwei\n-drei\n+DREI\n vier\n fünf\n sechs\n"
            "@@ -8,3 +8,4 @@\n acht\n neun\n zehn\n+elf\n\\ Kein Zeilenumbruch am Dateiende\n");
  dir.Write("patch.diff", r.out);
  ASSERT_EQ(std::system(("cd '" + dir.Path() + "' && patch -s a.txt < patch.diff").c_str()), 0);
  EXPECT_EQ(dir.Read("a.txt"), dir.Read("b.txt"));
  EXPECT_EQ(RunProgram({cli, "--textvergleich", dir.Path("a.txt"), dir.Path("b.txt")}).status, 0);

  dir.Write("crlf.txt", "a\r\nb\r\n");
  dir.Write("lf.txt", "a\nb\n");
  r = RunProgram({cli, "--textvergleich", dir.Path("crlf.txt"), dir.Path("lf.txt")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Nur die Zeilenenden unterscheiden sich: links CRLF, rechts LF\n");
  // The window's three exceptions as switches, before, between or after the files.
  EXPECT_EQ(RunProgram({cli, "--textvergleich", "--zeilenenden-ignorieren", dir.Path("crlf.txt"),
                        dir.Path("lf.txt")})
                .status,
            0);
  dir.Write("laut.txt", "A\tB  Ü\r\n");
  r = RunProgram({cli, "--textvergleich", dir.Path("laut.txt"), "--leerraum-ignorieren",
                  dir.Path("crlf.txt"), "--gross-klein-ignorieren"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out.substr(r.out.find("@@")), "@@ -1 +1,2 @@\n-A\tB  Ü\r\n+a\r\n+b\r\n");
  dir.Write("leise.txt", "ab ü\r\n");
  EXPECT_EQ(RunProgram({cli, "--textvergleich", "--leerraum-ignorieren", "--gross-klein-ignorieren",
                        dir.Path("laut.txt"), dir.Path("leise.txt")})
                .status,
            0);
  EXPECT_EQ(RunProgram({cli, "--textvergleich", "--leerraum-ignorieren", dir.Path("laut.txt"),
                        dir.Path("leise.txt")})
                .status,
            1);
  r = RunProgram({cli, "--textvergleich", "--leerraum", dir.Path("laut.txt"), dir.Path("lf.txt")});
  EXPECT_EQ(r.status, 2);
  EXPECT_PRED_FORMAT2(testing::IsSubstring, "Unbekannter Schalter: --leerraum\n", r.err);
  dir.Write("bin", std::string("ab\0cd", 5));
  r = RunProgram({cli, "--textvergleich", dir.Path("bin"), dir.Path("lf.txt")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "Binärdatei: " + dir.Path("bin") + " und " + dir.Path("lf.txt") +
                       " unterscheiden sich ab Byte 1\n");
  r = RunProgram({cli, "--textvergleich", dir.Path("fehlt"), dir.Path("lf.txt")});
  EXPECT_EQ(r.status, 2);
  EXPECT_PRED_FORMAT2(testing::IsSubstring,
                      dir.Path("fehlt") + " kann nicht gelesen werden: ", r.err);
  EXPECT_EQ(RunProgram({cli, "--textvergleich", dir.Path("lf.txt")}).status, 2);
}

// A control file without steps is a saved pair with its exclusions: below an
// excluded folder nothing is read, so an entry there that cannot be examined
// goes unreported.
TEST_F(Programs, CliWithAFilterAndNoStepsNeverReadsBelowAnExcludedFolder) {
  left.Mkdir("web/node_modules/pkg");
  ASSERT_EQ(symlink("nowhere", left.Path("web/node_modules/pkg/kaputt").c_str()), 0);
  Result r = RunProgram({cli, Control("")});
  EXPECT_EQ(r.status, 1);
  EXPECT_PRED_FORMAT2(testing::IsSubstring, "Zugriffsfehler 53", r.err);
  r = RunProgram({cli, Control("[Filter]\r\nAusnahmen=node_modules/\r\n")});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "");
}

TEST_F(Programs, WindowRunsAgeSyncEndAndExitsByItself) {
  std::string gui = std::string(ZWEIBLICK_BIN_DIR) + "/zweiblick";
  Result r = RunProgram({gui, Control("Altersvergleich=1\r\nAbgleich=1\r\nEnde=1\r\n")},
                        {"QT_QPA_PLATFORM=offscreen", "XDG_CONFIG_HOME=" + home.Path()});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(right.Read("Briefe/neu.txt"), "newer");
}

}  // namespace
