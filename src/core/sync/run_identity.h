// SPDX-License-Identifier: GPL-3.0-or-later
// Who a run is, written where a later run finds it (in the names of temporary
// files, in the trash's .trashinfo files), and whether that run still lives.
#pragma once

#include <string>

namespace zweiblick {

// This process as a run: "MACHINE-BOOT-PIDNS-PID-START", five fields without
// "-" inside. The machine is a hash of its id, which is not to be spread onto
// sticks that others read; the boot, its process namespace, its number and
// the moment it started tell the process apart from every other (a process
// number is used again). A field that cannot be read is "x": nothing is
// judged by it then.
std::string ThisRun();

// What is known of the run `id` (one of those texts).
enum class Run { kGone, kAlive, kUnknown };
Run RunOf(const std::string& id);

}  // namespace zweiblick
