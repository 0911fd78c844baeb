// Reading control files the way profile files are read on the system the
// format comes from.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zweiblick {

// The largest control file read; anything larger is not a control file.
inline constexpr size_t kMaxIniFileSize = 1 << 20;
// A value holds at most this many characters (the profile buffer less its end mark).
inline constexpr size_t kMaxIniValueChars = 32766;

// The value of `key` in `section` of the profile text `content`, or nothing.
// Section and key names ignore letter case; blanks around names and values are
// trimmed; the first of duplicate sections or keys wins; a value in matching
// quotes loses them; lines starting with ";" are comments; CR LF or LF; a UTF-8
// byte-order mark is skipped. Text that is not valid UTF-8 is read as Windows-1252.
std::optional<std::string> IniValue(std::string_view content, std::string_view section,
                                    std::string_view key);

// The keys of the first section named `section`, as written, in file order.
std::vector<std::string> IniKeys(std::string_view content, std::string_view section);

// Reads the file: only a regular file, and at most kMaxIniFileSize bytes.
// Nothing when it cannot be read.
std::optional<std::string> ReadSmallFile(const std::string& path);

// The text without the blanks and tabs at its ends.
std::string_view TrimBlanks(std::string_view s);

// Windows-1252 bytes as UTF-8.
std::string FromWindows1252(std::string_view bytes);

// The number at the start of `value` as a switch reads it: blanks skipped, an
// optional sign, digits with "." as decimal point, an optional exponent; 0 when
// there is no number.
double LeadingNumber(std::string_view value);

}  // namespace zweiblick
