// SPDX-License-Identifier: GPL-3.0-or-later
// Small path and text helpers shared by the reading, batch and help modules.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zweiblick {

// The path separator of this platform; the names below keep their historic
// spelling but use it.
inline constexpr char kSep = '/';

inline std::string ChooseText(const std::string& ifTrue, bool condition,
                              const std::string& ifFalse) {
  return condition ? ifTrue : ifFalse;
}

// `path` with a separator at its end; an empty path gives the separator alone.
std::string WithTrailingBackslash(const std::string& path);

// The folder of the running program (links resolved), ending in the separator.
std::string ProgramFolder();

// A modification time (seconds since the epoch) as the 16-character local time
// stamp "yyyymmddhh:mm:ss".
std::string StampText(int64_t seconds);
// The same in `text`, with no string made: a filling takes in a stamp per file.
using StampChars = std::array<char, 64>;
std::string_view StampText(int64_t seconds, StampChars& text);

// The time stamp of the file `path`; empty when its date cannot be read.
std::string FileStamp(const std::string& path);

}  // namespace zweiblick
