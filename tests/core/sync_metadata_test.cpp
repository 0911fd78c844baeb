// SPDX-License-Identifier: GPL-3.0-or-later
// What a copy carries besides the bytes: folder modes, ACLs, user attributes,
// holes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/posix_acl.h>
#include <linux/posix_acl_xattr.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "child_process.h"
#include "list/markers.h"
#include "slow_fs_mount.h"
#include "sync/synchronize_folders.h"
#include "two_trees.h"

namespace zweiblick {
namespace {

struct SyncMetadata : testing::TwoTrees {
  void CopyRight(std::initializer_list<const char*> names) {
    for (const char* name : names) Mark(name, kMarkCopyRight);
    w.SynchronizeFolders();
  }
};

std::optional<std::string> Xattr(const std::string& path, const char* name) {
  char value[4096];
  ssize_t n = lgetxattr(path.c_str(), name, value, sizeof value);
  if (n < 0) return std::nullopt;
  return std::string(value, static_cast<size_t>(n));
}

void SetXattr(const std::string& path, const char* name, const std::string& value) {
  ASSERT_EQ(lsetxattr(path.c_str(), name, value.data(), value.size(), 0), 0) << path << " " << name;
}

// An ACL as the kernel stores it; entries in the kernel's order (by tag, then id).
struct AclEntry {
  uint16_t tag, perm;
  uint32_t id = ACL_UNDEFINED_ID;
};
std::string Acl(std::initializer_list<AclEntry> entries) {
  std::string out;
  auto put = [&](const void* p, size_t n) { out.append(static_cast<const char*>(p), n); };
  uint32_t version = POSIX_ACL_XATTR_VERSION;
  put(&version, 4);
  for (const AclEntry& e : entries) {
    put(&e.tag, 2);
    put(&e.perm, 2);
    put(&e.id, 4);
  }
  return out;
}

TEST_F(SyncMetadata, NewFoldersTakeTheSourceFoldersBitsNeverWider) {
  left.Write("a/b/c/f.txt", "f");
  left.Write("ro/x", "x");
  right.Write("R/s/t", "t");
  chmod(left.Path("a").c_str(), 0700);
  chmod(left.Path("a/b").c_str(), 0750);
  chmod(left.Path("a/b/c").c_str(), 07777);
  chmod(left.Path("ro").c_str(), 0555);  // from a CD: the copy must still get in
  chmod(right.Path("R").c_str(), 0711);
  chmod(right.Path("R/s").c_str(), 0700);
  mode_t oldMask = umask(022);
  Fill();
  Mark("a/b/c/f.txt", kMarkCopyRight);
  Mark("ro/x", kMarkCopyRight);
  Mark("R/s/t", kMarkCopyLeft);
  w.SynchronizeFolders();
  umask(oldMask);
  EXPECT_TRUE(port.messages.empty());
  EXPECT_EQ(right.Read("a/b/c/f.txt"), "f");
  EXPECT_EQ(right.Mode("a"), 0700u);
  EXPECT_EQ(right.Mode("a/b"), 0750u);
  EXPECT_EQ(right.Mode("a/b/c"), 0755u);  // no setuid, setgid, sticky; the umask
  EXPECT_EQ(right.Mode("ro"), 0755u);
  EXPECT_EQ(left.Mode("R"), 0711u);
  EXPECT_EQ(left.Mode("R/s"), 0700u);
}

TEST_F(SyncMetadata, ReplacedFilesKeepTheirAclAndCopiesCarryUserAttributes) {
  Both("f", "new", "old", 2000000000, 1000000000);
  chmod(right.Path("f").c_str(), 0644);
  // Everybody may read it, except the interns' group.
  const std::string shutOut = Acl(
      {{ACL_USER_OBJ, 6}, {ACL_GROUP_OBJ, 4}, {ACL_GROUP, 0, 4242}, {ACL_MASK, 4}, {ACL_OTHER, 4}});
  SetXattr(right.Path("f"), "system.posix_acl_access", shutOut);
  SetXattr(left.Path("f"), "user.xdg.tags", "urlaub");
  SetXattr(left.Path("f"), "user.rating", "5");
  SetXattr(right.Path("f"), "user.old", "of the old version");
  // A private file in a folder whose default ACL would share a new one.
  Both("shared/g", "new", "old", 2000000000, 1000000000);
  chmod(right.Path("shared/g").c_str(), 0600);
  SetXattr(right.Path("shared"), "system.posix_acl_default",
           Acl({{ACL_USER_OBJ, 7},
                {ACL_GROUP_OBJ, 5},
                {ACL_GROUP, 7, 4243},
                {ACL_MASK, 7},
                {ACL_OTHER, 0}}));
  // A read-only source, copied by an ordinary user, keeps its attributes too.
  left.Write("readonly.txt", "r");
  SetXattr(left.Path("readonly.txt"), "user.tag", "t");
  chmod(left.Path("readonly.txt").c_str(), 0444);
  chmod(left.Path().c_str(), 0755);
  chmod(right.Path().c_str(), 0777);
  Fill();
  CopyRight({"f", "shared/g"});
  EXPECT_TRUE(port.messages.empty());
  EXPECT_EQ(right.Read("f"), "new");
  EXPECT_EQ(Xattr(right.Path("f"), "system.posix_acl_access"), shutOut);
  EXPECT_EQ(right.Mode("f"), 0644u);
  EXPECT_EQ(Xattr(right.Path("f"), "user.xdg.tags"), "urlaub");
  EXPECT_EQ(Xattr(right.Path("f"), "user.rating"), "5");
  EXPECT_EQ(Xattr(right.Path("f"), "user.old"), std::nullopt);
  EXPECT_EQ(right.Read("shared/g"), "new");
  EXPECT_EQ(Xattr(right.Path("shared/g"), "system.posix_acl_access"), std::nullopt);
  EXPECT_EQ(right.Mode("shared/g"), 0600u);

  int held = testing::InChild([&] {
    testing::OrdinaryUserOrCannot();
    Fill();
    CopyRight({"readonly.txt"});
    return port.messages.empty();
  });
  EXPECT_NE(held, 1);
  if (held == 0) {
    EXPECT_EQ(Xattr(right.Path("readonly.txt"), "user.tag"), "t");
    EXPECT_EQ(right.Mode("readonly.txt"), 0444u);
  }

  // Where the file system keeps no attributes at all, the copy stands without them.
  EXPECT_NE(testing::InChildOnMount(right.Path(), "ramfs", nullptr,
                                    [&] {
                                      Fill();
                                      CopyRight({"f"});
                                      return port.messages.empty() && right.Read("f") == "new";
                                    }),
            1);
}

// 1 GiB with 4 MiB of data: at the start, in the middle and near the end,
// which is a hole again.
void WriteSparse(const std::string& path) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  std::string chunk(1 << 20, 'x');
  for (off_t at : {0L, 512L << 20, (1L << 30) - (3L << 20), (1L << 30) - (2L << 20)}) {
    for (char& c : chunk) c = static_cast<char>('a' + (at >> 20) % 26);
    ASSERT_EQ(pwrite(fd, chunk.data(), chunk.size(), at), static_cast<ssize_t>(chunk.size()));
  }
  ASSERT_EQ(ftruncate(fd, 1L << 30), 0);
  close(fd);
}

// The data extents of a file (SEEK_DATA, SEEK_HOLE) and their bytes.
std::vector<std::pair<off_t, std::string>> Extents(const std::string& path) {
  std::vector<std::pair<off_t, std::string>> out;
  int fd = open(path.c_str(), O_RDONLY);
  off_t data = 0, hole = 0;
  while (fd >= 0 && (data = lseek(fd, hole, SEEK_DATA)) >= 0) {
    hole = lseek(fd, data, SEEK_HOLE);
    std::string bytes(static_cast<size_t>(hole - data), '\0');
    if (pread(fd, bytes.data(), bytes.size(), data) != hole - data) break;
    out.emplace_back(data, std::move(bytes));
  }
  if (fd >= 0) close(fd);
  return out;
}

// Whether `copy` holds the bytes of `original`, with its holes and no more
// blocks.
bool SameAndSparse(const std::string& original, const std::string& copy) {
  struct stat a {
  }, b{};
  if (stat(original.c_str(), &a) != 0 || stat(copy.c_str(), &b) != 0) return false;
  if (a.st_size != b.st_size || b.st_blocks > a.st_blocks + 2048) {
    fprintf(stderr, "%s: %ld bytes in %ld blocks\n", copy.c_str(), b.st_size, b.st_blocks);
    return false;
  }
  return Extents(original) == Extents(copy);
}

TEST_F(SyncMetadata, SparseFilesStaySparseOnOneFileSystemAndAcross) {
  WriteSparse(left.Path("disk.img"));
  Fill();
  CopyRight({"disk.img"});
  EXPECT_TRUE(port.messages.empty());
  EXPECT_TRUE(SameAndSparse(left.Path("disk.img"), right.Path("disk.img")));
  EXPECT_NE(testing::InChildOnMount(right.Path(), "tmpfs", "size=64m",
                                    [&] {
                                      Fill();
                                      CopyRight({"disk.img"});
                                      return port.messages.empty() &&
                                             SameAndSparse(left.Path("disk.img"),
                                                           right.Path("disk.img"));
                                    }),
            1);
  // FAT keeps no holes, and through FUSE it refuses to lengthen a file by
  // truncating it: the hole at the end is written.
  left.Write("ends-in-a-hole", std::string(1 << 20, 'd'));
  ASSERT_EQ(truncate(left.Path("ends-in-a-hole").c_str(), 4 << 20), 0);
  testing::TempTree stick;
  std::filesystem::remove(right.Path("disk.img"));
  testing::FatMount fat(right.Path(), stick.Path("fat.img"));
  if (!fat.Mounted()) GTEST_SKIP() << "no FAT here";
  Fill();
  CopyRight({"ends-in-a-hole"});
  EXPECT_TRUE(port.messages.empty());
  EXPECT_TRUE(right.Read("ends-in-a-hole") == left.Read("ends-in-a-hole")) << "the hole was lost";
}

}  // namespace
}  // namespace zweiblick
