// File operations of the synchronisation that cannot lose data: they stay below
// the chosen folder, never follow a link on the way, never replace or delete a
// file that changed since the folders were read, and replace a destination only
// once its new contents are complete.
#pragma once

#include <set>
#include <string>

namespace zweiblick {

// What the caller saw of a file when the folders were read.
struct SeenFile {
  bool existed = false;
  std::string stamp;  // its time stamp then, when it existed
};

// Returned when a file changed (or appeared) since it was seen.
inline constexpr int kChangedSinceRead = -1;

// Remembers the file systems written to, so the run can make them durable once.
class DurableRun {
 public:
  DurableRun() = default;
  DurableRun(const DurableRun&) = delete;
  DurableRun& operator=(const DurableRun&) = delete;
  ~DurableRun() { Finish(); }
  void Touched(const std::string& root) { roots_.insert(root); }
  // One syncfs for every file system touched.
  void Finish();

 private:
  std::set<std::string> roots_;
};

// One chosen folder. The folders below it are entered one level at a time
// without following links, so nothing is ever reached through a link or
// outside it. The last folder entered stays open: the rows of one folder
// follow each other, and most files are then found by their name alone.
class SideFolder {
 public:
  explicit SideFolder(std::string root) : root_(std::move(root)) {}
  SideFolder(const SideFolder&) = delete;
  SideFolder& operator=(const SideFolder&) = delete;
  ~SideFolder();
  const std::string& Root() const { return root_; }
  // Opens the folder that holds rel (kept open by this object) and sets `name`
  // to the file's own name. create: make the missing folders on the way.
  int Parent(const std::string& rel, bool create, int& folder, std::string& name);

 private:
  std::string root_;
  std::string openFolder_;
  int fd_ = -1;
};

// Creates the missing folders of root + rel up to the file's own folder: the
// root as an ordinary path, the folders below it without following links.
// Returns 0 or an error number.
int PrepareTarget(SideFolder& side, const std::string& rel);

// Copies src/srcRel to dst/dstRel through a temporary file in the destination
// folder, with the source's permission bits and modification time. Returns 0
// or an error number; on failure the destination is as it was.
int CopyBeneath(SideFolder& src, const std::string& srcRel, SideFolder& dst,
                const std::string& dstRel, const SeenFile& destination, DurableRun& run);

// Deletes side/rel (a link is removed, never its target; never a folder).
int DeleteBeneath(SideFolder& side, const std::string& rel, const SeenFile& target,
                  DurableRun& run);

}  // namespace zweiblick
