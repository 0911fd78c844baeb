// SPDX-License-Identifier: GPL-3.0-or-later
// A file read for the text comparison: its bytes split into lines (each with
// its own line end, so that a file written back from its lines is the same
// file byte for byte), and what tells two files apart that look the same:
// encoding, byte order mark, kind of line ends.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace zweiblick {

enum class TextEncoding { kUtf8, kWindows1252 };
enum class LineEnds { kNone, kLf, kCrLf, kMixed };

// A NUL byte within this many first bytes makes a file binary.
inline constexpr std::size_t kBinaryProbe = 8000;
// Larger files are compared only when the user agrees, and then by lines only.
inline constexpr std::uint64_t kLargeBytes = 64ull * 1024 * 1024;
inline constexpr std::size_t kLargeLines = 1000000;
// A longer line gets no word marks.
inline constexpr std::size_t kLongLine = 10000;

struct TextFile {
  std::string path;
  bool binary = false;
  TextEncoding encoding = TextEncoding::kUtf8;
  bool bom = false;  // a UTF-8 byte order mark, kept out of `lines`
  LineEnds ends = LineEnds::kNone;
  // Binary files: all bytes. Text files: empty (the lines hold them).
  std::string bytes;
  // Each line's bytes in the file's encoding, its line end included (the
  // last line may have none).
  std::vector<std::string> lines;
  // The file as it was read: a save checks that it is still that file.
  std::uint64_t size = 0;
  dev_t device = 0;
  ino_t inode = 0;
  mode_t mode = 0;
  uid_t owner = 0;
  gid_t group = 0;
  timespec mtime{}, ctime{};

  // Whether a look at the file now (lstat) shows it still as it was read.
  bool StillAsRead(const struct stat& now) const;
  bool Large() const { return size > kLargeBytes || lines.size() > kLargeLines; }
  // The line end new lines get: the file's own, LF where it has none or mixed.
  std::string_view NewLineEnd() const { return ends == LineEnds::kCrLf ? "\r\n" : "\n"; }
};

enum class ReadResult { kOk, kTooLarge, kFailed };

// Reads `path` (a regular file, through links). A file over kLargeBytes is
// read only with `large` true; kTooLarge otherwise. kFailed sets `error` to
// the errno (EISDIR, EINVAL for what is no regular file).
ReadResult ReadTextFile(const std::string& path, bool large, TextFile& file, int& error);
// The same from bytes already in memory (no file facts).
void SplitText(std::string_view bytes, TextFile& file);

// A line of the file in UTF-8, for showing.
std::string ToUtf8(std::string_view bytes, TextEncoding encoding);
// UTF-8 text in `encoding`; false when a character has no place there.
bool FromUtf8(std::string_view text, TextEncoding encoding, std::string& out);

// "UTF-8", "Windows-1252"; "CRLF", "LF", "gemischt", "keine".
const char* EncodingName(TextEncoding encoding);
const char* LineEndsName(LineEnds ends);

// The file's bytes as read: the byte order mark and the lines, or a binary
// file's bytes.
std::string FileBytes(const TextFile& file);

// A line without its line end.
std::string_view WithoutLineEnd(std::string_view line);

}  // namespace zweiblick
