// SPDX-License-Identifier: GPL-3.0-or-later
// The two files side by side: one row per common line, and each block as
// many rows as its longer side has lines, the shorter side padded. What the
// window draws and moves through.
#pragma once

#include <string>
#include <vector>

#include "textdiff/line_diff.h"

namespace zweiblick {

enum class BlockKind { kChanged, kOnlyLeft, kOnlyRight };

struct AlignedRow {
  int left = -1, right = -1;  // the line on each side (0-based), -1 for padding
  int block = -1;             // the block the row belongs to, -1 for a common line
};

struct AlignedBlock {
  Hunk hunk;
  BlockKind kind = BlockKind::kChanged;
  int firstRow = 0, rows = 0;
};

struct Alignment {
  std::vector<AlignedRow> rows;
  std::vector<AlignedBlock> blocks;
};

Alignment AlignRows(int leftLines, int rightLines, const std::vector<Hunk>& hunks);

// The block after (before) the one containing or preceding `row`, -1 when
// there is none. With `current` the block shown now, moving on from it.
int NextBlock(const Alignment& a, int current, int row);
int PreviousBlock(const Alignment& a, int current, int row);

// "Unterschied 3 von 17"; "Unterschied – von 17" while none is chosen.
std::string BlockCountText(int current, int count);

// The marker of a row readable without colour: "≠" changed, "−" only left,
// "+" only right, "" for a common line.
const char* RowSign(BlockKind kind);

}  // namespace zweiblick
