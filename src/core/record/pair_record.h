// SPDX-License-Identifier: GPL-3.0-or-later
// The record of what both sides of a pair of folders held after the last run
// that left them in sync, kept in one SQLite database in the user's state
// folder. Nothing of it is ever written onto the two sides.
#pragma once

#include <sys/types.h>

#include <future>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "files/file_facts.h"

struct sqlite3;
struct stat;

namespace zweiblick {

// One file as both sides held it. The inode is kept only where inode numbers
// last (0 otherwise); the device is never kept, as it changes between mounts.
struct RecordedFile {
  std::string leftName, rightName;
  FileFacts left, right;
};

// A pair's record by match key (the name with its letter case folded), in
// the order of the keys' bytes: the database hands them out so, and a sorted
// array of a million files loads in a fraction of a hash table's time.
class PairRecordFiles {
 public:
  using Entry = std::pair<std::string, RecordedFile>;
  using const_iterator = std::vector<Entry>::const_iterator;

  // Keys added in rising order are kept as they come; any other order is
  // put right by the first look-up.
  void Add(std::string key, RecordedFile file);
  void Reserve(size_t n) { entries_.reserve(n); }
  const_iterator find(std::string_view key) const;
  const_iterator begin() const {
    if (!sorted_) Sort();
    return entries_.begin();
  }
  const_iterator end() const { return entries_.end(); }
  size_t size() const {
    if (!sorted_) Sort();
    return entries_.size();
  }

 private:
  void Sort() const;
  mutable std::vector<Entry> entries_;
  mutable bool sorted_ = true;
};

struct LoadedRecord {
  enum class State {
    kRecord,      // the pair's record as the last run left it
    kNone,        // no run of this pair has been recorded
    kUnfinished,  // the last run ended before its record was written
    kUnreadable,  // corrupt (now set aside), of a newer format, or cannot be opened
    kLocked,      // another instance of the program is writing it
  } state = State::kNone;
  PairRecordFiles files;
  std::string problem;  // for every state but kRecord: why, as the user reads it
};

// A change of the record: the new state of a file, or nullopt to forget it.
using RecordChange = std::pair<std::string, std::optional<RecordedFile>>;

class RecordStore {
 public:
  explicit RecordStore(std::string path) : path_(std::move(path)) {}

  // $XDG_STATE_HOME/zweiblick/abgleichstand.sqlite, or the same below
  // ~/.local/state; empty where neither can be told.
  static std::string DefaultPath();
  const std::string& Path() const { return path_; }

  LoadedRecord Load(const std::string& pairKey);
  // Starts reading the pair's record on a thread of its own, for the Load of
  // the same pair that follows soon (a comparison right after the filling).
  // That Load takes what was read only where the database has not been
  // written since; otherwise it reads again.
  void LoadAhead(const std::string& pairKey);
  // A read ahead that is not going to be asked for: its memory goes.
  void DropAhead() { ahead_.reset(); }
  // Until the read ahead has ended.
  void AwaitAhead() const {
    if (ahead_) ahead_->read.wait();
  }
  // Before the first file of a run is touched: until the run's record is
  // written, the pair's record counts as unfinished. False with `problem`
  // where that cannot be written.
  bool MarkUnfinished(const std::string& pairKey, std::string& problem);
  // The run's changes, in one transaction that also ends the unfinished mark.
  // `replaceAll`: the changes are the pair's whole record. `forget`: a pair
  // whose record this one takes over (the same folders the other way round).
  bool Write(const std::string& pairKey, const std::vector<RecordChange>& changes, bool replaceAll,
             std::string& problem, const std::string& forget = {});
  // Puts the database aside under a new name, kept: where a pair's record
  // could be neither brought up to date nor marked so, it must not be read
  // again. The new name, or empty where that failed too.
  std::string SetAside();
  // A pair whose record went stale and could be neither written nor marked
  // so (a read-only or full home) is not trusted again by this instance
  // until a run writes it.
  void Distrust(const std::string& pairKey) { distrusted_.insert(pairKey); }

 private:
  // Which state of the database file a read saw: the file, and the change
  // counter SQLite raises with every transaction that writes it.
  struct Seen {
    bool known = false;  // false: the read cannot be told apart from a later state
    bool exists = false;
    dev_t dev = 0;
    ino_t ino = 0;
    uint32_t changes = 0;
    bool operator==(const Seen& o) const {
      return known && o.known && exists == o.exists && dev == o.dev && ino == o.ino &&
             changes == o.changes;
    }
  };
  static LoadedRecord Read(const std::string& path, const std::string& pairKey, Seen& seen);
  static Seen SeenNow(const std::string& path);
  // The state `db` sees, in a transaction that has read, of the file looked
  // at as `before`: unknown where its name leads to another file now, for
  // the connection may have opened either.
  static Seen SeenBy(sqlite3* db, const std::string& path, const struct stat& before);

  struct Ahead {
    std::string pairKey;
    std::future<std::pair<LoadedRecord, Seen>> read;
  };
  std::string path_;
  std::set<std::string> distrusted_;
  std::optional<Ahead> ahead_;
};

}  // namespace zweiblick
