// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/file_identity.h"

#include "platform/far_away.h"

namespace zweiblick {

FileIdentity FileIdentity::Of(const struct stat& st) {
  FileIdentity id;
  id.device = static_cast<uint64_t>(st.st_dev);
  id.inode = static_cast<uint64_t>(st.st_ino);
  id.mode = static_cast<uint32_t>(st.st_mode);
  id.owner = static_cast<uint32_t>(st.st_uid);
  id.group = static_cast<uint32_t>(st.st_gid);
  id.size = static_cast<int64_t>(st.st_size);
  id.mtimeSec = static_cast<int64_t>(st.st_mtim.tv_sec);
  id.mtimeNsec = static_cast<int32_t>(st.st_mtim.tv_nsec);
  id.ctimeSec = static_cast<int64_t>(st.st_ctim.tv_sec);
  id.ctimeNsec = static_cast<int32_t>(st.st_ctim.tv_nsec);
  return id;
}

FileIdentity FileIdentity::Seen(const FileFacts& facts) {
  FileIdentity id;
  id.device = facts.device;
  id.inode = facts.inode;
  id.size = facts.size;
  id.mtimeSec = facts.mtimeSec;
  id.mtimeNsec = facts.mtimeNsec;
  return id;
}

bool Same(const FileIdentity& now, const FileIdentity& was, Sameness level, bool inodesLast) {
  const unsigned a = inodesLast ? level.lasting : level.fleeting;
  return (!(a & kDevice) || now.device == was.device) &&
         (!(a & kInode) || now.inode == was.inode) && (!(a & kKind) || now.mode == was.mode) &&
         (!(a & kOwnerGroup) || (now.owner == was.owner && now.group == was.group)) &&
         (!(a & kSize) || now.size == was.size) &&
         (!(a & kMtime) || (now.mtimeSec == was.mtimeSec && now.mtimeNsec == was.mtimeNsec)) &&
         (!(a & kCtime) || (now.ctimeSec == was.ctimeSec && now.ctimeNsec == was.ctimeNsec));
}

bool SameOn(int fd, const FileIdentity& now, const FileIdentity& was, Sameness level) {
  return Same(now, was, level, false) && (Same(now, was, level, true) || !InodesLast(fd));
}

}  // namespace zweiblick
