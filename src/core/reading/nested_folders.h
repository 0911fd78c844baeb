// SPDX-License-Identifier: GPL-3.0-or-later
// Whether two folders lie one inside the other: a synchronisation of such a
// pair copies one into the other, one level deeper at every run.
#pragma once

#include <string>

namespace zweiblick {

enum class FolderNesting {
  kApart,              // neither holds the other (or one cannot be examined)
  kSame,               // both names lead to the same folder
  kFirstInsideSecond,  // the first lies somewhere below the second
  kSecondInsideFirst,
};

// Compares by identity (device and inode), not by name: a link or a bind mount
// that leads into the other folder counts as inside it.
FolderNesting NestingOf(const std::string& first, const std::string& second);

}  // namespace zweiblick
