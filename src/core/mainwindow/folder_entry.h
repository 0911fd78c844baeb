// SPDX-License-Identifier: GPL-3.0-or-later
// The two ways a folder reaches the list: a drop, and the folder buttons.
#pragma once

#include <string>
#include <vector>

#include "reading/nested_folders.h"

namespace zweiblick {

class MainWindow;

inline constexpr const char* kDropOnlyOne =
    "Bitte jeweils nur ein einzelnes Verzeichnis in die Liste ziehen!";
inline constexpr const char* kDropNoFiles =
    "Bitte nur Verzeichnisse (keine Einzeldateien) in die Liste ziehen!";
inline constexpr const char* kDropBadName =
    "Dieser Verzeichnisname enthält ungültige Zeichen - bitte korrigieren!";
inline constexpr const char* kFolderPrompt =
    "Bitte geben Sie den Namen des\rzu vergleichenden Ordners an:";

// A drop of `names` (the dropped file names; empty when the data offers none)
// at `x` pixels from the list's left edge, where column 1 is `firstColumnWidth`
// wide.
void DropOnList(MainWindow& w, const std::vector<std::string>& names, int x, int firstColumnWidth);

// The folder buttons: asks for a folder and fills the column with it.
void AskForFolder(MainWindow& w, bool isLeft);

// The refusal of a right folder that lies in the left one, holds it or is it;
// empty when the two are apart.
std::string NestedFolderText(FolderNesting nesting, const std::string& leftFolder,
                             const std::string& rightFolder);

// The text up to its first NUL character.
std::string TrimAtNul(const std::string& text);

}  // namespace zweiblick
