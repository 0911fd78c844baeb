// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <set>

#include "list/comparison_list.h"
#include "list/facts_text.h"
#include "list/shown_rows.h"
#include "names/name_key.h"

namespace zweiblick {
namespace {

std::vector<std::string> Column(const ComparisonList& l, int column) {
  std::vector<std::string> out;
  for (int i = 1; i <= l.Count(); ++i) out.push_back(l.Text(i, column));
  return out;
}

TEST(ComparisonList, StartsEmptyWithItsSixHeadersAndRowsHoldTheirColumnsByPosition) {
  ComparisonList l;
  EXPECT_EQ(l.Count(), 0);
  EXPECT_EQ(l.Header(1), "Erster Ordner");
  EXPECT_EQ(l.Header(2), "<-->");
  EXPECT_EQ(l.Header(3), "Zweiter Ordner");
  EXPECT_EQ(l.Header(4), "");
  EXPECT_EQ(l.Header(5), "unsichtbar für datum LINKS");
  EXPECT_EQ(l.Header(6), "unsichtbar für datum Rechts");
  EXPECT_FALSE(l.Sorted());
  EXPECT_EQ(l.SortKey(), 0);
  EXPECT_EQ(l.SortOrder(), 0);
  EXPECT_EQ(l.Add(1, "a.txt"), 1);
  EXPECT_EQ(l.Add(2, "b.txt"), 2);
  const char* row[] = {"a.txt", "? -->", "A.TXT", "", "2003071514:23:05", "2003071514:23:06"};
  for (int c : {kMarkerColumn, kRightNameColumn, kLeftStampColumn, kRightStampColumn})
    l.SetText(1, c, row[c - 1]);
  l.SetText(1, kEmptyColumn, "ignored");
  for (int c = 1; c <= 6; ++c) EXPECT_EQ(l.Text(1, c), row[c - 1]) << c;
  EXPECT_EQ(l.Text(2, 2), "");
  l.Remove(1);
  ASSERT_EQ(l.Count(), 1);
  EXPECT_EQ(l.Text(1, 1), "b.txt");
  l.Clear();
  EXPECT_EQ(l.Count(), 0);
  EXPECT_EQ(l.Header(1), "Erster Ordner");  // clearing leaves the headers
}

// Names share their characters between the two sides and live in blocks that
// are copied anew once most rows are gone; markers and devices are numbers in
// tables. None of that may show: every row keeps exactly its texts and facts.
TEST(ComparisonList, RowsKeepTheirOwnTextsAndFactsHoweverTheyAreStored) {
  ComparisonList l;
  const int n = 6000;  // names of about 1 KB: the removals below copy the blocks
  auto name = [](int i) { return std::string(1000, 'a' + i % 26) + std::to_string(i); };
  const char* markers[] = {"=", "<>", "", "-->", "eigener Text"};
  for (int i = 0; i < n; ++i) {
    int r = l.Add(l.Count() + 1, name(i));
    l.SetText(r, kRightNameColumn, name(i));  // the same name: one copy
    l.SetText(r, kMarkerColumn, markers[i % 5]);
    FileFacts f;
    f.size = i;
    f.mtimeSec = 1700000000 + i;
    f.mtimeNsec = i;
    f.inode = 100000u + static_cast<uint64_t>(i);
    f.device = i % 3 == 0 ? 0x10301u : 0x800002u;
    l.SetFacts(r, i % 2 == 0, f);
  }
  for (int r = 1; r <= n; r += 7) l.SetText(r, kLeftNameColumn, "neu" + std::to_string(r));
  for (int r = 2; r <= n; r += 7) l.SetText(r, kRightNameColumn, "");
  for (int r = n; r >= 1; --r)
    if (r % 4 != 0) l.Remove(r);
  ASSERT_EQ(l.Count(), n / 4);
  for (int r = 1; r <= l.Count(); ++r) {
    int was = 4 * r, i = was - 1;
    EXPECT_EQ(l.View(r, kLeftNameColumn), was % 7 == 1 ? "neu" + std::to_string(was) : name(i));
    EXPECT_EQ(l.View(r, kRightNameColumn), was % 7 == 2 ? std::string() : name(i));
    EXPECT_EQ(l.View(r, kMarkerColumn), markers[i % 5]);
    FileFacts f = l.Facts(r, i % 2 == 0);
    EXPECT_EQ(f.size, was % 7 == 2 && i % 2 != 0 ? -1 : i) << r;
    if (f.Known()) {
      EXPECT_EQ(f.inode, 100000u + static_cast<uint64_t>(i));
      EXPECT_EQ(f.device, i % 3 == 0 ? 0x10301u : 0x800002u);
      EXPECT_EQ(f.mtimeNsec, i);
    }
    EXPECT_FALSE(l.Facts(r, i % 2 != 0).Known());
  }
}

TEST(ComparisonList, FindMatchesWholeNamesIgnoringCaseFirstRowWins) {
  ComparisonList l;
  for (const char* name : {"Sub/b.txt", "a.txt", "", "A.txt"}) l.Add(l.Count() + 1, name);
  EXPECT_EQ(l.Find("A.TXT"), 2);
  EXPECT_EQ(l.Find("sub/B.TXT"), 1);
  EXPECT_EQ(l.Find("a.tx"), 0);  // no prefix match
  EXPECT_EQ(l.Find(""), 0);      // an empty row text never matches
  EXPECT_EQ(l.Find("Sub/\xE2\x84\xAA.txt"), 0);
  l.Add(5, "sub/k.txt");  // the Kelvin sign is "K" once normalised
  EXPECT_EQ(l.Find("Sub/\xE2\x84\xAA.txt"), 5);
  l.Remove(5);
  // The index follows removals and re-orderings.
  l.Remove(2);
  EXPECT_EQ(l.Find("a.txt"), 3);
  l.SetSortOrder(1);
  l.SetSorted(true);
  EXPECT_EQ(l.Text(l.Find("sub/b.txt"), 1), "Sub/b.txt");
  EXPECT_EQ(l.Find("a.txt"), 2);
  l.SetText(2, kLeftNameColumn, "z.txt");
  EXPECT_EQ(l.Find("a.txt"), 0);
  EXPECT_EQ(l.Find("Z.TXT"), 2);
}

// Normal form, folded umlauts and bytes that match themselves are checked
// through the pairing (Reading.NamesFindTheirPartnersAcrossCaseAndNormalForm).
TEST(ComparisonList, UnicodeNamesMatchByNormalFormAndFoldedCase) {
  ComparisonList l;
  l.Add(1, "Stra\u00DFe");
  l.Add(2, std::string("bad\xFFname", 8));  // not UTF-8
  EXPECT_EQ(l.Find("STRA\u00DFE"), 1);
  EXPECT_EQ(l.Find(std::string("BAD\xFFNAME", 8)), 0);  // invalid bytes match only themselves
  EXPECT_EQ(MatchKey("\u00C4pfel"), MatchKey("\u00E4PFEL"));
  // Small letters with a composed form their capitals lack: the capital and
  // its mark stay apart in NFC, and still match once folded.
  EXPECT_EQ(MatchKey("T\u0308.TXT"), MatchKey("\u1E97.txt"));
  EXPECT_EQ(MatchKey("J\u030C"), MatchKey("\u01F0"));
  EXPECT_EQ(MatchKey(MatchKey("J\u030C")), MatchKey("J\u030C"));
  EXPECT_EQ(DisplayText(std::string("a\xFF", 2)), "a\uFFFD");
}

TEST(ComparisonList, SortsAlphabeticallyIgnoringCaseWithUmlautsBesideTheirLetters) {
  ComparisonList l;
  for (const char* name : {"Zebra", "apfel", "\xC3\x84pfel", "Birne", "", "Apfel2"})
    l.Add(l.Count() + 1, name);
  l.SetSorted(true);
  EXPECT_EQ(Column(l, 1),
            (std::vector<std::string>{"", "apfel", "\xC3\x84pfel", "Apfel2", "Birne", "Zebra"}));
  l.SetSortOrder(1);
  EXPECT_EQ(Column(l, 1),
            (std::vector<std::string>{"Zebra", "Birne", "Apfel2", "\xC3\x84pfel", "apfel", ""}));
}

// A name of ASCII characters sorts by a cheap one-byte key, every other name by
// its collation key; the order must be the one the collation keys alone give,
// element for element, ties (kept in list order) included. Every ASCII string
// of up to two characters shows the collator maps each ASCII character to one
// weight and knows no contraction of two of them: then the one-byte keys order
// every ASCII name as it does. The mixed corpus shows the merge of both kinds.
TEST(ComparisonList, ListOrderIsTheCollatorsWhicheverKeysItUses) {
  std::vector<std::string> ascii;
  for (int a = 0; a < 128; ++a)
    for (int b = a == 0 ? 0 : 1; b < 128; ++b) {
      std::string s;
      if (a) s += static_cast<char>(a);
      if (b) s += static_cast<char>(b);
      ascii.push_back(s);
    }
  std::mt19937 random(42);
  const std::string letters = "aAbBzZ09_-. ~/()";
  for (int i = 0; i < 4000; ++i) {
    std::string s(1 + random() % 12, ' ');
    for (char& c : s)
      c = i % 2 ? static_cast<char>(1 + random() % 127) : letters[random() % letters.size()];
    ascii.push_back(s);
  }
  std::vector<std::string> other = {"\xC3\xA4pfel",
                                    "\xC3\x84PFEL",
                                    "a\xCC\x88pfel",
                                    "A\xCC\x88pfel",  // composed, decomposed
                                    "Stra\xC3\x9F"
                                    "e",
                                    "STRASSE",
                                    "strasse",
                                    "\xC3\xBC"
                                    "ber",
                                    "u\xCC\x88"
                                    "ber2",
                                    "\xE2\x84\xAA"
                                    "elvin",
                                    "kelvin",
                                    "\xEF\xBC\xA1"
                                    "b",
                                    "Ab",
                                    "a\xC2\xAD"
                                    "b",  // Kelvin, fullwidth, soft hyphen
                                    "Datei_1",
                                    "datei_10",
                                    "Datei_2",
                                    "d\xC3\xA4tei_1",
                                    "20\xE2\x82\xAC",
                                    "20 EUR",
                                    "x\xE2\x80\x8By",
                                    "\xFF\xFE",
                                    "ab\xFF",
                                    "ab\xC3",
                                    "\xC3\xA4\xFF",
                                    "\xED\xA0\x80",
                                    "caf\xC3\xA9",
                                    "cafe",
                                    "CAF\xC3\x89",
                                    "\xCE\xB1\xCE\xB2",
                                    "\xD0\xB4\xD0\xB0",
                                    "\xE6\x97\xA5\xE6\x9C\xAC",
                                    "\xF0\x9F\x98\x80",
                                    "o\xCC\x88l",
                                    "\xC3\xB6l",
                                    "Ol",
                                    "ol",
                                    "\xC3\xB8",
                                    "o",
                                    "\xC3\xA6",
                                    "ae",
                                    "\xC5\x93",
                                    "oe",
                                    "\xC4\xB1",
                                    "i"};
  auto collatorOrder = [](const std::vector<std::string>& names, bool descending) {
    std::vector<std::string> keys(names.size());
    for (size_t i = 0; i < names.size(); ++i) AppendCollationKey(names[i], keys[i]);
    std::vector<size_t> at(names.size());
    std::iota(at.begin(), at.end(), size_t(0));
    std::stable_sort(at.begin(), at.end(), [&](size_t a, size_t b) {
      return descending ? keys[b] < keys[a] : keys[a] < keys[b];
    });
    std::vector<std::string> out;
    for (size_t i : at) out.push_back(names[i]);
    return out;
  };
  std::vector<std::string> mixed = ascii;
  for (int copy = 0; copy < 3; ++copy) mixed.insert(mixed.end(), other.begin(), other.end());
  std::shuffle(mixed.begin(), mixed.end(), random);
  std::vector<std::string> few = {ascii.begin(), ascii.begin() + 2000};
  few.insert(few.begin() + 1000, other[2]);  // one other name among many ASCII ones
  for (const std::vector<std::string>* names : {&ascii, &mixed, &few, &other}) {
    ComparisonList l;
    for (const std::string& name : *names) l.Add(l.Count() + 1, name);
    l.SetSorted(true);
    ASSERT_EQ(Column(l, 1), collatorOrder(*names, false)) << names->size();
    std::vector<std::string> ascending = Column(l, 1);
    l.SetSortOrder(1);
    ASSERT_EQ(Column(l, 1), collatorOrder(ascending, true)) << names->size();
  }
}

TEST(ComparisonList, ReordersOnlyWhenTheSortStateChanges) {
  ComparisonList l;
  l.Add(1, "b");
  l.Add(2, "a");
  l.SetSortOrder(1);  // not sorted: nothing moves
  l.SetSortKey(2);
  EXPECT_EQ(Column(l, 1), (std::vector<std::string>{"b", "a"}));
  l.SetText(1, kRightNameColumn, "y");
  l.SetText(2, kRightNameColumn, "z");
  l.SetSorted(true);  // right names, descending
  EXPECT_EQ(Column(l, 3), (std::vector<std::string>{"z", "y"}));
  l.SetText(2, kRightNameColumn, "zz");  // changing texts does not move rows
  l.Add(3, "c");                         // nor does adding
  EXPECT_EQ(Column(l, 3), (std::vector<std::string>{"z", "zz", ""}));
  l.SetSortOrder(0);
  EXPECT_EQ(Column(l, 3), (std::vector<std::string>{"", "z", "zz"}));
}

// Big enough to be sorted in two halves at once; then with rows appended to
// the sorted list, as the filling of the second side leaves it. Each name is
// there twice: rows of one name keep the order they had.
TEST(ComparisonList, SortingKeepsEachRowTogetherAndRowsOfOneNameInTheirOrder) {
  ComparisonList l;
  const int n = 120000;
  auto add = [&](int k) {
    l.Add(l.Count() + 1, "f" + std::to_string(k));
    l.SetText(l.Count(), kRightNameColumn, std::to_string(l.Count()));
    l.SetSelected(l.Count(), k % 3 == 0);
  };
  for (int i = 0; i < n; ++i) add(static_cast<int>((int64_t{i / 2} * 7919) % (n / 2)));
  auto sorted = [&] {
    for (int i = 1; i <= l.Count(); ++i) {
      std::string left = l.Text(i, 1);
      ASSERT_EQ(l.Selected(i), std::stoi(left.substr(1)) % 3 == 0) << i;
      if (i == 1) continue;
      // Letters and digits only: the collator's order is that of the bytes.
      std::string before = l.Text(i - 1, 1);
      ASSERT_LE(before, left) << i;
      if (before == left) {
        ASSERT_LT(std::stoi(l.Text(i - 1, 3)), std::stoi(l.Text(i, 3))) << i;
      }
    }
  };
  l.SetSorted(true);
  sorted();
  EXPECT_EQ(l.Find("f4711"), l.Find("F4711"));
  l.SetSorted(false);
  for (int i = 0; i < 1000; ++i) add((i * 37) % 2000);
  l.SetSorted(true);
  sorted();
}

// A view that follows the notices as a Qt view does: it holds the name of
// each row it shows, and at every notice each of its rows must still stand
// for the list row of that name, or for none once that row left the list.
struct FollowingView final : ShownRows::Notices {
  const ComparisonList& list;
  const ShownRows& shown;
  std::vector<std::string> names;
  std::set<std::string> gone;  // removed from the list since the last replay
  int first = 0, last = -1;

  FollowingView(const ComparisonList& l, const ShownRows& s) : list(l), shown(s) {}
  void StandsForTheList() const {
    ASSERT_EQ(shown.Count(), int(names.size()));
    for (int r = 0; r < int(names.size()); ++r) {
      int p = shown.Position(r);
      ASSERT_EQ(p == 0, gone.count(names[r]) == 1) << names[r];
      if (p != 0) {
        ASSERT_EQ(list.Text(p, kLeftNameColumn), names[r]) << "view row " << r;
      }
    }
  }
  void BeginRemove(int f, int l) override {
    ASSERT_TRUE(0 <= f && f <= l && l < int(names.size())) << f << ".." << l;
    StandsForTheList();
    // Only a row that left the list or is hidden now goes out of view.
    for (int r = f; r <= l; ++r)
      ASSERT_TRUE(shown.Position(r) == 0 || list.Hidden(shown.Position(r))) << names[r];
    first = f, last = l;
  }
  void EndRemove() override {
    names.erase(names.begin() + first, names.begin() + last + 1);
    StandsForTheList();
  }
  void BeginInsert(int f, int l) override {
    ASSERT_TRUE(0 <= f && f <= l && f <= int(names.size())) << f << ".." << l;
    StandsForTheList();
    first = f, last = l;
  }
  void EndInsert() override {
    ASSERT_EQ(shown.Count(), int(names.size()) + last - first + 1);
    for (int r = first; r <= last; ++r) {
      int p = shown.Position(r);
      ASSERT_TRUE(p != 0 && !list.Hidden(p)) << "view row " << r;
      names.insert(names.begin() + r, list.Text(p, kLeftNameColumn));
    }
    StandsForTheList();
  }
};

// What the view must show, worked out from scratch: every row not hidden.
std::vector<std::string> NotHidden(const ComparisonList& l) {
  std::vector<std::string> out;
  for (int r = 1; r <= l.Count(); ++r)
    if (!l.Hidden(r)) out.push_back(l.Text(r, kLeftNameColumn));
  return out;
}

// Random runs of appends, removals, marker and failure changes and toggles of
// "Nur Unterschiede zeigen", gathered into flushes as the window gathers
// them: after each replay the view shows what a rebuild from scratch shows.
TEST(ShownRows, ReplaysOfRandomChangesShowWhatARebuildShows) {
  const char* markers[] = {"=", "=", "<>", "-->", "<--", ""};
  for (unsigned seed = 1; seed <= 20; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    auto below = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    ComparisonList list;
    ShownRows shown;
    FollowingView view(list, shown);
    list.HideRowsMarked("=");
    int made = 0;
    for (int flush = 0; flush < 300; ++flush) {
      for (int change = below(12); change > 0; --change) {
        int what = below(40), count = list.Count();
        if (what < 12 || count == 0) {  // mostly at the end, as a filling adds
          int at = what == 0 ? 1 + below(count + 1) : count + 1;
          list.Add(at, "r" + std::to_string(++made));
          if (below(2)) list.SetText(at, kMarkerColumn, markers[below(6)]);
        } else if (what < 22) {  // now and then the last row, as a run removes upwards
          int at = what == 21 ? count : 1 + below(count);
          view.gone.insert(list.Text(at, kLeftNameColumn));
          list.Remove(at);
        } else if (what < 37) {
          list.SetText(1 + below(count), kMarkerColumn, markers[below(6)]);
        } else if (what < 39) {  // a failed row is never hidden
          list.SetFailure(1 + below(count), below(2) ? "Zugriff verweigert" : "");
        } else {
          list.HideRowsMarked(list.HidesRows() ? "" : "=");
        }
      }
      ListChanges changes = list.TakeChanges();
      if (changes.Reordered()) {
        shown.Rebuild(list);
        view.names = NotHidden(list);
      } else {
        shown.Replay(list, changes, view);
      }
      ASSERT_FALSE(::testing::Test::HasFatalFailure()) << "flush " << flush;
      view.gone.clear();
      ASSERT_EQ(view.names, NotHidden(list)) << "flush " << flush;
      ASSERT_NO_FATAL_FAILURE(view.StandsForTheList());
    }
  }
}

// Rounded as shown, so no "1024 KB" and no "100,0 MB".
TEST(FactsText, SizesInUnitsOf1024WithADecimalComma) {
  EXPECT_EQ(SizeText(0), "0 B");
  EXPECT_EQ(SizeText(1023), "1023 B");
  EXPECT_EQ(SizeText(1024), "1,0 KB");
  EXPECT_EQ(SizeText(12897485), "12,3 MB");
  EXPECT_EQ(SizeText(1048575), "1,0 MB");
  EXPECT_EQ(SizeText(104805172), "100 MB");  // 99.95 MB
  EXPECT_EQ(SizeText(361758720), "345 MB");
  EXPECT_EQ(SizeText(int64_t(5) << 40), "5,0 TB");
}

}  // namespace
}  // namespace zweiblick
