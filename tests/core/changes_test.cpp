// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <sqlite3.h>
#include <sys/mount.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>

#include "comparison/changes_since.h"
#include "list/markers.h"
#include "mainwindow/text_pair.h"
#include "own_state.h"
#include "record/pair_record.h"
#include "record/side_identity.h"
#include "temp_tree.h"
#include "two_trees.h"

namespace zweiblick::testing {
namespace {

struct Changes : ::testing::Test {
  OwnStateAndTrash own;
  TwoFolders f;

  std::string LastMessage() { return f.port.messages.empty() ? "" : f.port.messages.back().text; }
  void Compare() {
    f.w.SelectCompMode(kCompModeChanges);
    f.Fill();
    f.w.CompareSelected();
  }
  // A first run: compared by age for want of a record, then synchronised.
  void Recorded(int files) {
    for (int i = 0; i < files; ++i) f.Both("keep" + std::to_string(i), "same", "same", 1000, 1000);
    Compare();
    EXPECT_NE(LastMessage().find("noch kein Abgleich gespeichert"), std::string::npos);
    f.w.SynchronizeFolders();
  }
};

TEST_F(Changes, EachSideAgainstItsRecordDecidesTheMarker) {
  const char* names[] = {"lchg",      "rchg",     "ldel",     "rdel",     "ldel_rchg",
                         "lchg_rdel", "bothsame", "bothdiff", "Foto.JPG", "gone"};
  for (const char* n : names) f.Both(n, "old", "old", 2000, 2000);
  Recorded(10);

  f.left.Write("lchg", "left edit", 1500);  // older than the right one, yet it wins
  f.right.Write("rchg", "right edit");
  std::filesystem::remove(f.left.Path("ldel"));
  std::filesystem::remove(f.right.Path("rdel"));
  std::filesystem::remove(f.left.Path("ldel_rchg"));
  f.right.Write("ldel_rchg", "kept edit");
  f.left.Write("lchg_rdel", "kept edit");
  std::filesystem::remove(f.right.Path("lchg_rdel"));
  f.Both("bothsame", "one edit", "one edit", 3000, 4000);
  f.Both("bothdiff", "home edit", "stick edit!", 3000, 4000);
  std::filesystem::rename(f.left.Path("Foto.JPG"), f.left.Path("foto.jpg"));
  std::filesystem::remove(f.left.Path("gone"));
  std::filesystem::remove(f.right.Path("gone"));
  f.Both("newsame", "new", "new");
  f.Both("newdiff", "new", "other");
  f.left.Write("newleft", "new");
  Compare();

  const std::pair<const char*, const char*> expected[] = {
      {"lchg", kMarkCopyRight},   {"rchg", kMarkCopyLeft},      {"ldel", kMarkDeleteRight},
      {"rdel", kMarkDeleteLeft},  {"ldel_rchg", kMarkCopyLeft}, {"lchg_rdel", kMarkCopyRight},
      {"bothsame", kMarkEqual},   {"bothdiff", kMarkSkip},      {"foto.jpg", kMarkEqual},
      {"keep3", kMarkEqual},      {"newsame", kMarkEqual},      {"newdiff", kMarkSkip},
      {"newleft", kMarkCopyRight}};
  for (auto [name, marker] : expected) EXPECT_EQ(f.Marker(name), marker) << name;
  EXPECT_EQ(f.Row("gone"), 0);
  ComparisonList& list = f.w.Liste();
  EXPECT_EQ(list.Text(f.Row("bothdiff"), kChangeColumn), "beide geändert – Konflikt");
  EXPECT_EQ(list.Text(f.Row("foto.jpg"), kChangeColumn), "links umbenannt (Groß-/Kleinschreibung)");
  EXPECT_EQ(list.Text(f.Row("ldel"), kChangeColumn), "links gelöscht");
  const std::string summary = LastMessage();
  EXPECT_NE(summary.find("Ergebnis des Änderungsvergleichs von 22 Dateien:"), std::string::npos);
  EXPECT_NE(summary.find("2 Konflikte"), std::string::npos) << summary;
  EXPECT_NE(summary.find("   bothdiff\r"), std::string::npos);

  f.w.SynchronizeFolders();
  EXPECT_FALSE(f.right.Exists("ldel"));
  EXPECT_FALSE(f.left.Exists("rdel"));
  EXPECT_EQ(f.right.Read("lchg"), "left edit");
  EXPECT_EQ(f.left.Read("ldel_rchg"), "kept edit");
  EXPECT_EQ(f.right.Read("lchg_rdel"), "kept edit");
  EXPECT_EQ(f.left.Read("bothdiff"), "home edit");
  EXPECT_EQ(f.right.Read("bothdiff"), "stick edit!");

  // Right after the run nothing is left to do but the two conflicts, which
  // keep their old record until the user decides them.
  Compare();
  for (int i = 1; i <= list.Count(); ++i) {
    std::string name = list.Text(i, kLeftNameColumn);
    bool conflict = name == "bothdiff" || name == "newdiff";
    EXPECT_EQ(list.Text(i, kMarkerColumn), conflict ? kMarkSkip : kMarkEqual) << name;
  }
}

// A side saved from the text comparison is a change against the record,
// whatever its time: the row says to copy it across, as the comparison by
// changes would, not by age.
TEST_F(Changes, ASavedSideIsMarkedAsAChangeSinceTheRecord) {
  Recorded(2);
  Compare();
  ASSERT_EQ(f.Marker("keep0"), kMarkEqual);
  TextPair pair;
  ASSERT_TRUE(TextPairOfRow(f.w, f.Row("keep0"), pair));
  f.right.Write("keep0", "saved", 500);  // older than the left one
  RecomputeRowMarker(f.w, pair);
  EXPECT_EQ(f.Marker("keep0"), kMarkCopyLeft);
  EXPECT_EQ(f.w.Liste().Text(f.Row("keep0"), kChangeColumn), "rechts geändert");
  EXPECT_EQ(f.Marker("keep1"), kMarkEqual);
}

// An unmounted stick or an emptied folder is no wish to delete everything.
TEST_F(Changes, ASideMostlyGoneDeletesNothingAndABrokenRecordIsSetAside) {
  Recorded(4);
  for (int i = 0; i < 3; ++i) std::filesystem::remove(f.right.Path("keep" + std::to_string(i)));
  Compare();
  for (int i = 0; i < 3; ++i) EXPECT_EQ(f.Marker("keep" + std::to_string(i)), kMarkSkip);
  EXPECT_EQ(f.Marker("keep3"), kMarkEqual);
  EXPECT_NE(LastMessage().find("Darum wird nichts gelöscht: 3 Zeilen"), std::string::npos)
      << LastMessage();

  std::ofstream(own.Database(), std::ios::binary | std::ios::trunc) << std::string(4096, 'x');
  Compare();
  EXPECT_NE(LastMessage().find("beschädigt"), std::string::npos) << LastMessage();
  EXPECT_NE(LastMessage().find("nach dem Alter verglichen"), std::string::npos);
  EXPECT_EQ(f.Marker("keep0"), kMarkLeftOnly);  // by age: a proposal, never a deletion
  int aside = 0;
  for (auto& e : std::filesystem::directory_iterator(own.state.Path("zweiblick")))
    aside += e.path().filename().string().find(".defekt-") != std::string::npos;
  EXPECT_EQ(aside, 1);
}

// A run that does not record leaves the record marked, and the next
// comparison by changes falls back to age instead of trusting it.
TEST_F(Changes, ARunAfterAnotherComparisonLeavesTheRecordUnfinished) {
  Recorded(3);
  std::filesystem::remove(f.left.Path("keep0"));
  f.w.SelectCompMode(kCompModeAge);
  f.Fill();
  f.w.CompareSelected();
  f.w.SynchronizeFolders();  // "? <--" left alone: keep0 still on the right
  Compare();
  EXPECT_NE(LastMessage().find("nicht zu Ende gespeichert"), std::string::npos) << LastMessage();
  EXPECT_EQ(f.Marker("keep0"), kMarkRightOnly);
}

// A copy that fails keeps the row's old record. Had the record taken the
// row as done, the vanished file would be forgotten and the right one offered
// back as new, where its deletion is what the user asked for.
TEST_F(Changes, AFailedRowKeepsItsOldRecord) {
  Recorded(3);
  f.left.Write("keep0", "left edit", 5000);
  Compare();
  ASSERT_EQ(f.Marker("keep0"), kMarkCopyRight);
  std::filesystem::remove(f.left.Path("keep0"));  // after the comparison: the copy fails
  f.w.SynchronizeFolders();
  EXPECT_EQ(f.right.Read("keep0"), "same");
  Compare();
  EXPECT_EQ(f.Marker("keep0"), kMarkDeleteRight);
  EXPECT_EQ(f.Marker("keep1"), kMarkEqual);
}

// Another instance writing the record, or a home that cannot take it: the
// comparison goes by age, and a run never leaves a stale record trusted.
TEST_F(Changes, ARecordLockedOrNotWritableIsNeverTrusted) {
  const std::string state = own.state.Path();
  if (mount("tmpfs", state.c_str(), "tmpfs", 0, "size=1m") != 0)
    GTEST_SKIP() << "cannot mount a tmpfs here";
  struct Unmount {
    std::string at;
    ~Unmount() { umount2(at.c_str(), MNT_DETACH); }
  } unmount{state};
  Recorded(2);
  std::filesystem::remove(f.left.Path("keep0"));

  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(own.Database().c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  Compare();
  EXPECT_NE(LastMessage().find("von einem anderen Abgleich geschrieben"), std::string::npos)
      << LastMessage();
  EXPECT_EQ(f.Marker("keep0"), kMarkRightOnly);
  sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(other);

  Compare();
  ASSERT_EQ(f.Marker("keep0"), kMarkDeleteRight);
  ASSERT_EQ(mount(nullptr, state.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
  f.w.SynchronizeFolders();
  EXPECT_FALSE(f.right.Exists("keep0"));  // the run stands
  EXPECT_NE(LastMessage().find("nicht gespeichert"), std::string::npos) << LastMessage();
  ASSERT_EQ(mount(nullptr, state.c_str(), nullptr, MS_REMOUNT, nullptr), 0);
  Compare();
  EXPECT_NE(LastMessage().find("nicht zu Ende gespeichert"), std::string::npos) << LastMessage();
}

// The stick chosen on the left one day and on the right the next is the same
// pair: its record serves mirrored, and the run keeps one record of it.
TEST_F(Changes, SidesChosenTheOtherWayRoundKeepTheirRecord) {
  Recorded(3);
  std::filesystem::remove(f.left.Path("keep0"));
  f.right.Write("keep1", "stick edit", 5000);
  auto swapped = [&] {
    f.w.SelectCompMode(kCompModeChanges);
    f.w.FillColumn(f.right.Path(), true);
    f.w.FillColumn(f.left.Path(), false);
    f.w.CompareSelected();
  };
  swapped();
  EXPECT_EQ(f.Marker("keep0"), kMarkDeleteLeft);
  EXPECT_EQ(f.Marker("keep1"), kMarkCopyRight);
  EXPECT_EQ(f.Marker("keep2"), kMarkEqual);
  f.w.SynchronizeFolders();
  EXPECT_FALSE(f.right.Exists("keep0"));
  EXPECT_EQ(f.left.Read("keep1"), "stick edit");
  for (bool otherWay : {true, false}) {
    if (otherWay)
      swapped();
    else
      Compare();
    for (int i = 1; i <= f.w.Liste().Count(); ++i)
      EXPECT_EQ(f.w.Liste().Text(i, kMarkerColumn), kMarkEqual) << otherWay << " " << i;
  }
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(own.Database().c_str(), &db), SQLITE_OK);
  sqlite3_stmt* count = nullptr;
  sqlite3_prepare_v2(db, "SELECT count(*) FROM pairs", -1, &count, nullptr);
  ASSERT_EQ(sqlite3_step(count), SQLITE_ROW);
  EXPECT_EQ(sqlite3_column_int(count, 0), 1);
  sqlite3_finalize(count);
  sqlite3_close(db);
}

// Random days of edits, deletions and case changes on both sides, each
// followed by a run: no content is ever lost (what left a side is on the
// other or in the trash), and a comparison right after a run finds nothing
// left to do but the conflicts it keeps for the user.
TEST_F(Changes, RandomDaysLoseNothingAndLeaveNothingToDo) {
  std::mt19937 rng(20261208);
  int version = 0;
  // Each write has its own content and time, older or newer than the last.
  auto write = [&](const TempTree& side, const std::string& name) {
    ++version;
    side.Write(name, "v" + std::to_string(version), 2'000'000 + (version % 2 ? 3 : -3) * version);
  };
  const int kNames = 12;
  for (int i = 0; i < kNames; ++i) {
    write(f.left, "f" + std::to_string(i));
    f.right.Write("f" + std::to_string(i), f.left.Read("f" + std::to_string(i)),
                  2'000'000 + 3 * version);
  }
  auto contents = [](const std::string& root) {
    std::multiset<std::string> out;
    for (auto& e : std::filesystem::recursive_directory_iterator(root))
      if (e.is_regular_file() && e.path().extension() != ".trashinfo") {
        std::ifstream in(e.path(), std::ios::binary);
        out.insert(std::string(std::istreambuf_iterator<char>(in), {}));
      }
    return out;
  };
  auto everything = [&] {
    std::set<std::string> all;
    for (const std::string& root : {f.left.Path(), f.right.Path(), own.data.Path()})
      for (const std::string& c : contents(root)) all.insert(c);
    return all;
  };
  Compare();  // the first run, by age for want of a record, finds the sides equal
  f.w.SynchronizeFolders();
  for (int day = 0; day < 12; ++day) {
    SCOPED_TRACE("day " + std::to_string(day));
    for (int edit = 0; edit < 6; ++edit) {
      const TempTree& side = rng() % 2 ? f.left : f.right;
      std::string name = "f" + std::to_string(rng() % kNames);
      int what = rng() % 6;
      if (what == 0)
        std::filesystem::remove(side.Path(name));
      else if (what == 1 && side.Exists(name))
        std::filesystem::rename(side.Path(name), side.Path("F" + name.substr(1)));
      else if (!side.Exists("F" + name.substr(1)))
        write(side, name);
    }
    std::set<std::string> before = everything();
    Compare();
    f.w.SynchronizeFolders();
    std::set<std::string> after = everything();
    for (const std::string& c : before) EXPECT_TRUE(after.count(c)) << c << " is lost";
    Compare();
    for (int i = 1; i <= f.w.Liste().Count(); ++i) {
      std::string marker = f.w.Liste().Text(i, kMarkerColumn);
      EXPECT_TRUE(marker == kMarkEqual || marker == kMarkSkip)
          << f.w.Liste().Text(i, kLeftNameColumn) << f.w.Liste().Text(i, kRightNameColumn) << ": "
          << marker << "\n"
          << LastMessage();
    }
  }
}

// A stick is known by its file system, not by where it was mounted: the same
// exFAT stick at a second place is the same pair, another stick is not.
// A record read ahead serves only the state it was read from: one written
// since, or another database put in its place, is read again.
TEST(RecordAhead, ServesOnlyTheStateItWasReadFrom) {
  TempTree dir;
  RecordStore store(dir.Path("abgleichstand.sqlite"));
  auto recorded = [&](const std::string& name, int64_t size) {
    RecordedFile f{name, name, {}, {}};
    f.left.size = f.right.size = size;
    f.left.mtimeSec = f.right.mtimeSec = 1000;
    std::string problem;
    ASSERT_TRUE(store.Write("pair", {{name, f}}, true, problem)) << problem;
  };
  auto sizeOf = [&](const LoadedRecord& r, const std::string& name) -> int64_t {
    auto it = r.files.find(name);
    return it == r.files.end() ? -1 : it->second.left.size;
  };
  recorded("a", 1);
  store.LoadAhead("pair");
  EXPECT_EQ(sizeOf(store.Load("pair"), "a"), 1);

  store.LoadAhead("pair");
  store.AwaitAhead();
  recorded("a", 2);  // the same file, written once more
  EXPECT_EQ(sizeOf(store.Load("pair"), "a"), 2);

  store.LoadAhead("pair");
  store.AwaitAhead();
  RecordStore other(dir.Path("other.sqlite"));
  std::string problem;
  RecordedFile b{"b", "b", {}, {}};
  b.left.size = b.right.size = 3;
  b.left.mtimeSec = b.right.mtimeSec = 1000;
  ASSERT_TRUE(other.Write("pair", {{"b", b}}, true, problem)) << problem;
  ASSERT_EQ(std::rename(dir.Path("other.sqlite").c_str(), dir.Path("abgleichstand.sqlite").c_str()),
            0);
  LoadedRecord now = store.Load("pair");
  EXPECT_EQ(sizeOf(now, "a"), -1);
  EXPECT_EQ(sizeOf(now, "b"), 3);
}

TEST(ChangesOnAStick, MountedAtAnotherPlaceItIsTheSamePair) {
  TempTree t;
  t.Mkdir("first");
  t.Mkdir("second");
  auto run = [](const std::string& command) { return std::system(command.c_str()) == 0; };
  auto loopOf = [&](const std::string& image) {
    std::string device;
    if (!run("truncate -s 32M " + image + " && /usr/sbin/mkfs.exfat " + image + " >/dev/null 2>&1"))
      return device;
    if (FILE* p = popen(("losetup -f --show " + image + " 2>/dev/null").c_str(), "r")) {
      char buf[64] = {};
      if (fgets(buf, sizeof buf, p)) device = buf;
      pclose(p);
    }
    if (!device.empty() && device.back() == '\n') device.pop_back();
    return device;
  };
  auto seen = [&](const std::string& device, const std::string& at) {
    SideIdentity id;
    if (run("mount.exfat-fuse " + device + " " + t.Path(at) + " >/dev/null 2>&1")) {
      std::filesystem::create_directories(t.Path(at + "/Fotos"));
      id = SideIdentityOf(t.Path(at + "/Fotos"));
      run("umount " + t.Path(at));
    }
    return id;
  };
  std::string stick = loopOf(t.Path("stick.img")), other = loopOf(t.Path("other.img"));
  SideIdentity first = seen(stick, "first"), second = seen(stick, "second"),
               another = seen(other, "first");
  run("losetup -d " + stick + " " + other + " 2>/dev/null");
  if (!first.Known() || !another.Known()) GTEST_SKIP() << "no loop devices or exFAT here";
  EXPECT_EQ(first.fileSystem, second.fileSystem);
  EXPECT_EQ(first.below, "/Fotos");
  EXPECT_EQ(second.below, "/Fotos");
  EXPECT_NE(first.fileSystem, another.fileSystem);
}

TEST(ChangesOnFat, StepsAndWholeHoursOfAnUnchangedFileAreNoChange) {
  FileFacts rec;
  rec.size = 10;
  rec.mtimeSec = 1'000'000;
  FileFacts now = rec;
  for (int64_t off : {2, -2, 3600, -7200, 3602}) {
    now.mtimeSec = rec.mtimeSec + off;
    EXPECT_TRUE(SameAsRecorded(now, rec, true)) << off;
    EXPECT_FALSE(SameAsRecorded(now, rec, false)) << off;
  }
  for (int64_t off : {3, 1800, 3605, 15 * 3600}) {
    now.mtimeSec = rec.mtimeSec + off;
    EXPECT_FALSE(SameAsRecorded(now, rec, true)) << off;
  }
}

}  // namespace
}  // namespace zweiblick::testing
