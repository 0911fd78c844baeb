// SPDX-License-Identifier: GPL-3.0-or-later
// What runs that are gone left reserved in a trash and never used, and the
// record by which a later run knows where to look for it.
#pragma once

#include <string>

namespace zweiblick {

inline constexpr char kTrashInfoSuffix[] = ".trashinfo";
// The line of a .trashinfo that tells which run wrote it (see ThisRun).
// Trash tools pass over keys they do not know.
inline constexpr char kTrashRunKey[] = "X-Zweiblick-Run=";

// Beside files/ and info/ of the trash folder `trash`, while a run may write
// into it: ".zweiblick-run-RUN-N" (N tells the trashes of one process apart),
// on the disk before the run's first .trashinfo there. Returns its name, or
// empty where it could not be made: the run goes on, and only a kill would
// then leave unused places that nobody finds.
std::string WriteRunRecord(int trash, const std::string& run, int instance);

// Takes back what runs that are gone (killed, or their machine switched off)
// left reserved in the trash and never used: a .trashinfo whose file is not
// in files/, and one whose files/ entry is only a second name of the file
// still standing at its path. Only .trashinfo files with the key of such a
// run are looked at, and only when one of them left its record behind. What
// cannot be told stays, and so does that run's record, for the next run.
// `top`: the folder relative paths start from (-1 for the home trash);
// `self`: this run, whose records are never a gone run's.
void SweepGoneRuns(int trash, int files, int info, int top, const std::string& self);

}  // namespace zweiblick
