// SPDX-License-Identifier: GPL-3.0-or-later
// zweiblick-cli --textvergleich [SWITCHES] LEFT RIGHT: the hunks of two text
// files in unified form, for scripts.
#pragma once

#include <string>

#include "textdiff/line_diff.h"

namespace zweiblick {

// What the window's check boxes ignore, as switches of the same names.
inline constexpr const char* kIgnoreWhitespaceSwitch = "--leerraum-ignorieren";
inline constexpr const char* kIgnoreCaseSwitch = "--gross-klein-ignorieren";
inline constexpr const char* kIgnoreLineEndsSwitch = "--zeilenenden-ignorieren";

struct TextComparisonCall {
  IgnoreOptions options;
  const char* left = nullptr;
  const char* right = nullptr;
};

// The words after "--textvergleich": the switches, in any order, and the two
// files. False for a wrong call; `error` then names an unknown switch (empty
// when the files are not two).
bool ParseTextComparison(int argc, char** argv, TextComparisonCall& call, std::string& error);

// Returns the exit code: 0 the same (with what is ignored), 1 different, 2 a
// file could not be read.
int RunTextComparison(const TextComparisonCall& call);

}  // namespace zweiblick
