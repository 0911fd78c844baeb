#include "ui/folder_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QVBoxLayout>

#include "platform/window_port.h"

namespace zweiblick {

FolderDialog::FolderDialog(QWidget* owner, const QString& prompt) : QDialog(owner) {
  setObjectName(QStringLiteral("FolderDialog"));
  setWindowTitle(QString::fromUtf8(kProgramName));
  prompt_ = new QLabel(prompt, this);
  prompt_->setTextFormat(Qt::PlainText);
  // Qt's own chooser, not the desktop's: only it can show the prompt above its
  // folder tree, and only it follows the program's language.
  chooser_ = new QFileDialog(this);
  chooser_->setWindowFlags(Qt::Widget);
  chooser_->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::ShowDirsOnly);
  chooser_->setFileMode(QFileDialog::Directory);
  chooser_->setDirectory(QDir::homePath());
  connect(chooser_, &QDialog::accepted, this, &QDialog::accept);
  connect(chooser_, &QDialog::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(prompt_);
  layout->addWidget(chooser_, 1);
  resize(620, 440);
}

QString FolderDialog::Folder() const {
  if (result() != QDialog::Accepted) return {};
  return chooser_->selectedFiles().value(0);
}

}  // namespace zweiblick
