// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/wrap_check_box.h"

#include <QPainter>
#include <QStyleOptionButton>

namespace zweiblick {

void WrapCheckBox::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QStyleOptionButton opt;
  initStyleOption(&opt);
  QRect box = style()->subElementRect(QStyle::SE_CheckBoxIndicator, &opt, this);
  box.moveTop((height() - box.height()) / 2);
  QStyleOptionButton indicator = opt;
  indicator.rect = box;
  style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &indicator, &p, this);
  QRect textRect = rect().adjusted(box.right() + 5, 0, 0, 0);
  style()->drawItemText(&p, textRect,
                        Qt::AlignLeft | Qt::AlignVCenter | Qt::TextWordWrap | Qt::TextShowMnemonic,
                        palette(), isEnabled(), text(), QPalette::WindowText);
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = textRect;
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &p, this);
  }
}

QString WrappedCaption(const char* caption) {
  return QString::fromUtf8(caption).replace(QStringLiteral("- "), QStringLiteral("-\n"));
}

}  // namespace zweiblick
