// SPDX-License-Identifier: GPL-3.0-or-later
// zweiblick-cli --textvergleich LEFT RIGHT: the hunks of two text files in
// unified form, for scripts.
#pragma once

namespace zweiblick {

// Returns the exit code: 0 the same, 1 different, 2 a file could not be read.
int RunTextComparison(const char* left, const char* right);

}  // namespace zweiblick
