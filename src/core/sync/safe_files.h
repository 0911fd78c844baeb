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

// Creates the missing folders of root + rel up to the file's own folder: the
// root as an ordinary path, the folders below it without following links.
// Returns 0 or an error number.
int PrepareTarget(const std::string& root, const std::string& rel);

// Copies root/srcRel to dstRoot/dstRel through a temporary file in the
// destination folder, with the source's permission bits and modification time.
// Returns 0 or an error number; on failure the destination is as it was.
int CopyBeneath(const std::string& srcRoot, const std::string& srcRel, const std::string& dstRoot,
                const std::string& dstRel, const SeenFile& destination, DurableRun& run);

// Deletes root/rel (a link is removed, never its target; never a folder).
int DeleteBeneath(const std::string& root, const std::string& rel, const SeenFile& target, DurableRun& run);

}  // namespace zweiblick
