// Puts the list on the clipboard as tab-separated text.
#pragma once

#include <string>

namespace zweiblick {

class ComparisonList;
class MainWindow;

// One line per row: left name, TAB, marker, TAB, right name, CR LF.
std::string ListText(const ComparisonList& list);

void CopyListToClipboard(MainWindow& w);

}  // namespace zweiblick
