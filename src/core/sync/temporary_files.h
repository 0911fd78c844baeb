// The temporary files a copy writes before it replaces its destination: their
// names, their removal when the program is interrupted in the middle of a
// copy, and the removal of old ones that an earlier crash left behind.
#pragma once

#include <string>

namespace zweiblick {

// A fresh name ".zweiblick-XXXXXXXXXXXX.tmp": a dot name, so the walk never
// lists one.
std::string TemporaryName();

// The copy under way writes `name` in the open folder `folder`; until
// EndUnfinishedCopy an interruption removes it. Only one copy runs at a time.
void BeginUnfinishedCopy(int folder, const std::string& name);
void EndUnfinishedCopy();

// SIGINT, SIGTERM and SIGHUP remove the temporary file of the copy under way
// and then end the program as the signal would have. A signal that is ignored
// (a program started with nohup) stays ignored.
void RemoveUnfinishedCopyOnSignals();

// Removes the temporary files in the open folder `folder` that are older than
// a day: they are left over from a run that crashed or lost its power.
void RemoveOldTemporaryFiles(int folder);

}  // namespace zweiblick
