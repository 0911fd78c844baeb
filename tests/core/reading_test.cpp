// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fcntl.h>
#include <limits.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <future>

#include "child_process.h"
#include "mainwindow/folder_entry.h"
#include "reading/name_filter.h"
#include "reading/nested_folders.h"
#include "reading/path_helpers.h"
#include "reading/walk_folder_tree.h"
#include "slow_fs_mount.h"
#include "two_trees.h"

namespace zweiblick {
namespace {

using testing::InChild;
using testing::kCannotHere;
using testing::OwnMountsOrCannot;
using testing::TempTree;

struct Reading : testing::TwoTrees {
  std::vector<FoundFile> found{FoundFile{}};
  void Walk(const std::string& folder) {
    found.assign(1, FoundFile{});
    WalkFolderTree(found, w.Run(), folder);
  }
  // The texts of the messages, each shown without an icon.
  std::vector<std::string> PlainMessages() {
    std::vector<std::string> texts;
    for (auto& m : port.messages) {
      texts.push_back(m.text);
      EXPECT_EQ(m.icon, MsgIcon::kNone);
    }
    return texts;
  }
  std::vector<std::string> Found(const std::string& base) {
    std::vector<std::string> out;
    for (size_t i = 1; i < found.size(); ++i) out.push_back(found[i].path.substr(base.size()));
    return out;
  }
};

TEST_F(Reading, WalkListsFilesFirstThenSubfoldersInReverseListingOrder) {
  left.Write("a.txt", "a");
  left.Write("b.txt", "b");
  left.Write("Alpha/x.txt", "x");
  left.Write("Beta/y.txt", "y");
  left.Write("Beta/Deep/z.txt", "z");
  left.Write(".profile", "hidden");
  left.Write(".git/config", "hidden");
  left.Mkdir("Empty/Emptier");
  // Folder listings come in the order the file system gives; the expected order
  // is built from that same listing.
  std::vector<std::string> files, folders;
  for (auto& e : std::filesystem::directory_iterator(left.Path())) {
    std::string n = e.path().filename();
    if (n[0] == '.') continue;
    (std::filesystem::is_directory(left.Path(n)) ? folders : files).push_back(n);
  }
  std::vector<std::string> expected = files;
  for (auto f = folders.rbegin(); f != folders.rend(); ++f) {
    if (*f == "Alpha") expected.push_back("Alpha/x.txt");
    if (*f == "Beta") expected.insert(expected.end(), {"Beta/y.txt", "Beta/Deep/z.txt"});
  }
  Walk(left.Path());
  EXPECT_EQ(Found(left.Dir()), expected);
  EXPECT_TRUE(port.messages.empty());
  EXPECT_EQ(port.yields, 6);  // one per folder walked: root, Alpha, Beta, Deep, Empty, Emptier
}

TEST_F(Reading, WalkSurvivesLinkLoopsFifosAndBrokenEntries) {
  left.Write("sub/f.txt", "f");
  ASSERT_EQ(symlink("..", left.Path("sub/loop").c_str()), 0);
  ASSERT_EQ(mkfifo(left.Path("pipe").c_str(), 0600), 0);
  ASSERT_EQ(symlink("nowhere", left.Path("dangling").c_str()), 0);
  // A folder reached by a second name is no loop: both names list its file.
  left.Write("data/x.txt", "x");
  ASSERT_EQ(symlink("data", left.Path("backup").c_str()), 0);
  ASSERT_EQ(symlink("../backup", left.Path("data/back").c_str()), 0);  // a loop again
  auto walk = std::async(std::launch::async, [&] { Walk(left.Path()); });
  ASSERT_EQ(walk.wait_for(std::chrono::seconds(20)), std::future_status::ready) << "the walk hangs";
  std::vector<std::string> found = Found(left.Dir());
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{"backup/x.txt", "data/x.txt", "sub/f.txt"}));
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(port.messages[0].text, "Zugriffsfehler 53 auf '" + left.Path("dangling") +
                                       "'\rDieser Name wird fortan ignoriert ...");
  EXPECT_EQ(port.messages[0].icon, MsgIcon::kExclamation);
}

// Two links per level to the next level: walking every link under every name
// would list 2^25 folders. A folder behind links is walked once, under the
// first name the walk meets; the real folders all stay, and the choice does not
// depend on which worker lists first.
TEST_F(Reading, FannedOutFolderLinksWalkEveryFolderOnceMore) {
  const int levels = 25;
  auto level = [](int i) { return "d" + std::to_string(i); };
  for (int i = 1; i <= levels; ++i) {
    left.Write(level(i) + "/f" + std::to_string(i), "");
    if (i == levels) continue;
    for (const char* link : {"a", "b"})
      ASSERT_EQ(symlink(("../" + level(i + 1)).c_str(), left.Path(level(i) + "/" + link).c_str()),
                0);
  }
  std::vector<std::vector<std::string>> walks;
  for (const char* workers : {"1", "8"}) {
    setenv("ZWEIBLICK_WORKERS", workers, 1);
    Walk(left.Path());
    walks.push_back(Found(left.Dir()));
  }
  unsetenv("ZWEIBLICK_WORKERS");
  EXPECT_EQ(walks[0], walks[1]);
  // Each file under its real name, and each one behind a link once more.
  std::vector<int> real(levels + 1), linked(levels + 1);
  for (const std::string& found : walks[0]) {
    int i = std::stoi(found.substr(found.rfind("/f") + 2));
    bool isReal = found == level(i) + "/f" + std::to_string(i);
    (isReal ? real : linked)[i]++;
    EXPECT_EQ(std::filesystem::canonical(left.Path(found)),
              std::filesystem::canonical(left.Path(level(i) + "/f" + std::to_string(i))));
  }
  EXPECT_EQ(walks[0].size(), 2u * levels - 1);
  for (int i = 1; i <= levels; ++i) {
    EXPECT_EQ(real[i], 1) << level(i);
    EXPECT_EQ(linked[i], i == 1 ? 0 : 1) << level(i);
  }
  EXPECT_TRUE(port.messages.empty());
}

TEST_F(Reading, FolderThatCannotBeListedIsReportedAndTheWalkGoesOn) {
  // A folder whose path is longer than the system accepts cannot be opened, even
  // by root: build one with relative calls, levels of 250 characters.
  left.Write("a.txt", "a");
  int fd = open(left.Path().c_str(), O_RDONLY | O_DIRECTORY);
  std::string level(250, 'd'), deep = left.Path();
  while (deep.size() <= PATH_MAX) {
    ASSERT_EQ(mkdirat(fd, level.c_str(), 0755), 0);
    int next = openat(fd, level.c_str(), O_RDONLY | O_DIRECTORY);
    close(fd);
    fd = next;
    deep += "/" + level;
  }
  close(openat(fd, "z.txt", O_WRONLY | O_CREAT, 0644));
  close(fd);
  Walk(left.Path());
  EXPECT_EQ(Found(left.Dir()), std::vector<std::string>{"a.txt"});
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(port.messages[0].text,
            "Zugriffsfehler 52 auf '" + deep + "'\rDieser Name wird fortan ignoriert ...");
  // remove_all cannot reach that deep by path either; rm works with relative calls.
  EXPECT_EQ(std::system(("rm -rf '" + left.Path(level) + "'").c_str()), 0);
}

// While a folder's listing hangs, the window goes on handling its events, and
// the walk ends with what the folder holds once it answers.
TEST_F(Reading, WindowStaysAliveWhileAFolderHangs) {
  left.Write("a.txt", "a");
  left.Mkdir("stick");
  testing::SlowFsMount stick(left.Path("stick"), "hang");
  if (!stick.Mounted()) GTEST_SKIP() << "no FUSE here";
  Walk(left.Path());
  std::vector<std::string> found = Found(left.Dir());
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{"a.txt", "stick/late.txt"}));
  EXPECT_TRUE(port.messages.empty()) << port.messages[0].text;
  EXPECT_GT(port.waits, 0);
  EXPECT_EQ(port.yields, 2);  // the yields stay once per folder
}

TEST_F(Reading, PathHelpers) {
  EXPECT_EQ(WithTrailingBackslash("/"), "/");
  EXPECT_EQ(WithTrailingBackslash("/daten"), "/daten/");
  EXPECT_EQ(WithTrailingBackslash(""), "/");
  EXPECT_TRUE(std::filesystem::exists(ProgramFolder() + "core_tests"));  // ends in a separator
  left.Write("t.txt", "t");
  std::tm when{};
  strptime("2003-07-15 14:23:05", "%F %T", &when);
  when.tm_isdst = -1;  // local time, summer or not
  left.SetTime("t.txt", static_cast<long>(mktime(&when)));
  EXPECT_EQ(FileStamp(left.Path("t.txt")), "2003071514:23:05");
  EXPECT_EQ(FileStamp(left.Path("missing")), "");
  EXPECT_EQ(TrimAtNul(std::string("abc\0x", 5)), "abc");
  EXPECT_EQ(TrimAtNul(std::string("\0abc", 4)), "");
}

TEST_F(Reading, TwoFoldersFillSideBySide) {
  left.Write("a.txt", "1");
  left.Write("Sub/b.txt", "2");
  right.Write("A.TXT", "1");
  right.Write("c.txt", "3");
  w.FillColumn(left.Path(), true);
  EXPECT_EQ(port.panels[1], "2 Dateien");
  EXPECT_EQ(w.Folders().LeftFolder, left.Dir());
  EXPECT_EQ(w.Liste().Header(1), left.Dir());
  EXPECT_EQ(w.Liste().Text(1, kLeftStampColumn).size(), 16u);
  w.FillColumn(right.Dir(), false);
  EXPECT_EQ(Rows(), (std::vector<std::vector<std::string>>{
                        {"", "", "c.txt"}, {"a.txt", "", "A.TXT"}, {"Sub/b.txt", "", ""}}));
  EXPECT_EQ(port.panels[1], "3 Dateien");
  EXPECT_EQ(w.Liste().Header(3), right.Dir());
  EXPECT_EQ(port.statusHistory.back(), "Status: Eintragung der Dateien abgeschlossen.");
  EXPECT_EQ(port.progress, 0);
  EXPECT_TRUE(w.CompareButtonEnabled());
  EXPECT_FALSE(port.busy);
  EXPECT_EQ(port.compareButtonHistory, (std::vector<bool>{false, true, false, true}));
  EXPECT_EQ(port.progressHistory.front(), 25);

  // The right column again: markers gone, rows of the old right folder stay with no names.
  w.Liste().SetText(2, kMarkerColumn, "=");
  TempTree other;
  other.Write("a.txt", "9");
  w.FillColumn(other.Path(), false);
  EXPECT_EQ(Rows(), (std::vector<std::vector<std::string>>{
                        {"", "", ""}, {"a.txt", "", "a.txt"}, {"Sub/b.txt", "", ""}}));
  EXPECT_EQ(port.panels[1], "3 Dateien");

  // The left column again starts over and resets the right header.
  w.FillColumn(left.Path(), true);
  EXPECT_EQ(w.Liste().Count(), 2);
  EXPECT_EQ(w.Liste().Header(3), "Zweiter Ordner");
}

// Names pair across case and normal form, but a name spelt the same on both
// sides keeps its own partner; bytes that are no UTF-8 match only themselves.
TEST_F(Reading, NamesFindTheirPartnersAcrossCaseAndNormalForm) {
  const std::string invalid("caf\xE9.txt", 8);  // Latin-1 bytes, not UTF-8
  for (const char* n : {"a.txt", "A.txt"}) Both(n, n, n);
  Both(invalid, "x", "x");
  right.Write("a.TXT", "third spelling");
  left.Write("u\u0308ber.txt", "y");  // decomposed
  right.Write("\u00DCBER.txt", "y");  // composed, upper case
  Fill();
  std::vector<std::vector<std::string>> rows = Rows();  // in listing order: compared sorted
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ(rows, (std::vector<std::vector<std::string>>{{"", "", "a.TXT"},
                                                         {"A.txt", "", "A.txt"},
                                                         {"a.txt", "", "a.txt"},
                                                         {invalid, "", invalid},
                                                         {"u\u0308ber.txt", "", "\u00DCBER.txt"}}));
}

TEST_F(Reading, FillingYieldsEvery64FilesUnlessFastAndKeepsTheUsersSortOrder) {
  for (int i = 0; i < 130; ++i) left.Write("f" + std::to_string(i), "");
  w.FillColumn(left.Path(), true);
  EXPECT_EQ(port.yields, 1 + 2);  // one folder, files 64 and 128
  w.ColumnClick(1);
  w.ColumnClick(1);  // descending
  port.yields = 0;
  w.SetSpeed(true);
  w.FillColumn(left.Path(), true);
  EXPECT_EQ(port.yields, 1);  // the walk yields regardless
  EXPECT_EQ(Rows().front()[0], "f99");
  EXPECT_EQ(Rows().back()[0], "f0");
}

TEST_F(Reading, DropChecksComeInTheirOrder) {
  left.Write("file.txt", "x");
  left.Mkdir("what?");
  left.Mkdir("ok");
  DropOnList(w, {}, 0, 100);
  DropOnList(w, {left.Path("ok"), left.Path("ok")}, 0, 100);
  DropOnList(w, {left.Path("file.txt")}, 0, 100);
  DropOnList(w, {left.Path("gone")}, 0, 100);
  DropOnList(w, {left.Path("what?")}, 0, 100);
  EXPECT_EQ(PlainMessages(),
            (std::vector<std::string>{kDropOnlyOne, kDropNoFiles, kDropNoFiles, kDropBadName}));
  EXPECT_EQ(w.Liste().Count(), 0);
  EXPECT_EQ(w.Folders().LeftFolder, "");
}

// A synchronisation of folders that lie one in the other would copy one into
// the other, one level deeper at every run: the right filling refuses them.
TEST_F(Reading, RightFolderNestedWithTheLeftOneIsRefused) {
  left.Write("a.txt", "a");
  left.Write("backup/b.txt", "b");
  ASSERT_EQ(symlink(left.Path().c_str(), right.Path("to-left").c_str()), 0);
  w.FillColumn(left.Path(), true);
  DropOnList(w, {left.Path("backup")}, 500, 100);
  port.folderAnswer = right.Path("to-left");  // the same folder by another name
  w.BtnClick(kBtnRightFolder);
  EXPECT_EQ(PlainMessages(),
            (std::vector<std::string>{
                "Der Ordner '" + left.Path("backup/") + "'\rliegt im Ordner '" + left.Dir() +
                    "'.\r\rIneinander liegende Ordner lassen sich nicht vergleichen.",
                "Der Ordner '" + right.Path("to-left/") + "'\rist derselbe wie der Ordner '" +
                    left.Dir() +
                    "' der linken Spalte.\r\rEin Ordner lässt sich nicht mit sich "
                    "selbst vergleichen."}));
  EXPECT_EQ(w.Folders().RightFolder, "");
  EXPECT_EQ(w.Liste().Header(3), "Zweiter Ordner");
  EXPECT_EQ(w.Liste().Count(), 2);
  // A left filling starts over and is never refused; the left one inside the
  // right one is refused as well.
  DropOnList(w, {left.Path("backup")}, 0, 100);
  EXPECT_EQ(w.Folders().LeftFolder, left.Path("backup/"));
  port.messages.clear();
  DropOnList(w, {right.Path("to-left")}, 500, 100);
  ASSERT_EQ(port.messages.size(), 1u);
  EXPECT_EQ(port.messages[0].text, "Der Ordner '" + left.Path("backup/") + "'\rliegt im Ordner '" +
                                       right.Path("to-left/") +
                                       "'.\r\rIneinander liegende Ordner lassen sich nicht "
                                       "vergleichen.");
  EXPECT_EQ(w.Folders().RightFolder, "");

  // A bind mount of the left folder is the same folder, and what lies in it
  // lies in the left folder. In a child with its own mount namespace, so the
  // test process keeps its view of the mounts.
  int held = InChild([&] {
    right.Mkdir("mnt");
    OwnMountsOrCannot();
    if (mount(left.Path().c_str(), right.Path("mnt").c_str(), nullptr, MS_BIND, nullptr) != 0)
      _exit(kCannotHere);
    return NestingOf(left.Path(), right.Path("mnt")) == FolderNesting::kSame &&
           NestingOf(left.Path(), right.Path("mnt/backup")) == FolderNesting::kSecondInsideFirst &&
           NestingOf(right.Path("mnt/backup"), left.Path()) == FolderNesting::kFirstInsideSecond &&
           NestingOf(left.Path("backup"), right.Path()) == FolderNesting::kApart;
  });
  EXPECT_CHILD_HELD(held, "a bind mount fooled the check");
}

TEST_F(Reading, FirstFolderGoesLeftThenDropSideFollowsTheFirstColumnAndFolderButtonsAsk) {
  left.Write("l.txt", "l");
  right.Write("r.txt", "r");
  TempTree empty;
  w.FillColumn(empty.Path(), true);  // no files: still empty
  EXPECT_EQ(port.panels[1], "0 Dateien");
  DropOnList(w, {right.Path()}, 500, 100);  // meant for the right, fills the empty list's left
  EXPECT_EQ(w.Folders().LeftFolder, right.Dir());
  EXPECT_EQ(w.Liste().Text(1, 1), "r.txt");
  EXPECT_EQ(port.panels[1], "1 Datei");
  DropOnList(w, {left.Path()}, 99, 100);
  EXPECT_EQ(w.Folders().LeftFolder, left.Dir());
  DropOnList(w, {right.Path()}, 100, 100);
  EXPECT_EQ(w.Folders().RightFolder, right.Dir());

  port.folderAnswer = "";  // cancelled: nothing changes
  w.BtnClick(kBtnRightFolder);
  EXPECT_EQ(port.prompts.back(), "Bitte geben Sie den Namen des\rzu vergleichenden Ordners an:");
  EXPECT_EQ(w.Liste().Count(), 2);
  port.folderAnswer = empty.Path();
  w.BtnClick(kBtnRightFolder);
  EXPECT_EQ(w.Folders().RightFolder, empty.Dir());
}

TEST_F(Reading, EndDuringTheWalkListsNothingMore) {
  for (int i = 0; i < 300; ++i) left.Write("d" + std::to_string(i) + "/f", "x");
  port.onYield = [&] {
    if (port.yields == 1) w.BtnClick(kBtnEnd);
  };
  w.FillColumn(left.Path(), true);
  EXPECT_EQ(port.yields, 1);  // not once more per folder
  EXPECT_EQ(port.ended, 1);
}

// The rules of the exclusion patterns, as the documentation states them. 'x'
// leaves the entry out, 'd' leaves it out if it is a folder, '-' keeps it.
TEST(NameFilter, PatternsFollowTheDocumentedRules) {
  const struct {
    const char* patterns;
    const char* rel;
    char verdict;
  } cases[] = {
      // A name matches at any depth, the whole name only.
      {"node_modules", "node_modules", 'x'},
      {"node_modules", "web/app/node_modules", 'x'},
      {"node_modules", "node_modules.txt", '-'},
      {"node_modules", "node/modules", '-'},
      // "*" and "?" within one name; "?" is one character, also an umlaut.
      {"*.o", "src/deep/main.o", 'x'},
      {"*.o", "main.oo", '-'},
      {"?.txt", "a.txt", 'x'},
      {"?.txt", "ä.txt", 'x'},
      {"?.txt", "ab.txt", '-'},
      {"a*b*c", "a-xb-b-c", 'x'},
      {"a*b*c", "a-xb-b-", '-'},
      // A "/" anchors at the chosen folder; "*" does not cross it.
      {"/build", "build", 'x'},
      {"/build", "sub/build", '-'},
      {"src/*.c", "src/a.c", 'x'},
      {"src/*.c", "src/sub/a.c", '-'},
      {"src/*.c", "lib/src/a.c", '-'},
      // "**" is any number of folders.
      {"**/cache", "cache", 'x'},
      {"**/cache", "a/b/cache", 'x'},
      {"doc/**/alt", "doc/alt", 'x'},
      {"doc/**/alt", "doc/x/y/alt", 'x'},
      {"doc/**/alt", "x/doc/alt", '-'},
      {"build/**", "build", '-'},
      {"build/**", "build/x", 'x'},
      // A trailing "/" is for folders only.
      {"tmp/", "a/tmp", 'd'},
      {"tmp/; *.log", "tmp", 'd'},
      {"tmp/; tm*", "tmp", 'x'},
      {"/doc/tmp/", "doc/tmp", 'd'},
      // Letter case as the pairing ignores it: umlauts and composed forms too.
      {"*.JPG", "urlaub/bild.jpg", 'x'},
      {"ÄRGER*", "ärger.txt", 'x'},
      {"Über",
       "u\xCC\x88"
       "ber",
       'x'},
      {"Projekte/ALT", "projekte/alt", 'x'},
      // A name that is no UTF-8 matches only itself; the names around it still fold.
      {"Thumbs.db", "Fotos_M\xFCller/Thumbs.db", 'x'},
      {"Build/", "Caf\xE9/Build", 'd'},
      {"Caf\xE9/*.txt", "Caf\xE9/A.TXT", 'x'},
      {"caf\xE9", "Caf\xE9", '-'},
      // Dot names are judged like any other once they are walked.
      {".git/", ".git", 'd'},
      {"*", ".profile", 'x'},
      // Blanks around patterns and empty patterns do not count.
      {" ; *.bak ;;", "x.bak", 'x'},
      {" ; *.bak ;;", "x", '-'},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.patterns) + " on " + c.rel);
    std::vector<PatternProblem> problems;
    NameFilter f = NameFilter::Compile(c.patterns, false, problems);
    EXPECT_TRUE(problems.empty());
    NameFilter::Verdict v = f.Check(c.rel);
    char got = v == NameFilter::Verdict::kLeaveOut           ? 'x'
               : v == NameFilter::Verdict::kLeaveOutIfFolder ? 'd'
                                                             : '-';
    EXPECT_EQ(got, c.verdict);
  }
}

// Each pattern the rules cannot express is refused; the others stay in force.
TEST(NameFilter, PatternsTheRulesCannotExpressAreRefusedAlone) {
  const char patterns[] = "***;/;..;a/../b;a//b;!x;[ab];a\\b;a**;x\0y; *.o ";
  std::vector<PatternProblem> problems;
  NameFilter f = NameFilter::Compile(std::string(patterns, sizeof patterns - 1), true, problems);
  std::vector<std::string> refused;
  for (auto& p : problems) refused.push_back(p.pattern);
  EXPECT_EQ(refused, (std::vector<std::string>{"***", "/", "..", "a/../b", "a//b", "!x", "[ab]",
                                               "a\\b", "a**", std::string("x\0y", 3)}));
  EXPECT_EQ(f.PatternText(), "*.o");
  EXPECT_TRUE(f.DotNames());
  EXPECT_EQ(f.Check("x.o"), NameFilter::Verdict::kLeaveOut);
}

}  // namespace
}  // namespace zweiblick
