// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/run_journal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "record/pair_record.h"
#include "sync/failure_reason.h"

namespace zweiblick {
namespace {

constexpr const char* kHeader = "zweiblick-protokoll 1";

// Names may hold any byte but '/' and NUL: the ones that would break a line
// or a field go as %XX.
std::string Escaped(const std::string& text) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (c <= ' ' || c == '%' || c == 0x7f) {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

bool Unescaped(std::string_view text, std::string& out) {
  out.clear();
  auto digit = [](char c) {
    return c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return false;
    int hi = digit(text[i + 1]), lo = digit(text[i + 2]);
    if (hi < 0 || lo < 0) return false;
    out += static_cast<char>(hi * 16 + lo);
    i += 2;
  }
  return true;
}

std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  for (size_t tab; (tab = line.find('\t', start)) != std::string_view::npos; start = tab + 1)
    fields.push_back(line.substr(start, tab - start));
  fields.push_back(line.substr(start));
  return fields;
}

bool Number(std::string_view text, long long& value) {
  if (text.empty() || text.size() > 20) return false;
  std::string s(text);
  char* end = nullptr;
  errno = 0;
  value = std::strtoll(s.c_str(), &end, 10);
  return errno == 0 && *end == '\0';
}

std::string FactsFields(const FileFacts& f) {
  return std::to_string(f.size) + '\t' + std::to_string(f.mtimeSec) + '\t' +
         std::to_string(f.mtimeNsec) + '\t' + std::to_string(f.inode);
}

bool Inode(std::string_view text, uint64_t& value) {
  if (text.empty() || text.size() > 20 || text[0] == '-') return false;
  std::string s(text);
  char* end = nullptr;
  errno = 0;
  value = std::strtoull(s.c_str(), &end, 10);
  return errno == 0 && *end == '\0';
}

bool ReadFacts(const std::vector<std::string_view>& fields, size_t at, FileFacts& f) {
  long long size = 0, sec = 0, nsec = 0;
  uint64_t inode = 0;
  if (fields.size() < at + 4 || !Number(fields[at], size) || !Number(fields[at + 1], sec) ||
      !Number(fields[at + 2], nsec) || !Inode(fields[at + 3], inode) || nsec < 0 ||
      nsec > 999999999 || size < 0)
    return false;
  f.size = size;
  f.mtimeSec = sec;
  f.mtimeNsec = static_cast<int32_t>(nsec);
  f.inode = inode;
  return true;
}

std::string EntryLine(const JournalEntry& e) {
  const char* kind = e.kind == JournalEntry::Kind::kCopy      ? "kopie"
                     : e.kind == JournalEntry::Kind::kTrashed ? "papierkorb"
                                                              : "endgueltig";
  std::string line = std::string(kind) + '\t' + (e.left ? "L" : "R") + '\t' + Escaped(e.rel);
  if (e.kind != JournalEntry::Kind::kGone) line += '\t' + FactsFields(e.facts);
  if (e.kind == JournalEntry::Kind::kTrashed)
    line += '\t' + Escaped(e.trash) + '\t' + Escaped(e.inTrash);
  return line + '\n';
}

bool ReadEntry(const std::vector<std::string_view>& f, JournalEntry& e) {
  using Kind = JournalEntry::Kind;
  if (f.size() < 3 || (f[1] != "L" && f[1] != "R") || !Unescaped(f[2], e.rel) || e.rel.empty())
    return false;
  e.left = f[1] == "L";
  if (f[0] == "endgueltig") {
    e.kind = Kind::kGone;
    return f.size() == 3;
  }
  if (f[0] == "kopie") {
    e.kind = Kind::kCopy;
    return f.size() == 7 && ReadFacts(f, 3, e.facts);
  }
  e.kind = Kind::kTrashed;
  return f[0] == "papierkorb" && f.size() == 9 && ReadFacts(f, 3, e.facts) &&
         Unescaped(f[7], e.trash) && Unescaped(f[8], e.inTrash) && !e.inTrash.empty();
}

int SyncFolder(const std::string& folder) {
  Fd dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir.ok()) return errno;
  if (fsync(dir.get()) != 0 && errno != EINVAL) return errno;
  return dir.Close();
}

// 64-bit FNV-1a: the file name of a pair's journal, the same in every build.
std::string HashName(const std::string& key) {
  uint64_t h = 14695981039346656037ULL;
  for (unsigned char c : key) h = (h ^ c) * 1099511628211ULL;
  char name[32];
  std::snprintf(name, sizeof name, "%016llx.txt", static_cast<unsigned long long>(h));
  return name;
}

}  // namespace

RunJournal::RunJournal(std::string folder, std::string pairKey, std::string leftRoot,
                       std::string rightRoot)
    : folder_(std::move(folder)), path_(PathOf(folder_, pairKey)), pairKey_(std::move(pairKey)) {
  roots_[0] = std::move(leftRoot);
  roots_[1] = std::move(rightRoot);
}

std::string RunJournal::DefaultFolder() {
  std::string record = RecordStore::DefaultPath();
  size_t slash = record.rfind('/');
  return slash == std::string::npos ? std::string() : record.substr(0, slash) + "/letzte-abgleiche";
}

std::string RunJournal::PathOf(const std::string& folder, const std::string& pairKey) {
  return folder + "/" + HashName(pairKey);
}

void RunJournal::Fail(int error) {
  if (!error_) error_ = error;
  fd_ = Fd();
}

bool RunJournal::Open(const std::string& first) {
  if (fd_.ok()) {
    if (int e = WriteAll(fd_.get(), first)) return Fail(e), false;
    return true;
  }
  if (error_ || finished_ || folder_.empty() || pairKey_.empty()) return false;
  if (int e = MakeFolders(folder_)) return Fail(e), false;
  // Beside its place until its first entry is on the disk: the journal it
  // replaces stays whole until then, and a run that did nothing leaves it.
  const std::string fresh = path_ + ".neu";
  Fd out(open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600));
  if (!out.ok()) return Fail(errno), false;
  std::string head = std::string(kHeader) + "\npaar\t" + Escaped(pairKey_) + "\nordner\t" +
                     Escaped(roots_[0]) + '\t' + Escaped(roots_[1]) + "\nbeginn\t" +
                     std::to_string(static_cast<long long>(time(nullptr))) + '\n';
  int e = WriteAll(out.get(), head + first);
  if (!e && fsync(out.get()) != 0) e = errno;
  if (!e && rename(fresh.c_str(), path_.c_str()) != 0) e = errno;
  if (!e) e = SyncFolder(folder_);
  if (e) {
    unlink(fresh.c_str());
    return Fail(e), false;
  }
  fd_ = std::move(out);
  return true;
}

void RunJournal::Add(const JournalEntry& entry) {
  // Not synced one by one: a run killed keeps what it wrote in the page cache,
  // and the end of the run syncs the whole.
  Open(EntryLine(entry));
}

void RunJournal::Lost(int error) {
  Fail(error ? error : EIO);
}

std::string RunJournal::Finish() {
  if (finished_) return {};
  finished_ = true;
  if (fd_.ok()) {
    int e = WriteAll(fd_.get(), "ende\n");
    if (!e && fsync(fd_.get()) != 0) e = errno;
    if (int closed = fd_.Close(); !e) e = closed;
    if (e) Fail(e);
  }
  if (!error_) return {};
  // The run itself stands; only its undo is not to be had. A journal left
  // would undo only part of it.
  std::string text =
      "Dieser Abgleich lässt sich nicht rückgängig machen: sein Protokoll konnte nicht "
      "geschrieben werden (" +
      FailureReason(error_) + ").";
  if (unlink(path_.c_str()) != 0 && errno != ENOENT)
    text += "\rDas unvollständige Protokoll " + path_ + " ließ sich nicht entfernen (" +
            FailureReason(errno) + "); löschen Sie es, bevor Sie rückgängig machen.";
  return text;
}

bool RunJournal::Read(const std::string& path, RunJournalText& out, std::string& problem) {
  out = RunJournalText{};
  Fd in(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW));
  if (!in.ok()) {
    problem = errno == ENOENT ? "Für dieses Ordnerpaar ist kein Abgleich rückgängig zu machen."
                              : "Das Protokoll des letzten Abgleichs lässt sich nicht lesen (" +
                                    FailureReason(errno) + ").";
    return false;
  }
  std::string text;
  char buf[65536];
  for (;;) {
    ssize_t n = read(in.get(), buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      problem = "Das Protokoll des letzten Abgleichs lässt sich nicht lesen (" +
                FailureReason(errno) + ").";
      return false;
    }
    if (n == 0) break;
    text.append(buf, static_cast<size_t>(n));
  }
  problem = "Das Protokoll des letzten Abgleichs ist beschädigt; es wird nichts verändert.";
  // A line the killed run did not finish writing is not read: its
  // operation is the one that may not have happened.
  std::vector<std::string_view> lines;
  std::string_view rest(text);
  for (size_t nl; (nl = rest.find('\n')) != std::string_view::npos; rest.remove_prefix(nl + 1))
    lines.push_back(rest.substr(0, nl));
  if (lines.size() < 4 || lines[0] != kHeader) return false;
  std::vector<std::string_view> pair = Fields(lines[1]), roots = Fields(lines[2]),
                                when = Fields(lines[3]);
  if (pair.size() != 2 || pair[0] != "paar" || !Unescaped(pair[1], out.pairKey) ||
      roots.size() != 3 || roots[0] != "ordner" || !Unescaped(roots[1], out.roots[0]) ||
      !Unescaped(roots[2], out.roots[1]) || when.size() != 2 || when[0] != "beginn" ||
      !Number(when[1], out.when))
    return false;
  for (size_t i = 4; i < lines.size(); ++i) {
    if (lines[i] == "ende" && i + 1 == lines.size()) {
      out.ended = true;
      break;
    }
    JournalEntry e;
    if (!ReadEntry(Fields(lines[i]), e)) return false;
    out.entries.push_back(std::move(e));
  }
  problem.clear();
  return true;
}

}  // namespace zweiblick
