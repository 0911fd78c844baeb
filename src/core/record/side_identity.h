// SPDX-License-Identifier: GPL-3.0-or-later
// A chosen folder named so that the same folder is found again after its
// stick was mounted somewhere else: the file system it lies on and its path
// below that file system's top.
#pragma once

#include <string>

namespace zweiblick {

struct SideIdentity {
  // "uuid:…" where the file system has a UUID or serial, "dev:…" for a
  // device without one, "net:…" for a network share, else the kind of file
  // system and where it is mounted (a tmpfs exists only where it is mounted).
  std::string fileSystem;
  std::string below;  // the folder's path below the top of that file system
  bool Known() const { return !fileSystem.empty(); }
};

// Empty (not Known) where the folder or its mount cannot be found.
SideIdentity SideIdentityOf(const std::string& folder);

// The key of a pair of folders in the record: the left side's identity, then
// the right one's.
std::string PairKeyOf(const SideIdentity& left, const SideIdentity& right);

}  // namespace zweiblick
