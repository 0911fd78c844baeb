// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCheckBox>

namespace zweiblick {

// A check box whose caption wraps onto further lines within its width, as the
// long captions of the window need.
class WrapCheckBox : public QCheckBox {
  Q_OBJECT
 public:
  using QCheckBox::QCheckBox;

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};

// A push button whose caption breaks after "- " onto a second line.
QString WrappedCaption(const char* caption);

}  // namespace zweiblick
