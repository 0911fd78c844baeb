#include "reading/file_facts.h"

#include <fcntl.h>

namespace zweiblick {

#ifndef STATX_MNT_ID_UNIQUE
#define STATX_MNT_ID_UNIQUE 0x4000U  // Linux 6.8: never used again for another mount
#endif

uint64_t MountOf(const char* path) {
  struct statx st {};
  if (statx(AT_FDCWD, path, 0, STATX_MNT_ID | STATX_MNT_ID_UNIQUE, &st) != 0) return 0;
  return st.stx_mask & (STATX_MNT_ID | STATX_MNT_ID_UNIQUE) ? st.stx_mnt_id : 0;
}

}  // namespace zweiblick
