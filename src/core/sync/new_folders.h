// SPDX-License-Identifier: GPL-3.0-or-later
// The permission bits of the folders a copy creates on its way to the
// destination.
#pragma once

#include <sys/types.h>

#include <string>
#include <utility>

namespace zweiblick {

// The source's folders of one copy: root/rel, rel with the same folders as
// the destination's relative name (the names of the source's side).
class SourceFolders {
 public:
  SourceFolders(std::string root, std::string rel) : root_(std::move(root)), rel_(std::move(rel)) {}
  // The bits for a new folder at `depth` (0: the first below the chosen
  // folder): those of the source's folder there, never setuid, setgid or
  // sticky, and the creator may always enter and write it (a copy from a
  // read-only disc must still get in). mkdir then applies the umask or the
  // parent's default ACL. Only owner bits where the source cannot be read.
  mode_t ModeAt(size_t depth) const;

 private:
  std::string root_, rel_;
};

}  // namespace zweiblick
