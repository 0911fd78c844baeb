// SPDX-License-Identifier: GPL-3.0-or-later
// What the last run of a pair did, file by file, so that it can be undone:
// each copy as it was put in place, and where each file it replaced or
// deleted went in the trash. One file per pair in the user's state folder,
// written as the run goes and on the disk before the run says it has ended.
#pragma once
#include <string>
#include <vector>

#include "files/file_facts.h"
#include "platform/fd.h"

namespace zweiblick {

struct JournalEntry {
  enum class Kind {
    kCopy,     // a copy put in place
    kTrashed,  // a file moved into the trash (deleted, or replaced by the copy after it)
    kGone,     // a file deleted or replaced for good
  };
  Kind kind = Kind::kCopy;
  bool left = true;     // the side it is on
  std::string rel;      // its name below that side's chosen folder
  FileFacts facts;      // the copy as put in place, or the file as it lies in the trash
  std::string trash;    // kTrashed: the path of the trash's files/ folder
  std::string inTrash;  // kTrashed: its name there
};

struct RunJournalText {
  std::string pairKey;
  std::string roots[2];  // the chosen folders as the kernel named them, left and right
  long long when = 0;    // when the run began, in seconds since the epoch
  bool ended = false;    // the run came to its end (not killed)
  std::vector<JournalEntry> entries;
};

class RunJournal {
 public:
  // The journal of the pair `pairKey` in `folder` (created when missing).
  RunJournal(std::string folder, std::string pairKey, std::string leftRoot, std::string rightRoot);
  RunJournal(const RunJournal&) = delete;
  RunJournal& operator=(const RunJournal&) = delete;

  // $XDG_STATE_HOME/zweiblick/letzte-abgleiche, or the same below ~/.local/state.
  static std::string DefaultFolder();
  // The file of the pair's journal in `folder`.
  static std::string PathOf(const std::string& folder, const std::string& pairKey);

  // Adds what the run just did. The journal of the pair's run before stays
  // until the first entry: a run that changes nothing leaves it to be undone.
  void Add(const JournalEntry& entry);
  // Something the run did could not be written down: it cannot be undone.
  void Lost(int error);
  // After the run: on the disk. What the user must be told, or empty.
  std::string Finish();
  bool Written() const { return fd_.ok() || finished_; }

  // Reads a journal; false with `problem` where there is none to be read.
  static bool Read(const std::string& path, RunJournalText& out, std::string& problem);

 private:
  bool Open(const std::string& first);
  void Fail(int error);
  std::string folder_, path_, pairKey_, roots_[2];
  Fd fd_;
  bool finished_ = false;
  int error_ = 0;  // the first write that failed
};

}  // namespace zweiblick
