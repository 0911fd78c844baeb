// Collects the full path of every file below a folder into FoundFiles.
#pragma once

#include <string>

#include "reading/file_facts.h"

namespace zweiblick {

class MainWindow;

// Appends to w.FoundFiles: first the files directly in the folder, in listing
// order, then everything below each subfolder, subfolders in reverse listing
// order. Names beginning with "." are skipped; only regular files (or links to
// them) are collected; an entry that cannot be examined is reported and skipped.
// Linked folders are walked, each folder behind links once, under the first
// name the walk meets; a folder already on the path down to the current one is
// skipped as a loop. Workers read the folders ahead; the
// results, messages and yields (once per folder) come on the calling thread in
// the order of a walk on one thread. Returns what the folder itself is (not
// Known() when it could not be found).
FileFacts WalkFolderTree(MainWindow& w, const std::string& folderPath);

}  // namespace zweiblick
