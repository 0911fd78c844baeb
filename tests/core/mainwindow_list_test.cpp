// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <random>

#include "list/comparison_list.h"
#include "list/facts_text.h"
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

// A list of ASCII names sorts by cheap one-byte keys; they must order every
// pair exactly as the collator does, punctuation, digits, case and controls included.
TEST(ComparisonList, AsciiKeysOrderAsTheCollator) {
  std::mt19937 random(42);
  auto name = [&] {
    std::string s(random() % 6, ' ');
    for (char& c : s) c = static_cast<char>(1 + random() % 127);
    return s;
  };
  for (int i = 0; i < 20000; ++i) {
    std::string a = name(), b = name(), ka, kb, ia, ib;
    AppendAsciiCollationKey(a, ka);
    AppendAsciiCollationKey(b, kb);
    AppendCollationKey(a, ia);
    AppendCollationKey(b, ib);
    ASSERT_EQ((ka > kb) - (ka < kb), (ia > ib) - (ia < ib)) << '"' << a << "\" vs \"" << b << '"';
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

TEST(ComparisonList, SortingKeepsEachRowTogether) {
  ComparisonList l;
  const int n = 500;
  for (int i = 0; i < n; ++i) {
    int k = (i * 7919) % n;
    l.Add(l.Count() + 1, "f" + std::to_string(k));
    l.SetText(l.Count(), kRightNameColumn, "F" + std::to_string(k));
    l.SetSelected(l.Count(), k % 3 == 0);
  }
  l.SetSorted(true);
  for (int i = 1; i <= n; ++i) {
    std::string left = l.Text(i, 1);
    EXPECT_EQ("F" + left.substr(1), l.Text(i, 3));
    EXPECT_EQ(l.Selected(i), std::stoi(left.substr(1)) % 3 == 0);
    EXPECT_EQ(l.Find(left), i);
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
