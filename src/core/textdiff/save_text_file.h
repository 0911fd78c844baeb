// SPDX-License-Identifier: GPL-3.0-or-later
// Writing back a side of the text comparison with the synchronisation's care:
// a temporary file beside it, synced and closed with both results checked,
// then put in place while the old version goes to the trash. A file that
// changed since it was read is never overwritten.
#pragma once

#include "sync/trash.h"
#include "textdiff/text_file.h"

namespace zweiblick {

enum class SaveResult { kSaved, kChangedOnDisk, kFailed };

// Writes `file.lines` (with its byte order mark, when it had one) to
// `file.path`, keeping the old file's permission bits, owner and group. On
// kSaved the file's facts are the new file's; on kFailed `error` holds the
// errno (kNoTrash where the trash could not be had), and the file on the disk
// is as it was.
SaveResult SaveTextFile(TextFile& file, Trash& trash, int& error);

}  // namespace zweiblick
