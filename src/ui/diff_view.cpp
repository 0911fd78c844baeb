// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/diff_view.h"

#include <QFontDatabase>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <climits>

namespace zweiblick {

namespace {

constexpr int kGutterWidth = 48;
constexpr int kOverviewWidth = 14;

// Told apart by colour and by the marker in front of each line.
QColor Shade(BlockKind kind) {
  switch (kind) {
    case BlockKind::kChanged:
      return QColor(0xdd, 0xe8, 0xff);
    case BlockKind::kOnlyLeft:
      return QColor(0xff, 0xdd, 0xdd);
    case BlockKind::kOnlyRight:
      return QColor(0xd8, 0xf5, 0xd8);
  }
  return {};
}

QColor Strong(BlockKind kind) {
  switch (kind) {
    case BlockKind::kChanged:
      return QColor(0x4a, 0x78, 0xd0);
    case BlockKind::kOnlyLeft:
      return QColor(0xc8, 0x40, 0x40);
    case BlockKind::kOnlyRight:
      return QColor(0x30, 0x9a, 0x30);
  }
  return {};
}

QString Shown(const TextFile& file, int line) {
  std::string text = ToUtf8(WithoutLineEnd(file.lines[line]), file.encoding);
  QString s = QString::fromUtf8(text.data(), qsizetype(text.size()));
  s.replace(QLatin1Char('\t'), QStringLiteral("    "));
  return s;
}

// The widest line of a file in characters as shown (tabs as four), counted in
// bytes: a line of umlauts gets a little more room than it needs, never less.
int WidestLine(const TextFile& file) {
  size_t widest = 0;
  for (const auto& line : file.lines) {
    std::string_view text = WithoutLineEnd(line);
    size_t tabs = size_t(std::count(text.begin(), text.end(), '\t'));
    widest = std::max(widest, text.size() + 3 * tabs);
  }
  return int(std::min<size_t>(widest, 1'000'000));
}

}  // namespace

DiffView::DiffView(QWidget* parent) : QAbstractScrollArea(parent) {
  setObjectName(QStringLiteral("Panes"));
  QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  setFont(fixed);
  viewport()->setFont(fixed);
  verticalScrollBar()->setSingleStep(1);
  connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(),
          [this] { viewport()->update(); });
  // Both panes' text scrolls sideways together; signs and numbers stay.
  connect(horizontalScrollBar(), &QScrollBar::valueChanged, viewport(),
          [this] { viewport()->update(); });
  setFocusPolicy(Qt::StrongFocus);
}

void DiffView::SetContent(std::shared_ptr<const TextFile> left,
                          std::shared_ptr<const TextFile> right, Alignment alignment,
                          IgnoreOptions options, bool wordMarks) {
  left_ = std::move(left);
  right_ = std::move(right);
  alignment_ = std::move(alignment);
  options_ = options;
  wordMarks_ = wordMarks;
  marks_.clear();
  current_ = -1;
  widestChars_ = left_ && right_ ? std::max(WidestLine(*left_), WidestLine(*right_)) : 0;
  horizontalScrollBar()->setValue(0);
  UpdateScrollRange();
  viewport()->update();
}

int DiffView::RowHeight() const {
  return fontMetrics().height() + 1;
}

int DiffView::TopRow() const {
  return verticalScrollBar()->value();
}

void DiffView::UpdateScrollRange() {
  int visible = std::max(1, viewport()->height() / RowHeight());
  verticalScrollBar()->setPageStep(visible);
  verticalScrollBar()->setRange(0, std::max(0, int(alignment_.rows.size()) - visible));
  const Geometry g = Layout();
  const int charWidth = fontMetrics().horizontalAdvance(QLatin1Char('0'));
  const qint64 wide = qint64(widestChars_ + 1) * charWidth;
  horizontalScrollBar()->setPageStep(std::max(1, g.text));
  horizontalScrollBar()->setSingleStep(charWidth * 4);
  horizontalScrollBar()->setRange(0, int(std::clamp<qint64>(wide - g.text, 0, INT_MAX / 2)));
}

void DiffView::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollRange();
}

void DiffView::ShowBlock(int block) {
  if (block < 0 || block >= int(alignment_.blocks.size())) return;
  current_ = block;
  int visible = verticalScrollBar()->pageStep();
  verticalScrollBar()->setValue(std::max(0, alignment_.blocks[block].firstRow - visible / 3));
  viewport()->update();
  emit CurrentBlockChanged(block);
}

DiffView::Geometry DiffView::Layout() const {
  Geometry g{};
  const int digits =
      left_ && right_
          ? int(std::to_string(std::max(left_->lines.size(), right_->lines.size())).size())
          : 1;
  const int charWidth = fontMetrics().horizontalAdvance(QLatin1Char('0'));
  g.sign = charWidth * 2;
  g.number = charWidth * (digits + 1);
  g.overviewX = viewport()->width() - kOverviewWidth;
  g.width = std::max(40, (g.overviewX - kGutterWidth) / 2);
  g.text = g.width - g.sign - g.number;
  g.leftX = 0;
  g.gutterX = g.width;
  g.rightX = g.width + kGutterWidth;
  return g;
}

QRect DiffView::OverviewRect() const {
  return QRect(viewport()->width() - kOverviewWidth, 0, kOverviewWidth, viewport()->height());
}

QRect DiffView::ArrowRect(int block, bool toRight) const {
  if (block < 0 || block >= int(alignment_.blocks.size())) return {};
  const int y = (alignment_.blocks[block].firstRow - TopRow()) * RowHeight();
  if (y < 0 || y >= viewport()->height()) return {};
  const Geometry g = Layout();
  const int half = kGutterWidth / 2;
  return QRect(g.gutterX + (toRight ? 0 : half) + 2, y, half - 4, RowHeight());
}

const WordMarks& DiffView::MarksOf(int row) {
  auto it = marks_.find(row);
  if (it != marks_.end()) return it->second;
  WordMarks m;
  const AlignedRow& r = alignment_.rows[row];
  if (wordMarks_ && r.left >= 0 && r.right >= 0) {
    std::string l = ToUtf8(WithoutLineEnd(left_->lines[r.left]), left_->encoding);
    std::string rt = ToUtf8(WithoutLineEnd(right_->lines[r.right]), right_->encoding);
    m = MarkWords(l, rt, options_);
  }
  return marks_.emplace(row, std::move(m)).first->second;
}

void DiffView::PaintSide(QPainter& p, const Geometry& g, int x, int row, int y, bool left) {
  const AlignedRow& r = alignment_.rows[row];
  const int line = left ? r.left : r.right;
  const int h = RowHeight();
  const QFontMetrics fm = fontMetrics();
  if (r.block >= 0) {
    const BlockKind kind = alignment_.blocks[r.block].kind;
    p.fillRect(x, y, g.width, h, line >= 0 ? Shade(kind) : QColor(0xf0, 0xf0, 0xf0));
    if (line >= 0) {
      p.setPen(Strong(kind));
      p.drawText(QRect(x, y, g.sign, h), Qt::AlignCenter, QString::fromUtf8(RowSign(kind)));
    }
  }
  if (line < 0) return;
  const TextFile& file = left ? *left_ : *right_;
  p.setPen(QColor(0x80, 0x80, 0x80));
  p.drawText(QRect(x + g.sign, y, g.number - 6, h), Qt::AlignRight | Qt::AlignVCenter,
             QString::number(line + 1));
  const int shift = horizontalScrollBar()->value();
  const int tx = x + g.sign + g.number - shift;
  p.save();
  p.setClipRect(x + g.sign + g.number, y, g.text, h);
  const QString text = Shown(file, line);
  if (r.block >= 0 && alignment_.blocks[r.block].kind == BlockKind::kChanged) {
    const WordMarks& m = MarksOf(row);
    std::string utf8 = ToUtf8(WithoutLineEnd(file.lines[line]), file.encoding);
    for (auto [b, e] : left ? m.left : m.right) {
      // Byte offsets to the shown text (tabs widened to four blanks).
      auto shownWidth = [&](int bytes) {
        QString s = QString::fromUtf8(utf8.data(), bytes);
        s.replace(QLatin1Char('\t'), QStringLiteral("    "));
        return fm.horizontalAdvance(s);
      };
      const int x0 = tx + shownWidth(b), x1 = tx + shownWidth(e);
      p.fillRect(x0, y + 1, std::max(2, x1 - x0), h - 2, QColor(0xa8, 0xc4, 0xff));
      p.setPen(QColor(0x20, 0x40, 0x90));
      p.drawLine(x0, y + h - 2, x1, y + h - 2);  // underlined too, for those who see no colour
    }
  }
  p.setPen(palette().color(QPalette::Text));
  p.drawText(QRect(tx, y, g.text + shift + 2000, h), Qt::AlignLeft | Qt::AlignVCenter, text);
  p.restore();
}

void DiffView::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  p.fillRect(viewport()->rect(), palette().color(QPalette::Base));
  if (!left_ || !right_) return;
  const Geometry g = Layout();
  const int h = RowHeight();
  const int top = TopRow();
  const int count = int(alignment_.rows.size());
  for (int row = top, y = 0; row < count && y < viewport()->height(); ++row, y += h) {
    PaintSide(p, g, g.leftX, row, y, true);
    PaintSide(p, g, g.rightX, row, y, false);
    const AlignedRow& r = alignment_.rows[row];
    if (r.block >= 0 && alignment_.blocks[r.block].firstRow == row) {
      const AlignedBlock& b = alignment_.blocks[r.block];
      p.setPen(r.block == current_ ? QPen(Strong(b.kind), 2) : QPen(QColor(0xc0, 0xc0, 0xc0)));
      p.drawLine(0, y, g.overviewX - 1, y);
      p.drawLine(0, y + b.rows * h, g.overviewX - 1, y + b.rows * h);
      for (bool toRight : {true, false}) {
        QRect a = ArrowRect(r.block, toRight);
        p.fillRect(a, QColor(0xe8, 0xe8, 0xe8));
        p.setPen(palette().color(QPalette::ButtonText));
        p.drawRect(a.adjusted(0, 0, -1, -1));
        QFont arrowFont = p.font();
        arrowFont.setBold(true);
        arrowFont.setPixelSize(std::max(10, h - 3));
        p.save();
        p.setFont(arrowFont);
        p.drawText(a, Qt::AlignCenter, toRight ? QStringLiteral("→") : QStringLiteral("←"));
        p.restore();
      }
    }
  }
  // The overview: each block where it lies in the whole, at least a pixel.
  const QRect o = OverviewRect();
  p.fillRect(o, QColor(0xf4, 0xf4, 0xf4));
  if (count > 0) {
    for (const AlignedBlock& b : alignment_.blocks) {
      int y0 = int(qint64(b.firstRow) * o.height() / count);
      int y1 = int(qint64(b.firstRow + b.rows) * o.height() / count);
      p.fillRect(o.x() + 2, y0, o.width() - 4, std::max(2, y1 - y0), Strong(b.kind));
    }
    int v0 = int(qint64(top) * o.height() / count);
    int v1 = int(qint64(top + verticalScrollBar()->pageStep()) * o.height() / count);
    p.setPen(QColor(0x40, 0x40, 0x40));
    p.drawRect(o.x(), v0, o.width() - 1, std::max(3, v1 - v0));
  }
}

void DiffView::mousePressEvent(QMouseEvent* event) {
  const QPoint at = event->position().toPoint();
  if (OverviewRect().contains(at)) {
    const int count = int(alignment_.rows.size());
    int row = int(qint64(at.y()) * count / std::max(1, viewport()->height()));
    verticalScrollBar()->setValue(row - verticalScrollBar()->pageStep() / 2);
    return;
  }
  const int row = TopRow() + at.y() / RowHeight();
  if (row < 0 || row >= int(alignment_.rows.size())) return;
  const int block = alignment_.rows[row].block;
  if (block < 0) return;
  for (bool toRight : {true, false}) {
    if (ArrowRect(block, toRight).contains(at)) {
      emit TakeBlockRequested(block, toRight);
      return;
    }
  }
  current_ = block;
  viewport()->update();
  emit CurrentBlockChanged(block);
}

}  // namespace zweiblick
