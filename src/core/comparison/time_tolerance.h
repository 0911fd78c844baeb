// SPDX-License-Identifier: GPL-3.0-or-later
// FAT keeps modification times in 2-second steps: a faithful copy onto it of a
// file with an odd second reads one second off. And FAT keeps local time, not
// an instant: a stick written on a system that stores local time and read on
// one that takes it for UTC, or read across the change of summer time, shows
// every file shifted by exactly one or two hours. The age comparison allows
// for both where either file of a pair lies on FAT, and nowhere else.
#pragma once

#include <string>
#include <string_view>

#include "files/file_facts.h"

namespace zweiblick {

// The seconds of FAT's time steps: the allowance where a file lies on FAT.
inline constexpr int kFatTimeStep = 2;

// Whether `path` (a folder or a file) lies on a FAT file system (FAT12/16/32: the kernel's vfat
// or msdos, or the FUSE FAT driver), from statfs and the mount table.
bool OnFatFileSystem(const std::string& path);

// Lets tests pretend a path lies on FAT; nullptr restores the real probe.
using FatProbe = bool (*)(const std::string& path);
void SetFatProbeForTesting(FatProbe probe);

// The seconds two time stamps may lie apart and still count as the same age,
// by the two chosen folders: for rows whose files were not seen by a walk.
int AgeTolerance(const std::string& leftFolder, const std::string& rightFolder);

// The order of two files' ages by the instants behind their stamps, to the
// whole second: negative when the left one is older, 0 for the same age,
// positive when it is newer. With a tolerance (FAT), times at most that many
// seconds apart are the same age, and so are files of equal size whose times
// lie one or two whole hours (give or take the tolerance) apart.
int CompareAges(const FileFacts& left, const FileFacts& right, int tolerance);

// The order of two time stamps "yyyymmddhh:mm:ss" (first 16 characters):
// negative when the left one is earlier, 0 for the same age, positive when it
// is later. Stamps at most `tolerance` seconds apart are the same age. For rows
// whose files were not seen by a walk.
int CompareStamps(std::string_view left, std::string_view right, int tolerance);

}  // namespace zweiblick
