// SPDX-License-Identifier: GPL-3.0-or-later
// Workers may prepare the copies of a synchronisation ahead of the rows, but
// the user must not be able to tell: the same runs with one worker and with
// eight show the same boxes, keep the same rows and leave the same files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "list/markers.h"
#include "sync/synchronize_folders.h"
#include "two_trees.h"

namespace zweiblick {
namespace {

namespace fs = std::filesystem;
using testing::FakeWindow;
using testing::ShownMessage;
using testing::TempTree;

constexpr long kOld = 1400000000, kNew = 1500000000;

std::string Contents(const std::string& tag, size_t size = 0) {
  std::string s = "contents of " + tag;
  while (s.size() < size) s.append(s, 0, std::min(s.size(), size - s.size()));
  return s;
}

// Faster than TempTree::Read under the thread sanitizer, for the large files.
std::string Slurp(const std::string& path) {
  std::ostringstream out;
  out << std::ifstream(path, std::ios::binary).rdbuf();
  return out.str();
}

std::string Digest(const std::string& s) {
  if (s.size() <= 80) return s;
  return std::to_string(s.size()) + " bytes #" + std::to_string(std::hash<std::string>{}(s));
}

std::string Lines(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  std::string out;
  for (const std::string& l : lines) out += l + "\n";
  return out;
}

// Every entry below the root: name, mode, and for a file its exact time and contents.
std::string Dump(const TempTree& tree) {
  std::vector<std::string> lines;
  for (auto& e : fs::recursive_directory_iterator(tree.Path())) {
    std::string rel = e.path().string().substr(tree.Path().size() + 1);
    struct stat st {};
    lstat(e.path().c_str(), &st);
    std::ostringstream line;
    line << rel << " " << std::oct << (st.st_mode & 07777) << std::dec;
    if (S_ISDIR(st.st_mode))
      line << " folder";  // its time is the run's
    else
      line << (S_ISREG(st.st_mode) ? " file " : " other ") << st.st_mtim.tv_sec << "."
           << st.st_mtim.tv_nsec << " " << Digest(Slurp(e.path()));
    lines.push_back(line.str());
  }
  return Lines(lines);
}

using Root = std::pair<std::string, const char*>;

struct Scenario : testing::TwoFolders {
  TempTree data;
  std::map<std::string, std::string> seen;  // what the user and the disks show, by topic

  std::string Plain(std::string text) const {
    for (const Root& root : {Root{left.Dir(), "L/"}, Root{right.Dir(), "R/"}})
      for (size_t at; (at = text.find(root.first)) != std::string::npos;)
        text.replace(at, root.first.size(), root.second);
    return text;
  }
  // Both columns read again, and the window's records started anew.
  void Refill() {
    Fill();
    port.messages.clear();
    port.reasons.clear();
    port.statusHistory.clear();
    port.progressHistory.clear();
    port.compareButtonHistory.clear();
    port.yields = 0;
  }
  // The home trash as (original path, contents): the names inside it may differ.
  std::string Trash() const {
    std::vector<std::string> lines;
    std::string l = fs::canonical(left.Path()).string(), r = fs::canonical(right.Path()).string();
    for (auto& e : fs::directory_iterator(data.Path("Trash/info"))) {
      std::ifstream in(e.path());
      std::string line, path;
      while (std::getline(in, line))
        if (line.rfind("Path=", 0) == 0) path = line.substr(5);
      for (const Root& root : {Root{l, "L"}, Root{r, "R"}})
        if (path.rfind(root.first + "/", 0) == 0)
          path = root.second + path.substr(root.first.size());
      lines.push_back(path + " " +
                      Digest(Slurp(data.Path("Trash/files/" + e.path().stem().string()))));
    }
    auto files = fs::directory_iterator(data.Path("Trash/files"));
    EXPECT_EQ(static_cast<size_t>(std::distance(fs::begin(files), fs::end(files))), lines.size())
        << "a file in the trash without its .trashinfo";
    return Lines(lines);
  }
  void Record(const std::string& run, const SyncTally& tally) {
    std::ostringstream shown;
    for (const ShownMessage& m : port.messages)
      shown << static_cast<int>(m.icon) << " " << static_cast<int>(m.buttons) << " "
            << Plain(m.text) << "\n";
    for (const std::string& r : port.reasons) shown << "reason: " << r << "\n";
    seen[run + " messages"] = shown.str();
    std::ostringstream window;
    for (const std::string& s : port.statusHistory) window << s << "\n";
    for (float p : port.progressHistory) window << p << " ";
    for (bool b : port.compareButtonHistory) window << b;
    // Not port.waits: a pipelined run may also wait for its workers.
    window << "\nyields " << port.yields << "\npanel 1: " << Plain(port.panels[1]);
    seen[run + " window"] = window.str();
    std::string rows;
    for (int i = 1; i <= w.Liste().Count(); ++i)
      for (int c :
           {kLeftNameColumn, kMarkerColumn, kRightNameColumn, kLeftStampColumn, kRightStampColumn})
        rows += w.Liste().Text(i, c) + (c == kRightStampColumn ? "\n" : " | ");
    seen[run + " rows"] = rows;
    seen[run + " tally"] = SyncTallyLine(tally);
    seen[run + " left"] = Dump(left);
    seen[run + " right"] = Dump(right);
    seen[run + " trash"] = Trash();
    EXPECT_EQ(left.TemporaryFiles().size() + right.TemporaryFiles().size(), 0u) << run;
  }
};

void Stamp(const TempTree& tree, const std::string& rel, long sec, long nsec) {
  timespec times[2] = {{sec, nsec}, {sec, nsec}};
  utimensat(AT_FDCWD, tree.Path(rel).c_str(), times, 0);
}

std::map<std::string, std::string> Synchronise(const char* workers) {
  SCOPED_TRACE(std::string("workers ") + workers);
  Scenario s;
  TempTree &L = s.left, &R = s.right;
  setenv("XDG_DATA_HOME", s.data.Path().c_str(), 1);
  std::vector<std::pair<std::string, const char*>> marks;
  auto both = [&](const std::string& rel, long lt, long rt, const char* mark, size_t size = 0) {
    L.Write(rel, Contents("L " + rel, size), lt);
    R.Write(rel, Contents("R " + rel, size), rt);
    marks.push_back({rel, mark});
  };
  // Every kind of row; some large, so that a look-ahead bounded by bytes fills up.
  auto folder = [&](const std::string& dir, size_t big) {
    for (int k = 0; k < 24; ++k) {
      std::string rel = dir + "/f" + std::to_string(10 + k);
      size_t size = k % 6 == 0 ? big : 100 + k;
      const char* kinds[] = {kMarkCopyRight,  kMarkCopyLeft, kMarkDeleteRight, kMarkDeleteLeft,
                             kMarkDeleteBoth, kMarkEqual,    kMarkSkip};
      if (k % 8 == 6 || k % 8 == 7) {  // into folders the right lacks
        L.Write(dir + "/new/" + rel, Contents(rel, size), kNew + k);
        marks.push_back({dir + "/new/" + rel, k % 8 == 6 ? kMarkCopyRight : kMarkLeftOnly});
      } else {
        both(rel, k % 2 ? kOld : kNew + k, k % 2 ? kNew + k : kOld, kinds[k % 8], size);
      }
    }
  };
  // The rows run from the last up: w first, then the box of v/protected, whose
  // answer waits while the rows of u may already be prepared.
  folder("w", 1 << 20);
  both("v/protected", kNew, kOld, kMarkCopyRight);
  chmod(R.Path("v/protected").c_str(), 0444);
  for (const char* name : {"u/edited", "u/locked", "u/rewritten", "u/vanished"})
    both(name, kNew, kOld, kMarkCopyRight);
  folder("t", 600 << 10);
  both("s/edited-before", kNew, kOld, kMarkCopyRight);
  both("s/gone-source", kNew, kOld, kMarkCopyRight);
  // The left file n goes before the right n/f (right only: among the first
  // rows) is copied into a folder n in its place.
  L.Write("n", "a file where the right has a folder", kOld);
  marks.push_back({"n", kMarkDeleteLeft});
  for (int k = 0; k < 6; ++k) {
    std::string rel = "a/new/deep/g" + std::to_string(k);
    R.Write(rel, Contents(rel, k ? 50 : 700 << 10), kNew + k);
    marks.push_back({rel, k % 3 ? kMarkCopyLeft : kMarkRightOnly});
  }
  R.Write("n/f", "into the place of the file n", kNew);
  marks.push_back({"n/f", kMarkCopyLeft});
  s.Refill();
  for (auto& [name, mark] : marks) s.Mark(name, mark);
  EXPECT_LT(s.Row("u/edited"), s.Row("v/protected"));
  EXPECT_LT(s.Row("n/f"), s.Row("n"));
  std::ofstream(R.Path("s/edited-before"), std::ios::app) << ", edited after reading";
  Stamp(R, "s/edited-before", kNew + 50, 7);
  fs::remove(L.Path("s/gone-source"));

  bool changed = false;
  s.port.onMessage = [&](const ShownMessage& m) {
    auto about = [&](const char* rel) {
      return m.text.find("/" + std::string(rel) + "'") != std::string::npos;
    };
    MsgAnswer answer = MsgAnswer::kIgnore;
    if (about("v/protected")) {
      chmod(R.Path("v/protected").c_str(), 0644);
      answer = MsgAnswer::kRetry;
      if (!changed) {  // rows still to come, while their copies may be ready
        L.Write("u/rewritten", Contents("saved again", 5000));
        Stamp(L, "u/rewritten", kNew + 100, 5);
        std::ofstream(R.Path("u/edited"), std::ios::app) << ", edited during the run";
        Stamp(R, "u/edited", kNew + 60, 9);
        chmod(R.Path("u/locked").c_str(), 0444);
        fs::remove(L.Path("u/vanished"));
        changed = true;
      }
    } else if (about("m/stop")) {
      answer = MsgAnswer::kAbort;
    }
    s.port.answers.push_back(answer);
  };
  setenv("ZWEIBLICK_WORKERS", workers, 1);
  s.Record("1", s.w.SynchronizeFolders(true));
  // What one worker does, too: the retried copy done, the rest failed and kept.
  EXPECT_EQ(s.port.messages.size(), 6u);
  EXPECT_EQ(R.Read("v/protected"), Contents("L v/protected"));
  EXPECT_EQ(R.Read("u/rewritten"), Contents("saved again", 5000));
  EXPECT_EQ(R.Stat("u/rewritten").st_mtim.tv_nsec, 5);
  EXPECT_EQ(R.Read("u/edited"), Contents("R u/edited") + ", edited during the run");
  EXPECT_EQ(R.Read("s/edited-before"), Contents("R s/edited-before") + ", edited after reading");
  EXPECT_EQ(R.Read("u/locked"), Contents("R u/locked"));
  EXPECT_EQ(L.Read("n/f"), "into the place of the file n");
  EXPECT_EQ(Slurp(L.Path("a/new/deep/g0")), Contents("a/new/deep/g0", 700 << 10));
  EXPECT_EQ(s.Rows(),
            (std::vector<std::vector<std::string>>{{"s/edited-before", "-->", "s/edited-before"},
                                                   {"s/gone-source", "-->", "s/gone-source"},
                                                   {"u/edited", "-->", "u/edited"},
                                                   {"u/locked", "-->", "u/locked"},
                                                   {"u/vanished", "-->", "u/vanished"}}));
  EXPECT_EQ(s.seen["1 tally"],
            "Abgleich: 33 kopiert, 25 gelöscht, 39 im Papierkorb, 5 fehlgeschlagen");

  // Aborted in the middle: nothing of the rows not reached, not even their folders.
  L.Write("x/new/early", Contents("early", 900 << 10), kNew);
  both("m/stop", kNew, kOld, kMarkCopyRight);
  chmod(R.Path("m/stop").c_str(), 0444);
  L.Write("c/new/late", Contents("late"), kNew);
  L.Write("c/other/big", Contents("big", 900 << 10), kNew);
  R.Write("b/new/late", Contents("late right"), kNew);
  both("c/replaced", kNew, kOld, kMarkCopyRight);
  s.Refill();
  for (const char* name : {"x/new/early", "m/stop", "c/new/late", "c/other/big", "c/replaced",
                           "w/f11", "t/f10", "a/new/deep/g1"})
    s.Mark(name, kMarkCopyRight);
  s.Mark("b/new/late", kMarkCopyLeft);
  s.Record("2", s.w.SynchronizeFolders());
  EXPECT_EQ(Slurp(R.Path("x/new/early")), Contents("early", 900 << 10));
  EXPECT_FALSE(R.Exists("c/new") || R.Exists("c/other") || L.Exists("b/new"));
  EXPECT_EQ(R.Read("c/replaced"), Contents("R c/replaced"));
  for (const char* name : {"m/stop", "c/new/late", "c/other/big", "c/replaced", "a/new/deep/g1"})
    EXPECT_EQ(s.Marker(name), kMarkCopyRight) << name;
  EXPECT_EQ(s.Marker("b/new/late"), kMarkCopyLeft);
  EXPECT_EQ(s.Marker("w/f11") + s.Marker("t/f10"), "<no row><no row>");
  return s.seen;
}

TEST(SyncWorkers, EightWorkersShowAndLeaveWhatOneWorkerDoes) {
  const char* home = std::getenv("XDG_DATA_HOME");
  const std::string savedHome = home ? home : "";
  std::map<std::string, std::string> one = Synchronise("1"), eight = Synchronise("8");
  setenv("XDG_DATA_HOME", savedHome.c_str(), 1);
  unsetenv("ZWEIBLICK_WORKERS");
  ASSERT_EQ(one.size(), eight.size());
  for (auto& [topic, text] : one) EXPECT_EQ(text, eight[topic]) << topic;
}

}  // namespace
}  // namespace zweiblick
