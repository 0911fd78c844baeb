// SPDX-License-Identifier: GPL-3.0-or-later
// The relation markers: the comparison's verdict and, at the same time, the
// row's synchronisation action. This is the one place that spells them.
#pragma once

namespace zweiblick {

inline constexpr const char* kMarkNone = "";
inline constexpr const char* kMarkOrphan = "?";         // binary: one side only
inline constexpr const char* kMarkLeftOnly = "? -->";   // age: left only, copy proposed
inline constexpr const char* kMarkRightOnly = "? <--";  // age: right only, copy proposed
inline constexpr const char* kMarkLeftShorter = "<";
inline constexpr const char* kMarkLeftLonger = ">";
inline constexpr const char* kMarkContentsDiffer = "<>";
inline constexpr const char* kMarkEqual = "=";
inline constexpr const char* kMarkCopyRight = "-->";  // copy left to right
inline constexpr const char* kMarkCopyLeft = "<--";   // copy right to left
inline constexpr const char* kMarkDeleteRight = "X->";
inline constexpr const char* kMarkDeleteLeft = "<-X";
inline constexpr const char* kMarkDeleteBoth = "XX";
inline constexpr const char* kMarkSkip = "][";

class ComparisonList;

// The marker that popup item `index` (1 to 10) writes; nullptr for the
// separators, "&Abbrechen" and unknown indexes.
const char* PopupMarker(int index);

// The popup's click handler: writes the item's marker into every selected row.
void ApplyRowAction(ComparisonList& list, int index);

}  // namespace zweiblick
