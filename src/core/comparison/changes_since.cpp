// SPDX-License-Identifier: GPL-3.0-or-later
#include "comparison/changes_since.h"

#include <cstdlib>
#include <iterator>

#include "comparison/time_tolerance.h"
#include "list/comparison_list.h"
#include "list/markers.h"
#include "names/name_key.h"

namespace zweiblick {

bool SameAsRecorded(const FileFacts& now, const FileFacts& recorded, bool onFat) {
  if (!now.Known() || now.size != recorded.size) return false;
  // Kept only where inode numbers last: a file replaced by another of the
  // same size and time (a restore, a copy that kept the time) is a change.
  if (recorded.inode != 0 && now.inode != recorded.inode) return false;
  if (now.SameTime(recorded)) return true;
  if (!onFat) return false;
  const int64_t off = std::llabs(now.mtimeSec - recorded.mtimeSec);
  const int64_t hours = (off + kFatTimeStep) / 3600;
  return hours <= 14 && std::llabs(off - hours * 3600) <= kFatTimeStep;
}

SideChange SideChangeOf(std::string_view nameNow, const FileFacts& now, const RecordedFile* rec,
                        bool left, bool onFat) {
  if (!rec) return nameNow.empty() ? SideChange::kAbsent : SideChange::kNew;
  if (nameNow.empty()) return SideChange::kDeleted;
  if (!SameAsRecorded(now, left ? rec->left : rec->right, onFat)) return SideChange::kChanged;
  return nameNow == (left ? rec->leftName : rec->rightName) ? SideChange::kUnchanged
                                                            : SideChange::kRenamed;
}

ChangeVerdict DecideChange(SideChange l, SideChange r, bool holdDeletions) {
  using S = SideChange;
  auto kept = [](S s) { return s == S::kUnchanged || s == S::kRenamed; };
  if (kept(l) && kept(r)) {
    RowChange c = l == S::kRenamed   ? RowChange::kLeftRenamed
                  : r == S::kRenamed ? RowChange::kRightRenamed
                                     : RowChange::kUnchanged;
    return {kMarkEqual, c};
  }
  if (l == S::kChanged && kept(r)) return {kMarkCopyRight, RowChange::kLeftChanged};
  if (kept(l) && r == S::kChanged) return {kMarkCopyLeft, RowChange::kRightChanged};
  if (l == S::kDeleted && kept(r))
    return holdDeletions ? ChangeVerdict{kMarkSkip, RowChange::kLeftDeletedHeld}
                         : ChangeVerdict{kMarkDeleteRight, RowChange::kLeftDeleted};
  if (kept(l) && r == S::kDeleted)
    return holdDeletions ? ChangeVerdict{kMarkSkip, RowChange::kRightDeletedHeld}
                         : ChangeVerdict{kMarkDeleteLeft, RowChange::kRightDeleted};
  // A file changed on one side and deleted on the other is kept: the change
  // was meant, the deletion may have been of the old version.
  if (l == S::kDeleted && r == S::kChanged)
    return {kMarkCopyLeft, RowChange::kLeftDeletedRightChanged};
  if (l == S::kChanged && r == S::kDeleted)
    return {kMarkCopyRight, RowChange::kRightDeletedLeftChanged};
  if (l == S::kChanged && r == S::kChanged)
    return {kMarkSkip, RowChange::kBothChangedConflict, true};
  if (l == S::kNew && r == S::kNew) return {kMarkSkip, RowChange::kBothNewConflict, true};
  if (l == S::kNew && r == S::kAbsent) return {kMarkCopyRight, RowChange::kLeftNew};
  if (l == S::kAbsent && r == S::kNew) return {kMarkCopyLeft, RowChange::kRightNew};
  return {kMarkOrphan, RowChange::kNone};  // a row without a file
}

ChangeVerdict WithContents(ChangeVerdict v, bool equal) {
  if (!v.needsContents) return v;
  v.needsContents = false;
  if (!equal) return v;
  v.marker = kMarkEqual;
  v.change = v.change == RowChange::kBothNewConflict ? RowChange::kBothNewEqual
                                                     : RowChange::kBothChangedEqual;
  return v;
}

RecordMatch::RecordMatch(const PairRecordFiles& record, const ComparisonList& list)
    : recorded_(static_cast<int>(record.size())) {
  const int n = list.Count();
  ofRow_.assign(static_cast<size_t>(n), nullptr);
  rowOfEntry_.assign(record.size(), 0);
  std::string key;
  auto last = record.end();
  for (int row = 1; row <= n; ++row) {
    std::string_view left = list.View(row, kLeftNameColumn);
    std::string_view right = list.View(row, kRightNameColumn);
    if (left.empty() && right.empty()) continue;
    MatchKeyInto(left.empty() ? right : left, key);
    // The files of a folder mostly follow each other in the order of their
    // keys: the entry after the last one found is looked at first.
    auto found =
        last != record.end() && std::next(last) != record.end() && std::next(last)->first == key
            ? std::next(last)
            : record.find(key);
    if (found == record.end()) continue;
    last = found;
    // Two names of one side that differ only in letter case share a key: the
    // record cannot tell them apart, so for both there is none.
    int& first = rowOfEntry_[static_cast<size_t>(found - record.begin())];
    if (first != 0) {
      ofRow_[static_cast<size_t>(first - 1)] = nullptr;
      continue;
    }
    first = row;
    ofRow_[static_cast<size_t>(row - 1)] = &found->second;
    presentLeft_ += !left.empty();
    presentRight_ += !right.empty();
  }
}

// An unmounted stick, an emptied folder or a moved one look like a side whose
// files were all deleted: deletions are passed on only where at most half of
// what a side held is gone.
bool RecordMatch::HoldDeletions() const {
  return recorded_ > 0 && (2 * Gone(true) > recorded_ || 2 * Gone(false) > recorded_);
}

std::vector<std::string> RecordMatch::GoneOnBoth(const PairRecordFiles& record) const {
  std::vector<std::string> gone;
  size_t entry = 0;
  for (const auto& [key, file] : record)
    if (rowOfEntry_[entry++] == 0) gone.push_back(key);
  return gone;
}

std::string ConflictLines(const ChangeCounts& c) {
  if (c.conflicts.empty()) return {};
  constexpr size_t kNamed = 20;
  std::string text = std::to_string(c.conflicts.size()) +
                     (c.conflicts.size() == 1 ? " Konflikt" : " Konflikte") +
                     ": auf beiden Seiten verschieden geändert, markiert mit \"][\":\r";
  for (size_t i = 0; i < c.conflicts.size() && i < kNamed; ++i)
    text += "   " + c.conflicts[i] + "\r";
  if (c.conflicts.size() > kNamed)
    text += "   … und " + std::to_string(c.conflicts.size() - kNamed) + " weitere\r";
  return text;
}

std::string ChangeSummary(const ChangeCounts& c, const RecordMatch& match) {
  const std::string cr = "\r";
  std::string text =
      "Ergebnis des Änderungsvergleichs von " + std::to_string(c.total) + " Dateien:" + cr + cr;
  if (c.total == c.unchanged)
    return text + "Seit dem letzten Abgleich hat sich nichts geändert." + cr;
  auto line = [&](int count, const char* many, const char* one) {
    if (count != 0) text += std::to_string(count) + (count == 1 ? one : many) + cr;
  };
  line(c.leftChanged, " Dateien sind links neu oder geändert.",
       " Datei ist links neu oder geändert.");
  line(c.rightChanged, " Dateien sind rechts neu oder geändert.",
       " Datei ist rechts neu oder geändert.");
  line(c.leftDeleted, " Dateien wurden links gelöscht und werden rechts gelöscht.",
       " Datei wurde links gelöscht und wird rechts gelöscht.");
  line(c.rightDeleted, " Dateien wurden rechts gelöscht und werden links gelöscht.",
       " Datei wurde rechts gelöscht und wird links gelöscht.");
  line(c.copiedBack,
       " Dateien wurden auf einer Seite gelöscht und auf der anderen geändert: sie werden "
       "zurückkopiert.",
       " Datei wurde auf einer Seite gelöscht und auf der anderen geändert: sie wird "
       "zurückkopiert.");
  line(c.sameChange, " Dateien wurden auf beiden Seiten gleich geändert.",
       " Datei wurde auf beiden Seiten gleich geändert.");
  line(c.unchanged, " Dateien sind unverändert.", " Datei ist unverändert.");
  text += ConflictLines(c);
  line(c.unreadable, " Dateien sind auf beiden Seiten geändert und ließen sich nicht vergleichen.",
       " Datei ist auf beiden Seiten geändert und ließ sich nicht vergleichen.");
  if (c.held != 0) {
    for (bool left : {true, false}) {
      if (2 * match.Gone(left) <= match.Recorded()) continue;
      text += cr + std::string("Auf der ") + (left ? "linken" : "rechten") + " Seite fehlen " +
              std::to_string(match.Gone(left)) + " von " + std::to_string(match.Recorded()) +
              " Dateien des letzten Abgleichs (etwa ein nicht eingehängter Datenträger oder ein "
              "geleerter Ordner)." +
              cr;
    }
    text += "Darum wird nichts gelöscht: " + std::to_string(c.held) +
            " Zeilen sind mit \"][\" markiert." + cr;
  }
  return text;
}

}  // namespace zweiblick
