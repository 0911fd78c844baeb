// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/folder_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QIdentityProxyModel>
#include <QLabel>
#include <QVBoxLayout>

#include "platform/window_port.h"

namespace zweiblick {
namespace {

inline constexpr int kDateColumn = 3;

// Qt's file model writes its dates in the desktop's language; ours is German.
class GermanDates : public QIdentityProxyModel {
 public:
  using QIdentityProxyModel::QIdentityProxyModel;
  QVariant data(const QModelIndex& index, int role) const override {
    auto* files = qobject_cast<QFileSystemModel*>(sourceModel());
    if (files && role == Qt::DisplayRole && index.column() == kDateColumn)
      return QLocale().toString(files->lastModified(mapToSource(index)), QLocale::ShortFormat);
    return QIdentityProxyModel::data(index, role);
  }
};

}  // namespace

FolderDialog::FolderDialog(QWidget* owner, const QString& prompt) : QDialog(owner) {
  setObjectName(QStringLiteral("FolderDialog"));
  setWindowTitle(QString::fromUtf8(kProgramName));
  prompt_ = new QLabel(prompt, this);
  prompt_->setTextFormat(Qt::PlainText);
  // Qt's own chooser, not the desktop's: only it can show the prompt above its
  // folder tree, and only it follows the program's language.
  chooser_ = new QFileDialog(this);
  chooser_->setWindowFlags(Qt::Widget);
  chooser_->setSizeGripEnabled(false);
  chooser_->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::ShowDirsOnly);
  chooser_->setFileMode(QFileDialog::Directory);
  chooser_->setProxyModel(new GermanDates(chooser_));
  chooser_->setDirectory(QDir::homePath());
  connect(chooser_, &QDialog::accepted, this, &QDialog::accept);
  connect(chooser_, &QDialog::rejected, this, &QDialog::reject);
  // The prompt lines up with the chooser's own controls.
  QMargins margins = chooser_->layout()->contentsMargins();
  prompt_->setContentsMargins(margins.left(), margins.top(), margins.right(), 0);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(prompt_);
  layout->addWidget(chooser_, 1);
  resize(680, 440);
}

QString FolderDialog::Folder() const {
  if (result() != QDialog::Accepted) return {};
  return chooser_->selectedFiles().value(0);
}

}  // namespace zweiblick
