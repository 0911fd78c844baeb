// SPDX-License-Identifier: GPL-3.0-or-later
// Puts the list on the clipboard as tab-separated text.
#pragma once

namespace zweiblick {

class ComparisonList;
class RunReporter;

// One line per row: left name, TAB, marker, TAB, right name, CR LF. Names and
// markers go out as they are: nothing is quoted or escaped.
void CopyListToClipboard(const ComparisonList& list, RunReporter& run);

}  // namespace zweiblick
