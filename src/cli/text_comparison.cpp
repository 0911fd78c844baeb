// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/text_comparison.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "sync/failure_reason.h"
#include "textdiff/hunk_text.h"
#include "textdiff/line_diff.h"
#include "textdiff/pair_notes.h"
#include "textdiff/text_file.h"

namespace zweiblick {

namespace {

bool Read(const char* path, TextFile& file) {
  int error = 0;
  // A script asked for it: large files are compared without a question.
  if (ReadTextFile(path, true, file, error) == ReadResult::kOk) return true;
  std::fprintf(stderr, "%s kann nicht gelesen werden: %s\n", path, FailureReason(error).c_str());
  return false;
}

}  // namespace

bool ParseTextComparison(int argc, char** argv, TextComparisonCall& call, std::string& error) {
  int files = 0;
  for (int i = 0; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strcmp(a, kIgnoreWhitespaceSwitch) == 0) {
      call.options.whitespace = true;
    } else if (std::strcmp(a, kIgnoreCaseSwitch) == 0) {
      call.options.letterCase = true;
    } else if (std::strcmp(a, kIgnoreLineEndsSwitch) == 0) {
      call.options.lineEnds = true;
    } else if (std::strncmp(a, "--", 2) == 0) {
      // A file whose name starts so is named as ./--NAME.
      error = std::string("Unbekannter Schalter: ") + a;
      return false;
    } else {
      (files == 0 ? call.left : call.right) = a;
      if (++files > 2) return false;
    }
  }
  return files == 2;
}

int RunTextComparison(const TextComparisonCall& call) {
  const char* leftPath = call.left;
  const char* rightPath = call.right;
  TextFile left, right;
  if (!Read(leftPath, left) || !Read(rightPath, right)) return 2;
  if (left.binary || right.binary) {
    std::int64_t at = FirstDifferentByte(FileBytes(left), FileBytes(right));
    if (at < 0) return 0;
    std::printf("%s: %s und %s unterscheiden sich ab Byte %lld\n", kBinaryFile, leftPath, rightPath,
                static_cast<long long>(at));
    return std::fflush(stdout) == 0 ? 1 : 2;
  }
  std::vector<Hunk> hunks =
      DiffLines(left.lines, left.encoding, right.lines, right.encoding, call.options);
  std::string note = LookAlikeNote(left, right);
  if (!note.empty()) std::fprintf(stderr, "%s\n", note.c_str());
  if (hunks.empty()) return left.bom == right.bom ? 0 : 1;
  std::string text = UnifiedText(left, right, hunks, leftPath, rightPath);
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
    return 2;
  return 1;
}

}  // namespace zweiblick
