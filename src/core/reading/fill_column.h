// Reads one folder tree into the left or the right column of the list.
#pragma once

#include <string>

namespace zweiblick {

class MainWindow;

// The left column starts a new comparison: the list is emptied and gets one row
// per file. The right column matches each file to a row by relative name,
// ignoring letter case, or appends a row. The first folder given to an empty list
// always fills the left column.
void FillColumn(MainWindow& w, const std::string& folderPath, bool isLeft);

inline constexpr const char* kStatusWalking =
    "Aufstellung der Dateien im betr. Verzeichnis läuft ...";
inline constexpr const char* kStatusEntering =
    "Eintragung der Dateien in die Vergleichsliste läuft ...";
inline constexpr const char* kStatusEntered = "Eintragung der Dateien abgeschlossen.";

}  // namespace zweiblick
