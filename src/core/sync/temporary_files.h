// SPDX-License-Identifier: GPL-3.0-or-later
// The temporary files a copy writes before it replaces its destination: their
// names, their removal when the program is interrupted in the middle of a
// copy, and the removal of old ones that an earlier crash left behind.
#pragma once

#include <string>

namespace zweiblick {

// A fresh name ".zweiblick-MACHINE-BOOT-PIDNS-PID-START-XXXXXXXX.tmp": a dot
// name, so the walk never lists one. It tells which process of which boot of
// which machine wrote it, so a later run can tell when that run is gone.
std::string TemporaryName();
// Whether `name` is one of those names.
bool IsTemporaryName(const char* name);

// A copy under way writes `name` in the open folder `folder`; until
// EndUnfinishedCopy an interruption removes it. Several copies may be under
// way at once, on any thread; each is known by the number returned (-1 when
// all places are taken: the file is then left to the next run's cleanup).
int BeginUnfinishedCopy(int folder, const std::string& name);
void EndUnfinishedCopy(int copy);

// SIGINT, SIGTERM and SIGHUP remove the temporary file of the copy under way
// and then end the program as the signal would have. A signal that is ignored
// (a program started with nohup) stays ignored.
void RemoveUnfinishedCopyOnSignals();

// Removes the temporary files in the open folder `folder` whose run is gone: it
// was this machine's and the machine has been restarted since, or its process
// no longer exists. Files whose writer cannot be told (another machine on a
// shared folder, another process namespace, names of older versions) go when
// they are older than a day.
void RemoveOldTemporaryFiles(int folder);

}  // namespace zweiblick
