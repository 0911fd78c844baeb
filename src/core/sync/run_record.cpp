// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/run_record.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <unordered_map>

#include "list/comparison_list.h"
#include "list/markers.h"
#include "names/name_key.h"
#include "platform/far_away.h"
#include "platform/fd.h"
#include "reading/chosen_folders.h"

namespace zweiblick {

RunRecord::RunRecord(RecordStore& store, std::string pairKey, const ChangeBasis* basis,
                     const ChosenFolders& folders, bool proposals)
    : store_(store),
      pairKey_(std::move(pairKey)),
      basis_(basis && basis->pairKey == pairKey_ ? basis : nullptr),
      folders_(folders),
      proposals_(proposals) {
  const std::string* roots[2] = {&folders.LeftFolder, &folders.RightFolder};
  for (int side = 0; side < 2; ++side) {
    Fd fd(open(roots[side]->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    keepInode_[side] = fd.ok() && InodesLast(fd.get());
  }
}

void RunRecord::Start() {
  if (pairKey_.empty()) return;
  started_ = true;
  std::string problem;
  marked_ = store_.MarkUnfinished(pairKey_, problem);
  // The record taken over from the sides the other way round goes stale too.
  if (basis_ && !basis_->formerKey.empty())
    marked_ = store_.MarkUnfinished(basis_->formerKey, problem) && marked_;
}

// Devices change from mount to mount, inode numbers where they do not last;
// a stick mounted below a chosen folder has inodes of its own kind.
FileFacts RunRecord::Kept(const FileFacts& f, bool left) const {
  FileFacts kept = f;
  const FolderIdentity& root = left ? folders_.LeftFolderId : folders_.RightFolderId;
  if (!keepInode_[left ? 0 : 1] || f.device != root.facts.device) kept.inode = 0;
  kept.device = 0;
  return kept;
}

void RunRecord::Row(const ComparisonList& list, int row) {
  if (!basis_) return;
  std::string_view marker = list.View(row, kMarkerColumn);
  // A file unchanged on both sides is in the record already, as it is now:
  // a run over a pair where nothing changed writes nothing for it.
  if (marker == kMarkEqual && !basis_->fresh && list.Change(row) == RowChange::kUnchanged) return;
  std::string left(list.View(row, kLeftNameColumn)), right(list.View(row, kRightNameColumn));
  std::string key = MatchKey(left.empty() ? right : left);
  if (marker == kMarkEqual && !left.empty() && !right.empty()) {
    RecordedFile f{left, right, Kept(list.Facts(row, true), true),
                   Kept(list.Facts(row, false), false)};
    if (f.left.Known() && f.right.Known()) changes_.emplace_back(std::move(key), std::move(f));
    return;
  }
  bool proposal = marker == kMarkLeftOnly || marker == kMarkRightOnly;
  bool acted = marker == kMarkCopyRight || marker == kMarkCopyLeft || marker == kMarkDeleteRight ||
               marker == kMarkDeleteLeft || marker == kMarkDeleteBoth || (proposal && proposals_);
  if (!acted) return;  // skipped, or a proposal left alone: the record stays as it was
  // A file on one side only gets its name on the other.
  if (left.empty()) left = right;
  if (right.empty()) right = left;
  done_.push_back({std::move(key), std::move(left), std::move(right)});
}

std::string RunRecord::NotKept(const std::string& why) {
  std::string text = "Der Stand dieses Abgleichs wurde nicht gespeichert: " + why + ".";
  if (started_ && !marked_) {
    // The old record can no longer be trusted, and could not be marked so.
    store_.Distrust(pairKey_);
    std::string aside = store_.SetAside();
    if (aside.empty())
      return text + "\rDer bisher gespeicherte Stand in '" + store_.Path() +
             "' ist veraltet und ließ sich nicht beiseitelegen.";
    return text + "\rDer bisher gespeicherte Stand wurde als '" + aside + "' beiseitegelegt.";
  }
  return text +
         "\rDer nächste Änderungsvergleich vergleicht daher nach dem Alter, der nichts löscht.";
}

std::string RunRecord::Finish(bool durable) {
  if (!started_) return {};
  if (!basis_)
    return started_ && !marked_ ? NotKept("der Abgleich kam von einem anderen Vergleich") : "";
  if (!durable) return NotKept("nicht alle Daten kamen sicher auf den Datenträger");
  std::vector<RecordChange> changes = std::move(changes_);
  // What a row carried out left on the disk: in sync where both sides hold
  // the file, else no longer a file of the record.
  for (Done& d : done_) {
    struct stat ls {
    }, rs{};
    bool both =
        lstat((folders_.LeftFolder + d.leftName).c_str(), &ls) == 0 && S_ISREG(ls.st_mode) &&
        lstat((folders_.RightFolder + d.rightName).c_str(), &rs) == 0 && S_ISREG(rs.st_mode);
    if (both)
      changes.emplace_back(d.key, RecordedFile{d.leftName, d.rightName, Kept(FactsOf(ls), true),
                                               Kept(FactsOf(rs), false)});
    else
      changes.emplace_back(d.key, std::nullopt);
  }
  for (const std::string& gone : basis_->goneOnBoth) changes.emplace_back(gone, std::nullopt);
  // A key of two rows (names that differ only in letter case) is never in sync.
  std::unordered_map<std::string, int> rows;
  for (const RecordChange& c : changes) ++rows[c.first];
  for (RecordChange& c : changes)
    if (rows[c.first] > 1) c.second.reset();
  // A record taken over from the sides the other way round is written whole
  // under this pair's key, the run's changes after it.
  const bool takeOver = !basis_->formerKey.empty();
  if (takeOver) changes.insert(changes.begin(), basis_->carried.begin(), basis_->carried.end());
  std::string problem;
  if (!store_.Write(pairKey_, changes, basis_->fresh || takeOver, problem,
                    takeOver ? basis_->formerKey : std::string()))
    return NotKept(problem);
  return {};
}

}  // namespace zweiblick
