// SPDX-License-Identifier: GPL-3.0-or-later
// Reading control files the way profile files are read on the system the
// format comes from.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zweiblick {

// The largest control file read; a larger one is refused, never read in part.
inline constexpr size_t kMaxIniFileSize = 1 << 20;
// A value holds at most this many characters (the profile buffer less its end mark).
inline constexpr size_t kMaxIniValueChars = 32766;

// The whole value of `key` in `section` of the profile text `content`, or nothing.
// Section and key names ignore letter case; blanks around names and values are
// trimmed; the first of duplicate sections or keys wins; a value in matching
// quotes loses them; lines starting with ";" are comments; CR LF or LF; a UTF-8
// byte-order mark is skipped. Text that is not valid UTF-8 is read as Windows-1252.
std::optional<std::string> IniValue(std::string_view content, std::string_view section,
                                    std::string_view key);

// The first kMaxIniValueChars characters of `value`, as the profile buffer holds it.
std::string CutToProfileBuffer(std::string value);

// The number of characters of a UTF-8 text.
size_t CharCount(std::string_view text);

// One entry of a section, read as IniValue reads it; `section` counts the
// sections of that name from 0 in file order.
struct IniEntry {
  std::string key;  // as written
  std::string value;
  int section = 0;
};
// The entries of every section named `section`, in file order, and in
// `sections` how many such sections there are.
std::vector<IniEntry> IniEntries(std::string_view content, std::string_view section, int& sections);

// A control file read whole, or why it is not.
struct WholeFile {
  enum class Fault { kNone, kNotAFile, kTooLarge, kSystem };
  std::string text;
  Fault fault = Fault::kNone;
  int error = 0;  // errno, for kSystem
};
// Reads the file to its end: only a regular file, and at most kMaxIniFileSize bytes.
WholeFile ReadWholeFile(const std::string& path);

// `text` for a message, a NUL shown as "\\0": a NUL would end the message's text early.
std::string ShownInMessage(std::string_view text);

// The text without the blanks and tabs at its ends.
std::string_view TrimBlanks(std::string_view s);

// Windows-1252 bytes as UTF-8.
std::string FromWindows1252(std::string_view bytes);

// The number at the start of `value` as a switch reads it: blanks skipped, an
// optional sign, digits with "." as decimal point, an optional exponent; 0 when
// there is no number.
double LeadingNumber(std::string_view value);

}  // namespace zweiblick
