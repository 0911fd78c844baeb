// SPDX-License-Identifier: GPL-3.0-or-later
// What a file carries besides its bytes and its mode: its access ACL and the
// attributes of the user.* name space (tags, comments, ratings that desktop
// programs keep there). Only the plain *xattr calls: an ACL is copied byte for
// byte, so no ACL library is needed to keep one as it was.
#pragma once

#include <string>

namespace zweiblick {

// Gives `out`, the new version of the file `name` in `dir`, the access ACL of
// that file, or takes away the one `out` inherited when that file had none.
// Call it after the mode bits are set: setting an ACL sets the mode's group
// bits from its mask, while chmod would rewrite the mask. Returns 0 or an
// error number; a file system without ACLs is not one.
int KeepAccessAcl(int out, int dir, const std::string& name);

// Copies the user.* attributes of `from` to `to`; a destination file system
// that cannot store them (ENOTSUP) gets none. Returns 0 or an error number.
int CopyUserAttributes(int from, int to);

}  // namespace zweiblick
