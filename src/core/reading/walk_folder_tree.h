// SPDX-License-Identifier: GPL-3.0-or-later
// Collects the full path of every file below a folder.
#pragma once

#include <string>
#include <vector>

#include "files/file_facts.h"
#include "reading/name_filter.h"

namespace zweiblick {

class RunReporter;

// One file found by the walk: its full path and what its attributes said, so
// that entering it needs no second look at the disk.
struct FoundFile {
  std::string path;
  FileFacts facts;
};

// What the walk never goes into, named by its caller: what a run keeps for
// itself below the folders it reads. Either may be left out.
struct NeverWalked {
  // Whether a name beginning with "." (never "." or "..") is one of those.
  bool (*dotName)(const char* name) = nullptr;
  // A folder known by what it is, not by its name: its path, looked up as the
  // walk begins (empty: there is none).
  std::string (*folder)() = nullptr;
};

// Appends to `foundFiles`: first the files directly in the folder, in listing
// order, then everything below each subfolder, subfolders in reverse listing
// order. Names beginning with "." are skipped unless `filter` lets them in;
// what `filter` leaves out is skipped before it is examined, a folder with
// everything below it; only regular files (or links to
// them) are collected; an entry that cannot be examined is reported and skipped.
// Linked folders are walked, each folder behind links once, under the first
// name the walk meets; a folder already on the path down to the current one is
// skipped as a loop. Workers read the folders ahead; the
// results, messages and yields (once per folder) come on the calling thread in
// the order of a walk on one thread. What `never` names is never walked,
// whatever `filter` says. Returns what the folder itself is (not Known() when
// it could not be found).
FileFacts WalkFolderTree(std::vector<FoundFile>& foundFiles, RunReporter& run,
                         const std::string& folderPath, const NameFilter& filter = {},
                         const NeverWalked& never = {});

// Takes each file of a walk as the walk meets it, on the calling thread: a
// million files need not be held twice, once as found and once as rows.
class FoundSink {
 public:
  // `path` is the full path; the sink may take its characters.
  virtual void Found(std::string& path, const FileFacts& facts) = 0;

 protected:
  ~FoundSink() = default;
};

// The same walk, each file handed to `sink` in the order the vector would hold it.
FileFacts WalkFolderTree(FoundSink& sink, RunReporter& run, const std::string& folderPath,
                         const NameFilter& filter = {}, const NeverWalked& never = {});

}  // namespace zweiblick
