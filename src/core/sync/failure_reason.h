// SPDX-License-Identifier: GPL-3.0-or-later
// Why a copy or deletion of the synchronisation failed, in words the user
// can act on: a full stick and a file changed since reading must not read
// the same.
#pragma once

#include <string>

namespace zweiblick {

// One German sentence for an error number or one of the run's own codes
// (kChangedSinceRead and the others of safe_files.h).
std::string FailureReason(int error);

}  // namespace zweiblick
