// SPDX-License-Identifier: GPL-3.0-or-later
// The folder dialog of the two folder buttons: the prompt above Qt's own folder
// chooser, which shows only folders, speaks German through Qt's translations
// whatever the desktop offers, and starts in the home folder with nothing chosen.
#pragma once

#include <QDialog>

class QFileDialog;
class QLabel;

namespace zweiblick {

class FolderDialog : public QDialog {
  Q_OBJECT
 public:
  FolderDialog(QWidget* owner, const QString& prompt);

  // The chosen folder once the dialog was accepted, else empty.
  QString Folder() const;
  QLabel* Prompt() const { return prompt_; }
  QFileDialog* Chooser() const { return chooser_; }

 private:
  QLabel* prompt_ = nullptr;
  QFileDialog* chooser_ = nullptr;
};

}  // namespace zweiblick
