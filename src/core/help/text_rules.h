// SPDX-License-Identifier: GPL-3.0-or-later
// The small text rules of the information dialog.
#pragma once

#include <cstdint>
#include <string>

namespace zweiblick {

struct ProgramVersion {
  int major = ZWEIBLICK_VERSION_MAJOR;
  int minor = ZWEIBLICK_VERSION_MINOR;
  int revision = ZWEIBLICK_VERSION_PATCH;
};

// Low byte 0: " (V" + version + ")"; 1: the version alone; else "". Bit 0x100:
// the revision as one letter (none below 100) instead of "." + number.
std::string VersionText(int32_t mode, ProgramVersion version = {});

// The system the program runs on, as it names it to the user and the maker.
#ifdef _WIN32
inline constexpr const char* kSystemName = "Windows";
#else
inline constexpr const char* kSystemName = "Linux";
#endif

// Major in bits 24-31, minor in 16-23, build in 0-15. platformId 1 stands for
// the old family that packs the number into its build field already.
int32_t PackSystemVersion(uint32_t major, uint32_t minor, uint32_t build, uint32_t platformId = 2);
// This system's version number: the kernel's major, minor and patch level here.
int32_t WindowsVersionNumber();
std::string VersionNumberText(int32_t number);
std::string WindowsVersionText();

// Replaces %10, then %1 to %9, each pass on the result of the one before.
std::string FormatPlaceholders(const std::string& text, const std::string (&args)[10]);
// "\t" tab, "\n" carriage return, "\l" line feed, "\h" quotation mark (any letter
// case); any other escaped character stands for itself; a trailing "\" is dropped.
std::string ExpandEscapes(const std::string& text);
std::string FormatText(const std::string& text, const std::string (&args)[10]);

}  // namespace zweiblick
