// SPDX-License-Identifier: GPL-3.0-or-later
// What the window says about a pair beyond its hunks: why two files that look
// the same differ, and where two binary files part.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "textdiff/text_file.h"

namespace zweiblick {

inline constexpr const char* kNoDifferences = "Keine Unterschiede (mit den gewählten Ausnahmen)";
inline constexpr const char* kBinaryFile = "Binärdatei";

// "Nur die Zeilenenden unterscheiden sich: links CRLF, rechts LF" and the like
// for the encoding and the byte order mark, when the two texts are the same
// line for line but for that; empty otherwise.
std::string LookAlikeNote(const TextFile& left, const TextFile& right);

// The offset of the first byte where the two differ (the shorter one's
// length when one is the start of the other), -1 when they are equal.
std::int64_t FirstDifferentByte(const std::string& left, const std::string& right);

// Rows of 16 bytes around `offset`: "00001230  41 42 ...  |AB..|", the row
// with the offset in the middle of `rows` rows.
std::vector<std::string> HexRows(const std::string& bytes, std::int64_t offset, int rows = 9);

// The header line of a side: path, size, time, encoding, BOM, line ends.
std::string FileHeader(const TextFile& file);

}  // namespace zweiblick
