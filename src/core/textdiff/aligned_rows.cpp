// SPDX-License-Identifier: GPL-3.0-or-later
#include "textdiff/aligned_rows.h"

#include <algorithm>

namespace zweiblick {

Alignment AlignRows(int leftLines, int rightLines, const std::vector<Hunk>& hunks) {
  Alignment a;
  a.rows.reserve(std::max(leftLines, rightLines) + 16);
  int l = 0, r = 0;
  auto common = [&](int untilLeft) {
    for (; l < untilLeft; ++l, ++r) a.rows.push_back({l, r, -1});
  };
  for (const Hunk& h : hunks) {
    common(h.leftBegin);
    AlignedBlock b;
    b.hunk = h;
    b.kind = h.leftCount == 0    ? BlockKind::kOnlyRight
             : h.rightCount == 0 ? BlockKind::kOnlyLeft
                                 : BlockKind::kChanged;
    b.firstRow = int(a.rows.size());
    b.rows = std::max(h.leftCount, h.rightCount);
    const int index = int(a.blocks.size());
    for (int k = 0; k < b.rows; ++k)
      a.rows.push_back({k < h.leftCount ? h.leftBegin + k : -1,
                        k < h.rightCount ? h.rightBegin + k : -1, index});
    a.blocks.push_back(b);
    l = h.leftBegin + h.leftCount;
    r = h.rightBegin + h.rightCount;
  }
  common(leftLines);
  return a;
}

int NextBlock(const Alignment& a, int current, int row) {
  if (current >= 0) return current + 1 < int(a.blocks.size()) ? current + 1 : -1;
  for (std::size_t i = 0; i < a.blocks.size(); ++i)
    if (a.blocks[i].firstRow >= row) return int(i);
  return -1;
}

int PreviousBlock(const Alignment& a, int current, int row) {
  if (current >= 0) return current - 1;
  for (int i = int(a.blocks.size()) - 1; i >= 0; --i)
    if (a.blocks[i].firstRow < row) return i;
  return -1;
}

std::string BlockCountText(int current, int count) {
  return "Unterschied " + (current >= 0 ? std::to_string(current + 1) : std::string("–")) +
         " von " + std::to_string(count);
}

const char* RowSign(BlockKind kind) {
  switch (kind) {
    case BlockKind::kChanged:
      return "≠";
    case BlockKind::kOnlyLeft:
      return "−";
    case BlockKind::kOnlyRight:
      return "+";
  }
  return "";
}

}  // namespace zweiblick
