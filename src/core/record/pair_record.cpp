// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/pair_record.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <system_error>

namespace zweiblick {
namespace {

constexpr int kFormat = 1;

constexpr const char* kSchema =
    "CREATE TABLE pairs(id INTEGER PRIMARY KEY, key BLOB NOT NULL UNIQUE,"
    " unfinished INTEGER NOT NULL DEFAULT 0);"
    "CREATE TABLE files(pair INTEGER NOT NULL, key BLOB NOT NULL, lname BLOB, rname BLOB,"
    " facts BLOB NOT NULL, PRIMARY KEY(pair, key)) WITHOUT ROWID;";

const std::string kTextUnreadable = "Der gespeicherte Stand der Abgleiche ließ sich nicht lesen";

// The facts of both sides as variable-length numbers: most sizes, inodes and
// nanoseconds take a few bytes, and the record of 100,000 files stays small.
void PutNumber(std::string& out, uint64_t v) {
  while (v >= 0x80) {
    out += static_cast<char>((v & 0x7f) | 0x80);
    v >>= 7;
  }
  out += static_cast<char>(v);
}

bool GetNumber(const unsigned char*& p, const unsigned char* end, uint64_t& v) {
  v = 0;
  for (int shift = 0; shift < 64; shift += 7) {
    if (p == end) return false;
    unsigned char b = *p++;
    v |= static_cast<uint64_t>(b & 0x7f) << shift;
    if (!(b & 0x80)) return true;
  }
  return false;
}

uint64_t Zigzag(int64_t v) {
  return (static_cast<uint64_t>(v) << 1) ^ static_cast<uint64_t>(v >> 63);
}
int64_t Unzigzag(uint64_t v) {
  return static_cast<int64_t>(v >> 1) ^ -static_cast<int64_t>(v & 1);
}

std::string PackFacts(const FileFacts& l, const FileFacts& r) {
  std::string out;
  for (const FileFacts* f : {&l, &r}) {
    PutNumber(out, static_cast<uint64_t>(f->size));
    PutNumber(out, Zigzag(f->mtimeSec));
    PutNumber(out, static_cast<uint64_t>(f->mtimeNsec));
    PutNumber(out, f->inode);
  }
  return out;
}

bool UnpackFacts(const void* blob, int bytes, FileFacts& l, FileFacts& r) {
  const auto* p = static_cast<const unsigned char*>(blob);
  const unsigned char* end = p + bytes;
  for (FileFacts* f : {&l, &r}) {
    uint64_t size, sec, nsec, inode;
    if (!GetNumber(p, end, size) || !GetNumber(p, end, sec) || !GetNumber(p, end, nsec) ||
        !GetNumber(p, end, inode) || size > INT64_MAX || nsec >= 1000000000)
      return false;
    f->size = static_cast<int64_t>(size);
    f->mtimeSec = Unzigzag(sec);
    f->mtimeNsec = static_cast<int32_t>(nsec);
    f->inode = inode;
  }
  return p == end;
}

std::string ErrorOf(int rc) {
  return sqlite3_errstr(rc);
}

// The change counter of the database's header, through the connection's own
// file: SQLite raises it with every transaction that writes the file.
bool ChangesOf(sqlite3* db, uint32_t& changes) {
  sqlite3_file* file = nullptr;
  unsigned char b[4] = {};
  if (sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file ||
      !file->pMethods || file->pMethods->xRead(file, b, 4, 24) != SQLITE_OK)
    return false;
  changes = uint32_t{b[0]} << 24 | uint32_t{b[1]} << 16 | uint32_t{b[2]} << 8 | b[3];
  return true;
}

class Db {
 public:
  ~Db() {
    if (stmt_) sqlite3_finalize(stmt_);
    if (db_) sqlite3_close(db_);
  }
  // SQLITE_OK, or the first error; `newer`: the file is of a later format.
  int Open(const std::string& path, bool& newer) {
    newer = false;
    std::string folder = path.substr(0, path.rfind('/'));
    if (!folder.empty() && MakeFolders(folder) != 0) return SQLITE_CANTOPEN;
    int rc =
        sqlite3_open_v2(path.c_str(), &db_,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) return rc;
    sqlite3_extended_result_codes(db_, 0);
    sqlite3_busy_timeout(db_, 2000);
    // A rollback journal, every commit on the disk before it returns: a
    // power cut leaves the last record or the one before, never a mix.
    if ((rc = Exec("PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL;")) != SQLITE_OK) return rc;
    int version = 0;
    if ((rc = Prepare("PRAGMA user_version")) != SQLITE_OK) return rc;
    if ((rc = sqlite3_step(stmt_)) != SQLITE_ROW) return rc;
    version = sqlite3_column_int(stmt_, 0);
    Finish();
    if (version > kFormat) {
      newer = true;
      return SQLITE_OK;
    }
    if (version == kFormat) return SQLITE_OK;
    if ((rc = Exec("BEGIN IMMEDIATE")) != SQLITE_OK) return rc;
    rc = Exec(kSchema);
    if (rc == SQLITE_OK) rc = Exec("PRAGMA user_version=" + std::to_string(kFormat));
    if (rc == SQLITE_OK) rc = Exec("COMMIT");
    if (rc != SQLITE_OK) Exec("ROLLBACK");
    return rc;
  }
  int Exec(const std::string& sql) {
    return sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
  }
  int Prepare(const char* sql) {
    Finish();
    return sqlite3_prepare_v2(db_, sql, -1, &stmt_, nullptr);
  }
  void Finish() {
    if (stmt_) sqlite3_finalize(stmt_);
    stmt_ = nullptr;
  }
  sqlite3_stmt* Stmt() { return stmt_; }
  sqlite3* Get() { return db_; }
  // The id of the pair, or 0 where it has none (SQLITE_OK then).
  int PairId(const std::string& key, sqlite3_int64& id, int* unfinished = nullptr) {
    id = 0;
    int rc = Prepare("SELECT id, unfinished FROM pairs WHERE key = ?");
    if (rc != SQLITE_OK) return rc;
    sqlite3_bind_blob(stmt_, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) {
      id = sqlite3_column_int64(stmt_, 0);
      if (unfinished) *unfinished = sqlite3_column_int(stmt_, 1);
      rc = SQLITE_OK;
    } else if (rc == SQLITE_DONE) {
      rc = SQLITE_OK;
    }
    Finish();
    return rc;
  }

 private:
  sqlite3* db_ = nullptr;
  sqlite3_stmt* stmt_ = nullptr;
};

bool Corrupt(int rc) {
  return rc == SQLITE_CORRUPT || rc == SQLITE_NOTADB || rc == SQLITE_FORMAT;
}

// A damaged record is kept for whoever wants to look into it, with its
// journal: left behind, that journal would be played into the new one.
std::string SetAsideFile(const std::string& path) {
  char stamp[32];
  time_t now = time(nullptr);
  struct tm local {};
  localtime_r(&now, &local);
  strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  std::string aside = path + ".defekt-" + stamp;
  if (rename(path.c_str(), aside.c_str()) != 0) return {};
  std::string journal = path + "-journal";
  if (access(journal.c_str(), F_OK) == 0) rename(journal.c_str(), (aside + "-journal").c_str());
  return aside;
}

LoadedRecord Failed(LoadedRecord::State state, std::string problem) {
  LoadedRecord r;
  r.state = state;
  r.problem = std::move(problem);
  return r;
}

LoadedRecord FromError(const std::string& path, int rc) {
  using State = LoadedRecord::State;
  if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
    return Failed(State::kLocked,
                  "Der gespeicherte Stand der Abgleiche wird gerade von einem anderen Abgleich "
                  "geschrieben.");
  if (Corrupt(rc)) {
    std::string aside = SetAsideFile(path);
    if (aside.empty())
      return Failed(State::kUnreadable,
                    "Der gespeicherte Stand der Abgleiche '" + path + "' ist beschädigt.");
    return Failed(State::kUnreadable,
                  "Der gespeicherte Stand der Abgleiche war beschädigt; er "
                  "wurde als '" +
                      aside + "' beiseitegelegt und wird neu begonnen.");
  }
  return Failed(State::kUnreadable, kTextUnreadable + " (" + ErrorOf(rc) + ").");
}

}  // namespace

void PairRecordFiles::Add(std::string key, RecordedFile file) {
  if (!entries_.empty() && sorted_ && !(entries_.back().first < key)) sorted_ = false;
  entries_.emplace_back(std::move(key), std::move(file));
}

void PairRecordFiles::Sort() const {
  std::stable_sort(entries_.begin(), entries_.end(),
                   [](const Entry& a, const Entry& b) { return a.first < b.first; });
  // A key twice keeps its first file, as a map would.
  entries_.erase(std::unique(entries_.begin(), entries_.end(),
                             [](const Entry& a, const Entry& b) { return a.first == b.first; }),
                 entries_.end());
  sorted_ = true;
}

PairRecordFiles::const_iterator PairRecordFiles::find(std::string_view key) const {
  if (!sorted_) Sort();
  auto at = std::lower_bound(entries_.begin(), entries_.end(), key,
                             [](const Entry& e, std::string_view k) { return e.first < k; });
  return at != entries_.end() && at->first == key ? at : entries_.end();
}

std::string RecordStore::DefaultPath() {
  const char* state = getenv("XDG_STATE_HOME");
  std::string folder;
  if (state && state[0] == '/') {
    folder = state;
  } else {
    const char* home = getenv("HOME");
    if (!home || home[0] != '/') return {};
    folder = std::string(home) + "/.local/state";
  }
  return folder + "/zweiblick/abgleichstand.sqlite";
}

LoadedRecord RecordStore::Load(const std::string& pairKey) {
  if (distrusted_.count(pairKey)) {
    ahead_.reset();
    return Failed(LoadedRecord::State::kUnfinished,
                  "Der letzte Abgleich dieses Ordnerpaars wurde nicht zu Ende gespeichert.");
  }
  if (ahead_ && ahead_->pairKey == pairKey) {
    auto [record, seen] = ahead_->read.get();
    ahead_.reset();
    // A database that could not be read says why once: read again, one
    // set aside meanwhile would only be missing.
    if (record.state == LoadedRecord::State::kUnreadable || seen == SeenNow(path_)) return record;
  }
  ahead_.reset();
  Seen unused;
  return Read(path_, pairKey, unused);
}

void RecordStore::LoadAhead(const std::string& pairKey) {
  ahead_.reset();
  if (pairKey.empty() || path_.empty() || distrusted_.count(pairKey)) return;
  try {
    ahead_ = Ahead{pairKey, std::async(std::launch::async, [path = path_, pairKey] {
                     Seen seen;
                     LoadedRecord record = Read(path, pairKey, seen);
                     return std::make_pair(std::move(record), seen);
                   })};
  } catch (const std::system_error&) {
    ahead_.reset();  // no thread to be had: the Load reads then
  }
}

RecordStore::Seen RecordStore::SeenBy(sqlite3* db, const std::string& path,
                                      const struct stat& before) {
  Seen seen;
  struct stat after {};
  if (ChangesOf(db, seen.changes) && stat(path.c_str(), &after) == 0 &&
      after.st_dev == before.st_dev && after.st_ino == before.st_ino) {
    seen.known = seen.exists = true;
    seen.dev = after.st_dev;
    seen.ino = after.st_ino;
  }
  return seen;
}

RecordStore::Seen RecordStore::SeenNow(const std::string& path) {
  Seen seen;
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) {
    seen.known = errno == ENOENT;
    return seen;
  }
  // Looked at through SQLite, under its lock: a descriptor of our own,
  // once closed, would take the locks of every connection of this process.
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) ==
      SQLITE_OK) {
    sqlite3_busy_timeout(db, 2000);
    if (sqlite3_exec(db, "BEGIN; SELECT count(*) FROM sqlite_schema;", nullptr, nullptr, nullptr) ==
        SQLITE_OK)
      seen = SeenBy(db, path, st);
  }
  sqlite3_close_v2(db);
  return seen;
}

LoadedRecord RecordStore::Read(const std::string& path, const std::string& pairKey, Seen& seen) {
  using State = LoadedRecord::State;
  LoadedRecord none =
      Failed(State::kNone, "Für dieses Ordnerpaar ist noch kein Abgleich gespeichert.");
  struct stat before {};
  if (path.empty() || stat(path.c_str(), &before) != 0) {
    seen.known = !path.empty() && errno == ENOENT;
    return none;
  }
  Db db;
  bool newer = false;
  if (int rc = db.Open(path, newer); rc != SQLITE_OK) return FromError(path, rc);
  if (newer)
    return Failed(State::kUnreadable,
                  "Der gespeicherte Stand der Abgleiche stammt von einer neueren Version des "
                  "Programms.");
  // One read transaction: a writer cannot come between the pair and its files.
  if (int rc = db.Exec("BEGIN"); rc != SQLITE_OK) return FromError(path, rc);
  sqlite3_int64 id = 0;
  int unfinished = 0;
  if (int rc = db.PairId(pairKey, id, &unfinished); rc != SQLITE_OK) return FromError(path, rc);
  // What is read from here on is this state of the file.
  seen = SeenBy(db.Get(), path, before);
  if (id == 0) return none;
  if (unfinished)
    return Failed(State::kUnfinished,
                  "Der letzte Abgleich dieses Ordnerpaars wurde nicht zu Ende gespeichert.");
  LoadedRecord loaded;
  loaded.state = State::kRecord;
  // Sized once: growing a table of a million files rehashes it twenty times.
  int rc = db.Prepare("SELECT count(*) FROM files WHERE pair = ?");
  if (rc != SQLITE_OK) return FromError(path, rc);
  sqlite3_bind_int64(db.Stmt(), 1, id);
  if ((rc = sqlite3_step(db.Stmt())) != SQLITE_ROW) return FromError(path, rc);
  loaded.files.Reserve(static_cast<size_t>(sqlite3_column_int64(db.Stmt(), 0)));
  rc = db.Prepare("SELECT key, lname, rname, facts FROM files WHERE pair = ? ORDER BY key");
  if (rc != SQLITE_OK) return FromError(path, rc);
  sqlite3_stmt* s = db.Stmt();
  sqlite3_bind_int64(s, 1, id);
  auto text = [s](int column) {
    const void* p = sqlite3_column_blob(s, column);
    return std::string(static_cast<const char*>(p), p ? sqlite3_column_bytes(s, column) : 0);
  };
  while ((rc = sqlite3_step(s)) == SQLITE_ROW) {
    RecordedFile f;
    std::string key = text(0);
    f.leftName = sqlite3_column_type(s, 1) == SQLITE_NULL ? key : text(1);
    f.rightName = sqlite3_column_type(s, 2) == SQLITE_NULL ? f.leftName : text(2);
    if (!UnpackFacts(sqlite3_column_blob(s, 3), sqlite3_column_bytes(s, 3), f.left, f.right)) {
      rc = SQLITE_CORRUPT;
      break;
    }
    loaded.files.Add(std::move(key), std::move(f));
  }
  if (rc != SQLITE_DONE) {
    db.Finish();
    db.Exec("ROLLBACK");
    seen.known = false;
    return FromError(path, rc);
  }
  return loaded;
}

bool RecordStore::MarkUnfinished(const std::string& pairKey, std::string& problem) {
  if (path_.empty() || access(path_.c_str(), F_OK) != 0) return true;  // nothing to go stale
  Db db;
  bool newer = false;
  int rc = db.Open(path_, newer);
  if (rc == SQLITE_OK && newer) return true;  // never written by us, never read by us
  if (rc == SQLITE_OK &&
      (rc = db.Prepare("UPDATE pairs SET unfinished = 1 WHERE key = ?")) == SQLITE_OK) {
    sqlite3_bind_blob(db.Stmt(), 1, pairKey.data(), static_cast<int>(pairKey.size()),
                      SQLITE_STATIC);
    rc = sqlite3_step(db.Stmt());
    if (rc == SQLITE_DONE) return true;
  }
  problem = ErrorOf(rc);
  return false;
}

std::string RecordStore::SetAside() {
  return SetAsideFile(path_);
}

bool RecordStore::Write(const std::string& pairKey, const std::vector<RecordChange>& changes,
                        bool replaceAll, std::string& problem, const std::string& forget) {
  if (path_.empty()) {
    problem = "kein Ordner für den Stand bekannt";
    return false;
  }
  Db db;
  bool newer = false;
  int rc = db.Open(path_, newer);
  if (rc == SQLITE_OK && newer) {
    problem = "er stammt von einer neueren Version des Programms";
    return false;
  }
  auto fail = [&](int code) {
    problem = ErrorOf(code);
    db.Finish();
    db.Exec("ROLLBACK");
    return false;
  };
  if (rc != SQLITE_OK) return fail(rc);
  if ((rc = db.Exec("BEGIN IMMEDIATE")) != SQLITE_OK) return fail(rc);
  if ((rc = db.Prepare("INSERT OR IGNORE INTO pairs(key) VALUES(?)")) != SQLITE_OK) return fail(rc);
  sqlite3_bind_blob(db.Stmt(), 1, pairKey.data(), static_cast<int>(pairKey.size()), SQLITE_STATIC);
  if ((rc = sqlite3_step(db.Stmt())) != SQLITE_DONE) return fail(rc);
  sqlite3_int64 id = 0;
  if ((rc = db.PairId(pairKey, id)) != SQLITE_OK || id == 0)
    return fail(rc == SQLITE_OK ? SQLITE_ERROR : rc);
  if (replaceAll) {
    if ((rc = db.Prepare("DELETE FROM files WHERE pair = ?")) != SQLITE_OK) return fail(rc);
    sqlite3_bind_int64(db.Stmt(), 1, id);
    if ((rc = sqlite3_step(db.Stmt())) != SQLITE_DONE) return fail(rc);
  }
  if (!forget.empty() && forget != pairKey) {
    sqlite3_int64 old = 0;
    if ((rc = db.PairId(forget, old)) != SQLITE_OK) return fail(rc);
    for (const char* sql : {"DELETE FROM files WHERE pair = ?", "DELETE FROM pairs WHERE id = ?"}) {
      if ((rc = db.Prepare(sql)) != SQLITE_OK) return fail(rc);
      sqlite3_bind_int64(db.Stmt(), 1, old);
      if ((rc = sqlite3_step(db.Stmt())) != SQLITE_DONE) return fail(rc);
    }
  }
  auto step = [&](const std::string& key, const RecordedFile* f) {
    sqlite3_stmt* s = db.Stmt();
    sqlite3_reset(s);
    sqlite3_clear_bindings(s);
    sqlite3_bind_int64(s, 1, id);
    sqlite3_bind_blob(s, 2, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
    if (f) {
      if (f->leftName != key)
        sqlite3_bind_blob(s, 3, f->leftName.data(), static_cast<int>(f->leftName.size()),
                          SQLITE_TRANSIENT);
      if (f->rightName != f->leftName)
        sqlite3_bind_blob(s, 4, f->rightName.data(), static_cast<int>(f->rightName.size()),
                          SQLITE_TRANSIENT);
      std::string facts = PackFacts(f->left, f->right);
      sqlite3_bind_blob(s, 5, facts.data(), static_cast<int>(facts.size()), SQLITE_TRANSIENT);
    }
    return sqlite3_step(s);
  };
  // The new states first, then the files to forget, each with its own statement.
  if ((rc = db.Prepare("INSERT OR REPLACE INTO files(pair, key, lname, rname, facts)"
                       " VALUES(?, ?, ?, ?, ?)")) != SQLITE_OK)
    return fail(rc);
  // In the keys' order: rows that come in order fill the table's pages,
  // rows in the walk's order leave them half empty (a record half as big).
  std::vector<const RecordChange*> inOrder;
  inOrder.reserve(changes.size());
  for (const RecordChange& c : changes) inOrder.push_back(&c);
  std::stable_sort(
      inOrder.begin(), inOrder.end(),
      [](const RecordChange* a, const RecordChange* b) { return a->first < b->first; });
  for (const RecordChange* c : inOrder)
    if (c->second && (rc = step(c->first, &*c->second)) != SQLITE_DONE) return fail(rc);
  if ((rc = db.Prepare("DELETE FROM files WHERE pair = ? AND key = ?")) != SQLITE_OK)
    return fail(rc);
  for (const RecordChange* c : inOrder)
    if (!c->second && (rc = step(c->first, nullptr)) != SQLITE_DONE) return fail(rc);
  if ((rc = db.Prepare("UPDATE pairs SET unfinished = 0 WHERE id = ?")) != SQLITE_OK)
    return fail(rc);
  sqlite3_bind_int64(db.Stmt(), 1, id);
  if ((rc = sqlite3_step(db.Stmt())) != SQLITE_DONE) return fail(rc);
  db.Finish();
  if ((rc = db.Exec("COMMIT")) != SQLITE_OK) return fail(rc);
  distrusted_.erase(pairKey);
  return true;
}

}  // namespace zweiblick
