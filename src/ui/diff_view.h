// SPDX-License-Identifier: GPL-3.0-or-later
// The two panes of the text comparison in one scrolled area, so that they
// always scroll together: per side a marker column, line numbers and the
// text; between them the "→"/"←" of each block; at the right edge the overview
// of where the blocks are.
#pragma once

#include <QAbstractScrollArea>
#include <memory>
#include <unordered_map>

#include "textdiff/aligned_rows.h"
#include "textdiff/line_diff.h"
#include "textdiff/text_file.h"

namespace zweiblick {

class DiffView : public QAbstractScrollArea {
  Q_OBJECT
 public:
  explicit DiffView(QWidget* parent = nullptr);

  void SetContent(std::shared_ptr<const TextFile> left, std::shared_ptr<const TextFile> right,
                  Alignment alignment, IgnoreOptions options, bool wordMarks);
  const Alignment& Rows() const { return alignment_; }
  int CurrentBlock() const { return current_; }
  // Makes `block` the current one and scrolls it into the upper third.
  void ShowBlock(int block);
  // The first row shown.
  int TopRow() const;
  // Where the "→" (toRight) or "←" of a block is drawn, in viewport coordinates;
  // empty while the block is scrolled out of sight.
  QRect ArrowRect(int block, bool toRight) const;
  // The overview bar, in viewport coordinates.
  QRect OverviewRect() const;

 signals:
  void TakeBlockRequested(int block, bool toRight);
  void CurrentBlockChanged(int block);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  struct Geometry {
    int sign, number, text, width;  // widths within one pane
    int leftX, gutterX, rightX, overviewX;
  };
  Geometry Layout() const;
  int RowHeight() const;
  void UpdateScrollRange();
  void PaintSide(QPainter& p, const Geometry& g, int x, int row, int y, bool left);
  const WordMarks& MarksOf(int row);

  std::shared_ptr<const TextFile> left_, right_;
  Alignment alignment_;
  IgnoreOptions options_;
  bool wordMarks_ = true;
  int current_ = -1;
  int widestChars_ = 0;                       // of the widest line of both files
  std::unordered_map<int, WordMarks> marks_;  // by row, made when first drawn
};

}  // namespace zweiblick
