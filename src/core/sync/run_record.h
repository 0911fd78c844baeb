// SPDX-License-Identifier: GPL-3.0-or-later
// Brings the record of a pair up to date after a run: the rows carried out
// and the rows found equal take their new state, every other row keeps what
// the record said, so each file is either as it was or as it was decided.
#pragma once

#include <string>
#include <vector>

#include "comparison/changes_since.h"
#include "record/pair_record.h"

namespace zweiblick {

class ComparisonList;
struct ChosenFolders;

class RunRecord {
 public:
  // `basis`: what the comparison by changes of this list found, or nullptr
  // where the markers came from another comparison (the run is then not
  // recorded, and the pair's record counts as unfinished from its start on).
  RunRecord(RecordStore& store, std::string pairKey, const ChangeBasis* basis,
            const ChosenFolders& folders, bool proposals);

  // Before the run's first file is touched.
  void Start();
  // A row carried out or left alone, before it leaves the list.
  void Row(const ComparisonList& list, int row);
  // After the run; `durable`: every folder's data is on the disk. What the
  // user must be told about the record, or empty.
  std::string Finish(bool durable);

 private:
  struct Done {
    std::string key, leftName, rightName;
  };
  FileFacts Kept(const FileFacts& f, bool left) const;
  std::string NotKept(const std::string& why);

  RecordStore& store_;
  std::string pairKey_;
  const ChangeBasis* basis_;
  const ChosenFolders& folders_;
  bool proposals_;
  bool keepInode_[2] = {false, false};
  bool started_ = false, marked_ = false;
  std::vector<RecordChange> changes_;  // the rows found equal
  std::vector<Done> done_;             // the rows carried out: looked at after the run
};

}  // namespace zweiblick
