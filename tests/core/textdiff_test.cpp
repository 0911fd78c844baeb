// SPDX-License-Identifier: GPL-3.0-or-later
// The text comparison's core: reading, the line diff against diff and git on
// a corpus of edited real files, word marks, options, taking a block across
// and saving it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

#include "temp_tree.h"
#include "textdiff/background_diff.h"
#include "textdiff/hunk_text.h"
#include "textdiff/line_diff.h"
#include "textdiff/pair_notes.h"
#include "textdiff/save_text_file.h"
#include "textdiff/text_file.h"

namespace zweiblick {
namespace {

using testing::TempTree;

TextFile FromBytes(const std::string& bytes) {
  TextFile f;
  SplitText(bytes, f);
  return f;
}

TEST(TextFile, TellsEncodingBomLineEndsAndBinaryAndGivesBackItsBytes) {
  TextFile crlf = FromBytes(
      "\xEF\xBB\xBFGr\xC3\xB6\xC3\x9F"
      "e\r\nzwei\r\ndrei");
  EXPECT_TRUE(crlf.bom);
  EXPECT_EQ(crlf.encoding, TextEncoding::kUtf8);
  EXPECT_EQ(crlf.ends, LineEnds::kCrLf);
  ASSERT_EQ(crlf.lines.size(), 3u);
  EXPECT_EQ(crlf.lines[0],
            "Gr\xC3\xB6\xC3\x9F"
            "e\r\n");
  EXPECT_EQ(crlf.lines[2], "drei");

  // Not UTF-8: Windows-1252, shown in UTF-8, and written back byte for byte.
  TextFile ansi = FromBytes(
      "Stra\xDF"
      "e \x80 \x81\nzwei\r\n");
  EXPECT_EQ(ansi.encoding, TextEncoding::kWindows1252);
  EXPECT_EQ(ansi.ends, LineEnds::kMixed);
  EXPECT_EQ(ToUtf8(ansi.lines[0], ansi.encoding),
            "Stra\xC3\x9F"
            "e \xE2\x82\xAC \xC2\x81\n");
  std::string back;
  ASSERT_TRUE(FromUtf8(ToUtf8(ansi.lines[0], ansi.encoding), ansi.encoding, back));
  EXPECT_EQ(back, ansi.lines[0]);
  EXPECT_FALSE(FromUtf8("\xE2\x86\x92", TextEncoding::kWindows1252, back));  // "→"

  // A NUL in the first 8,000 bytes makes a file binary; one after them does not.
  std::string late(kBinaryProbe, 'a');
  EXPECT_TRUE(FromBytes(std::string("ab\0c", 4)).binary);
  EXPECT_FALSE(FromBytes(late + std::string(1, '\0')).binary);
  EXPECT_TRUE(FromBytes(late.substr(1) + std::string(1, '\0')).binary);

  EXPECT_TRUE(FromBytes("").lines.empty());
  for (std::string bytes : {std::string("\xEF\xBB\xBF"
                                        "a\r\nb\n\nc"),
                            std::string("\n\n"), std::string("x\r"),
                            std::string("\xFF\xFE"
                                        "a\n")})
    EXPECT_EQ(FileBytes(FromBytes(bytes)), bytes);

  // Read from the disk: its facts too; a folder is no file.
  TempTree dir;
  dir.Write("a.txt", "eins\nzwei\n");
  TextFile read;
  int error = 0;
  ASSERT_EQ(ReadTextFile(dir.Path("a.txt"), false, read, error), ReadResult::kOk);
  EXPECT_EQ(read.size, 10u);
  EXPECT_EQ(read.ends, LineEnds::kLf);
  EXPECT_TRUE(read.StillAsRead(dir.Stat("a.txt")));
  EXPECT_EQ(ReadTextFile(dir.Path(), false, read, error), ReadResult::kFailed);
  EXPECT_EQ(error, EISDIR);
  EXPECT_EQ(ReadTextFile(dir.Path("nicht da"), false, read, error), ReadResult::kFailed);
  EXPECT_EQ(error, ENOENT);
}

TEST(TextDiff, OptionsNotesWordMarksAndCancel) {
  TextFile left = FromBytes("int  Main()\r\n{\r\n  return 0;\r\n}\r\n");
  TextFile right = FromBytes("int main()\n{\n\treturn 0;\n}\n");
  auto diff = [&](IgnoreOptions o) {
    return DiffLines(left.lines, left.encoding, right.lines, right.encoding, o);
  };
  EXPECT_EQ(ChangedLines(diff({})), 8);
  EXPECT_EQ(diff({false, false, true}), (std::vector<Hunk>{{0, 1, 0, 1}, {2, 1, 2, 1}}));
  EXPECT_EQ(diff({true, false, true}), (std::vector<Hunk>{{0, 1, 0, 1}}));
  EXPECT_TRUE(diff({true, true, true}).empty());
  EXPECT_EQ(LookAlikeNote(left, right), "");

  TextFile lf = FromBytes("a\nb\n"), crlf = FromBytes("a\r\nb\r\n");
  EXPECT_EQ(LookAlikeNote(crlf, lf),
            "Nur die Zeilenenden unterscheiden sich: links CRLF, rechts LF");
  EXPECT_EQ(LookAlikeNote(FromBytes("\xEF\xBB\xBF"
                                    "a\n"),
                          FromBytes("a\n")),
            "Nur die Byte-Reihenfolge-Marken unterscheiden sich: links mit BOM, rechts ohne BOM");
  EXPECT_EQ(LookAlikeNote(FromBytes("\xC3\xA4\n"), FromBytes("\xE4\n")),
            "Nur die Kodierungen unterscheiden sich: links UTF-8, rechts Windows-1252");
  // A last line without its line end differs, unless line ends are ignored.
  TextFile open = FromBytes("a\nb");
  EXPECT_EQ(DiffLines(lf.lines, lf.encoding, open.lines, open.encoding, {}),
            (std::vector<Hunk>{{1, 1, 1, 1}}));
  EXPECT_TRUE(
      DiffLines(lf.lines, lf.encoding, open.lines, open.encoding, {false, false, true}).empty());

  // Words: only the changed ones are marked, blanks too unless ignored.
  WordMarks m = MarkWords("total = price * count;", "total = price * amount + 1;");
  EXPECT_EQ(m.left, (std::vector<std::pair<int, int>>{{16, 21}}));
  EXPECT_EQ(m.right, (std::vector<std::pair<int, int>>{{16, 26}}));
  m = MarkWords("Größe  x", "größe x", {true, true, false});
  EXPECT_TRUE(m.left.empty() && m.right.empty());
  EXPECT_TRUE(MarkWords(std::string(kLongLine + 1, 'a'), "b").left.empty());

  // Every common line frequent: the shortest script, not everything changed.
  std::vector<int> a, b;
  for (int i = 0; i < 300; ++i) a.push_back(i % 3), b.push_back(i % 3 == 1 ? 7 : i % 3);
  EXPECT_EQ(ChangedLines(DiffSequences(a, b)), 200);

  // A stopped comparison says so.
  auto big = std::make_shared<TextFile>(), other = std::make_shared<TextFile>();
  for (int i = 0; i < 200000; ++i) {
    big->lines.push_back(std::to_string(i % 1000) + "\n");
    other->lines.push_back(std::to_string(i % 999) + "\n");
  }
  std::atomic<bool> stopped{false}, called{false};
  {
    BackgroundDiff worker;
    worker.Start(big, other, {}, [&](std::vector<Hunk>, bool cancelled) {
      stopped = cancelled;
      called = true;
    });
    worker.Cancel();
  }
  EXPECT_TRUE(called);
  EXPECT_TRUE(stopped);
}

// Counts what another program finds changed: lines that start with one of `signs`.
int Count(const std::string& command, const std::string& signs) {
  FILE* p = popen(command.c_str(), "r");
  if (!p) return -1;
  int n = 0;
  char line[65536];
  bool start = true;
  while (fgets(line, sizeof line, p)) {
    if (start && signs.find(line[0]) != std::string::npos) ++n;
    start = std::strchr(line, '\n') != nullptr;
  }
  pclose(p);
  return n;
}

// Edits of real text files: lines removed, added, changed and moved, then
// given other line ends, a byte order mark, Windows-1252, or emptied.
std::vector<std::pair<std::string, std::string>> Corpus() {
  std::vector<std::string> originals;
  for (auto& e : std::filesystem::recursive_directory_iterator(ZWEIBLICK_SOURCE_DIR "/src")) {
    if (!e.is_regular_file()) continue;
    std::ifstream in(e.path(), std::ios::binary);
    originals.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::sort(originals.begin(), originals.end());
  std::mt19937 random(33);
  auto pick = [&](int n) { return n <= 0 ? 0 : int(random() % unsigned(n)); };
  auto crlf = [](const std::string& s) {
    std::string out;
    for (char c : s) out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
  };
  std::vector<std::pair<std::string, std::string>> pairs;
  for (std::size_t f = 0; f < originals.size(); ++f) {
    TextFile file = FromBytes(originals[f]);
    std::vector<std::string> lines = file.lines;
    const int edits = 1 + pick(12);
    for (int k = 0; k < edits && !lines.empty(); ++k) {
      const int at = pick(int(lines.size())), n = 1 + pick(6);
      const int end = std::min(int(lines.size()), at + n);
      switch (pick(4)) {
        case 0:
          lines.erase(lines.begin() + at, lines.begin() + end);
          break;
        case 1:
          lines.insert(lines.begin() + at, "// Größe " + std::to_string(k) + " der Änderung\n");
          break;
        case 2:
          for (int i = at; i < end; ++i) lines[i].insert(0, i % 2 ? "  " : "x");
          break;
        default: {
          std::vector<std::string> block(lines.begin() + at, lines.begin() + end);
          lines.erase(lines.begin() + at, lines.begin() + end);
          int to = pick(int(lines.size()) + 1);
          lines.insert(lines.begin() + to, block.begin(), block.end());
        }
      }
    }
    std::string left = originals[f], right;
    for (auto& l : lines) right += l;
    if (!right.empty() && right.back() == '\n' && f % 7 == 0) right.pop_back();
    switch (f % 6) {
      case 1:
        left = crlf(left), right = crlf(right);
        break;
      case 2:
        right = crlf(right);  // every line changed
        break;
      case 3:
        left = "\xEF\xBB\xBF" + left;
        break;
      case 4: {
        std::string l, r;
        if (FromUtf8(left, TextEncoding::kWindows1252, l) &&
            FromUtf8(right, TextEncoding::kWindows1252, r))
          left = l, right = r;
        break;
      }
      default:
        break;
    }
    pairs.emplace_back(left, right);
  }
  pairs.emplace_back("", "");
  pairs.emplace_back("", originals[0]);
  pairs.emplace_back(originals[1], "");
  pairs.emplace_back("eins", "eins\n");
  return pairs;
}

TEST(TextDiff, CorpusOfEditsAppliesExactlyAndAgreesWithDiffAndGit) {
  TempTree dir;
  const bool git = std::system("git --version > /dev/null 2>&1") == 0;
  auto pairs = Corpus();
  ASSERT_GT(pairs.size(), 60u);
  int nearDiff = 0, nearGit = 0, withGit = 0, ours = 0, minimal = 0;
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    dir.Write("l", pairs[i].first);
    dir.Write("r", pairs[i].second);
    TextFile left, right;
    int error = 0;
    ASSERT_EQ(ReadTextFile(dir.Path("l"), false, left, error), ReadResult::kOk);
    ASSERT_EQ(ReadTextFile(dir.Path("r"), false, right, error), ReadResult::kOk);
    ASSERT_EQ(FileBytes(left), pairs[i].first);
    auto hunks = DiffLines(left.lines, left.encoding, right.lines, right.encoding, {});
    ASSERT_EQ(ApplyHunks(left.lines, right.lines, hunks), right.lines) << "pair " << i;
    // Common lines between hunks are the same on both sides.
    for (std::size_t k = 0; k + 1 < hunks.size(); ++k)
      ASSERT_EQ(hunks[k + 1].leftBegin - hunks[k].leftBegin - hunks[k].leftCount,
                hunks[k + 1].rightBegin - hunks[k].rightBegin - hunks[k].rightCount);
    const int changed = ChangedLines(hunks);
    // diff and git take a byte order mark for part of the first line.
    const bool firstChanged =
        !hunks.empty() && hunks[0].leftBegin == 0 && hunks[0].leftCount && hunks[0].rightCount;
    const int bom =
        left.bom != right.bom && !left.lines.empty() && !right.lines.empty() && !firstChanged ? 2
                                                                                              : 0;
    const int expected = Count("diff -d '" + dir.Path("l") + "' '" + dir.Path("r") + "'", "<>");
    ours += changed, minimal += expected;
    // A histogram diff keeps a moved line whole where a minimal one splits
    // the hunk around it: on a small hunk those two lines are more than 5 %.
    if (std::abs(changed + bom - expected) <= std::max(expected / 20, 2))
      ++nearDiff;
    else
      std::printf("pair %zu: %d against diff -d %d\n", i, changed + bom, expected);
    if (git) {
      ++withGit;
      int g = Count("git diff --no-index --histogram --no-color -U0 '" + dir.Path("l") + "' '" +
                        dir.Path("r") + "' | tail -n +5",
                    "+-");
      if (std::abs(changed + bom - g) <= g / 20) ++nearGit;
    }
  }
  const int n = int(pairs.size());
  EXPECT_GE(nearDiff * 100, 95 * n)
      << nearDiff << " of " << n << "; lines " << ours << " against " << minimal;
  if (git) {
    EXPECT_GE(nearGit * 100, 95 * withGit) << nearGit << " of " << withGit;
  }
  std::printf(
      "corpus: %d pairs, within 5%% of diff -d: %d, of git --histogram: %d of %d; "
      "changed lines %d, diff -d %d\n",
      n, nearDiff, nearGit, withGit, ours, minimal);
}

struct TextSave : ::testing::Test {
  TempTree data, dir;
  Trash trash;
  std::string savedHome = getenv("XDG_DATA_HOME") ? getenv("XDG_DATA_HOME") : "";
  void SetUp() override { setenv("XDG_DATA_HOME", data.Path().c_str(), 1); }
  void TearDown() override { setenv("XDG_DATA_HOME", savedHome.c_str(), 1); }
  TextFile Read(const std::string& name) {
    TextFile f;
    int error = 0;
    EXPECT_EQ(ReadTextFile(dir.Path(name), false, f, error), ReadResult::kOk);
    return f;
  }
};

TEST_F(TextSave, BlockTakenAcrossKeepsEncodingAndLineEndsAndTheOldVersionGoesToTheTrash) {
  dir.Write("links.txt",
            "eins\ngr\xC3\xBC\xC3\x9F"
            "e\ndrei\n");
  dir.Write("rechts.txt",
            "\xEF\xBB\xBF"
            "eins\r\nzwei\r\ndrei\r\nvier");
  chmod(dir.Path("rechts.txt").c_str(), 0640);
  TextFile left = Read("links.txt"), right = Read("rechts.txt");
  auto hunks =
      DiffLines(left.lines, left.encoding, right.lines, right.encoding, {true, true, true});
  ASSERT_EQ(hunks, (std::vector<Hunk>{{1, 1, 1, 1}, {3, 0, 3, 1}}));
  // "→": the left's line into the right file, in its line end.
  ASSERT_TRUE(TakeBlock(left, right, hunks[0], true));
  // "←": the right's last line (without line end) to the left's end.
  ASSERT_TRUE(TakeBlock(right, left, hunks[1], false));
  EXPECT_EQ(FileBytes(right),
            "\xEF\xBB\xBF"
            "eins\r\ngr\xC3\xBC\xC3\x9F"
            "e\r\ndrei\r\nvier");
  EXPECT_EQ(FileBytes(left),
            "eins\ngr\xC3\xBC\xC3\x9F"
            "e\ndrei\nvier");
  // Into Windows-1252 a character it has is written in it; one it lacks is refused.
  TextFile ansi = FromBytes("a\xE4\n"), arrow = FromBytes("\xC3\xBC\n\xE2\x86\x92\n");
  ASSERT_TRUE(TakeBlock(arrow, ansi, {0, 1, 0, 1}, false));
  EXPECT_EQ(ansi.lines[0], "\xFC\n");
  EXPECT_FALSE(TakeBlock(arrow, ansi, {1, 0, 1, 1}, false));
  EXPECT_EQ(ansi.lines.size(), 1u);

  int error = 0;
  ASSERT_EQ(SaveTextFile(right, trash, error), SaveResult::kSaved) << error;
  EXPECT_EQ(dir.Read("rechts.txt"), FileBytes(right));
  EXPECT_EQ(dir.Mode("rechts.txt"), 0640u);
  EXPECT_TRUE(right.StillAsRead(dir.Stat("rechts.txt")));
  int inTrash = 0;
  for (auto& e : std::filesystem::directory_iterator(data.Path("Trash/files"))) {
    ++inTrash;
    std::ifstream in(e.path(), std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}),
              "\xEF\xBB\xBF"
              "eins\r\nzwei\r\ndrei\r\nvier");
  }
  EXPECT_EQ(inTrash, 1);
  EXPECT_TRUE(dir.TemporaryFiles().empty());

  // Changed by another program since it was read: not overwritten.
  dir.Write("links.txt", "anders\n");
  EXPECT_EQ(SaveTextFile(left, trash, error), SaveResult::kChangedOnDisk);
  EXPECT_EQ(dir.Read("links.txt"), "anders\n");
  std::filesystem::remove(dir.Path("links.txt"));
  EXPECT_EQ(SaveTextFile(left, trash, error), SaveResult::kChangedOnDisk);
  EXPECT_FALSE(dir.Exists("links.txt"));
  EXPECT_TRUE(dir.TemporaryFiles().empty());
}

}  // namespace
}  // namespace zweiblick
