// SPDX-License-Identifier: GPL-3.0-or-later
// What happened to a row's files since the last run of the pair, as the
// comparison by changes found it: the list's column "Änderung" and the row's
// tool tip say it.
#pragma once

#include <cstdint>
#include <string_view>

namespace zweiblick {

enum class RowChange : uint8_t {
  kNone,  // not from a comparison by changes
  kUnchanged,
  kLeftNew,
  kRightNew,
  kLeftChanged,
  kRightChanged,
  kLeftRenamed,  // only the letter case of its name
  kRightRenamed,
  kLeftDeleted,
  kRightDeleted,
  kLeftDeletedRightChanged,
  kRightDeletedLeftChanged,
  kBothChangedEqual,
  kBothNewEqual,
  kBothChangedConflict,
  kBothNewConflict,
  // A deletion held back: the side looks as if most of it was deleted.
  kLeftDeletedHeld,
  kRightDeletedHeld,
  kUnreadable,  // both changed, and their contents could not be compared
};

inline constexpr const char* kHeaderChange = "Änderung";

std::string_view RowChangeText(RowChange change);

}  // namespace zweiblick
