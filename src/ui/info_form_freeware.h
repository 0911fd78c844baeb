// SPDX-License-Identifier: GPL-3.0-or-later
// The information dialog: name, version, purpose, and links to the maker.
#pragma once

#include <QDialog>

namespace zweiblick {

class WindowPort;

class InfoFormFreeware : public QDialog {
  Q_OBJECT
 public:
  // Modeless and without an owner, so the main window stays usable.
  explicit InfoFormFreeware(WindowPort& port);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Escape means nothing here: the dialog closes only by its button or frame.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  WindowPort& port_;
  QWidget* image_ = nullptr;
};

// The maker's artwork, drawn by us: two overlapping views of a folder tree.
QPixmap MakerArtwork(QSize size);
// A 32 x 32 two-colour computer mouse with its cable.
QCursor MouseCursor();

}  // namespace zweiblick
