// SPDX-License-Identifier: GPL-3.0-or-later
// Sizes and times of a row's two files as the list shows them: in the row's
// tool tip and in the columns the user can switch on.
#pragma once

#include <cstdint>
#include <string>

#include "files/file_facts.h"

namespace zweiblick {

class ComparisonList;

// German number format, units of 1024 (the sizes a file manager shows here):
// "512 B", "1,5 KB", "12,3 MB", "345 MB", "2,0 GB". One decimal below 100 of
// a unit, none from 100 on; TB from 1024 GB on.
std::string SizeText(int64_t bytes);
// Local time as "07.12.2026 14:03:22".
std::string TimeText(int64_t seconds);

// Two lines, split by "\r": "Links: 12,3 MB, 07.12.2026 14:03:22" and
// "Rechts: …"; "—" for a side without a file. After a comparison by changes
// a third line says what changed, and a row that failed says why.
std::string FactsToolTip(const ComparisonList& list, int position);

// The text of one of the fact columns (kLeftSizeColumn to kRightTimeColumn),
// empty for a side without a file; or of the change or the failure column.
std::string FactsColumnText(const ComparisonList& list, int position, int column);

}  // namespace zweiblick
