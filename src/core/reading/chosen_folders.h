// SPDX-License-Identifier: GPL-3.0-or-later
// The two folders of the comparison, as the fillings chose them: what the
// comparison and the synchronisation put the rows' names behind.
#pragma once

#include <string>

#include "files/file_facts.h"
#include "reading/name_filter.h"
#include "reading/walk_folder_tree.h"

namespace zweiblick {

struct ChosenFolders {
  // Each ends in the separator; written only by the fillings.
  std::string LeftFolder;
  std::string RightFolder;
  // The folders themselves as their fillings found them: a run writes only
  // into the folder that was read, never into another one mounted in its place.
  FolderIdentity LeftFolderId;
  FolderIdentity RightFolderId;
  // What the walks of both columns leave out; set only by a control file.
  NameFilter Filter;
  // What the walks never go into: what a run keeps for itself below a folder.
  NeverWalked OwnFiles;
};

}  // namespace zweiblick
