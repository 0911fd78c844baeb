// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/qt_ports.h"

#include <QTableView>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDesktopServices>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>
#include <QWindow>

#include "names/name_key.h"
#include "ui/folder_dialog.h"
#include "ui/form1.h"
#include "ui/info_form_freeware.h"
#include "ui/message_box.h"

namespace zweiblick {

QtPorts::QtPorts(Form1& form) : form_(form), placement_(&form) {
  endProcess = [this] {
    // The core ends only once no operation runs: leave through the event loop,
    // without closing the window (no unload handling), so that the application
    // shuts down in order and hands the clipboard to the desktop's clipboard
    // manager where there is one.
    form_.hide();
    QCoreApplication::exit(0);
  };
}

MsgAnswer QtPorts::ShowMessage(const std::string& text, MsgIcon icon, MsgButtons buttons) {
  form_.Flush();
  if (messageBoxHook) return messageBoxHook(text, icon, buttons);
  std::unique_ptr<QMessageBox> box = MakeMessageBox(&form_, text, icon, buttons);
  box->exec();
  return AnswerOf(*box, buttons);
}

MsgAnswer QtPorts::ShowFailure(const std::string& text, const std::string& reason,
                               bool& ignoreRest) {
  form_.Flush();
  if (messageBoxHook)
    return messageBoxHook(text, MsgIcon::kCritical, MsgButtons::kAbortRetryIgnore);
  std::unique_ptr<QMessageBox> box = MakeFailureBox(&form_, text, reason);
  box->exec();
  ignoreRest = box->checkBox()->isChecked();
  return AnswerOf(*box, MsgButtons::kAbortRetryIgnore);
}

void QtPorts::SetClipboardText(const std::string& text) {
  QGuiApplication::clipboard()->setText(QString::fromStdString(DisplayText(text)),
                                        QClipboard::Clipboard);
}

void QtPorts::YieldToEventLoop() {
  form_.FlushNowAndThen();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtPorts::HandleEventsNowAndThen() {
  if (sinceEvents_.isValid() && sinceEvents_.elapsed() < kFastRunEventsMs) return;
  YieldToEventLoop();
  sinceEvents_.start();
}

void QtPorts::ShowStatusPanel(int panel, const std::string& text) {
  form_.StatusPanel(panel)->setText(QString::fromStdString(text));
  form_.PlaceStatusBar();  // panel 1 is as wide as its text, panel 2 keeps room
}

// Shown at the next flush: the bar repaints at once when its value changes, and
// the loops set it for every row.
void QtPorts::ShowProgress(float value) {
  form_.SetProgress(static_cast<int>(value * 10.0f));
}

void QtPorts::EnableButton(int index, bool enabled) {
  if (QPushButton* b = form_.Btn(index)) b->setEnabled(enabled);
}

// The window's own pointer: message boxes and the information dialog keep theirs.
void QtPorts::ShowBusyPointer(bool busy) {
  if (busy)
    form_.setCursor(Qt::WaitCursor);
  else
    form_.unsetCursor();
}

void QtPorts::EndProcess() {
  endProcess();
}

void QtPorts::SetCaption(const std::string& caption) {
  form_.setWindowTitle(QString::fromStdString(caption));
}

void QtPorts::ShowOption(Option option, bool checked) {
  QAbstractButton* b = form_.OptionButton(option);
  QSignalBlocker block(b);
  b->setChecked(checked);
}

void QtPorts::EnableOption(Option option, bool enabled) {
  form_.OptionButton(option)->setEnabled(enabled);
}

void QtPorts::ShowWindow() {
  if (placement_.MaximiseOnShow())
    form_.showMaximized();
  else
    form_.show();
  form_.Flush();
}

void QtPorts::ShowPopupMenu() {
  form_.Flush();
  QMenu* pum = form_.Pum();
  QAction* chosen = execPopup ? execPopup(pum) : pum->exec(form_.PopupPosition());
  if (chosen) form_.Core().PopupItemClick(chosen->data().toInt());
  form_.Flush();
}

std::string QtPorts::BrowseForFolder(const std::string& prompt) {
  FolderDialog dialog(&form_, DisplayLines(prompt));
  dialog.exec();
  return QFile::encodeName(dialog.Folder()).toStdString();
}

void QtPorts::SetToolTip(const std::string& control, const std::string& text) {
  QWidget* w = form_.findChild<QWidget*>(QString::fromStdString(control));
  if (w) w->setToolTip(QString::fromStdString(text));
}

void QtPorts::SetAccessibleText(const std::string& control, const std::string& name,
                                const std::string& description) {
  QWidget* w = form_.findChild<QWidget*>(QString::fromStdString(control));
  if (!w) return;
  if (!name.empty()) w->setAccessibleName(QString::fromStdString(name));
  w->setAccessibleDescription(QString::fromStdString(description));
}

void QtPorts::SetFrameCaption(const std::string& frame, const std::string& caption) {
  if (auto* box = form_.findChild<QGroupBox*>(QString::fromStdString(frame)))
    box->setTitle(QString::fromStdString(DisplayText(caption)));
}

void QtPorts::SetTopMost(bool onTop) {
  // Through the window handle only the window manager's stacking hint changes;
  // the window is neither re-created nor moved.
  if (QWindow* handle = form_.windowHandle())
    handle->setFlag(Qt::WindowStaysOnTopHint, onTop);
  else
    form_.setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
}

LayoutForm* QtPorts::Layout() {
  return &form_.LayoutParts();
}

bool QtPorts::OpenWithDesktop(const std::string& target, bool maximised) {
  // The desktop decides how its browser shows a page; a maximised window is
  // the browser's own choice there.
  (void)maximised;
  QString t = QString::fromStdString(target);
  QUrl url = t.startsWith(QLatin1Char('/')) ? QUrl::fromLocalFile(QFile::decodeName(target.c_str()))
                                            : QUrl(t, QUrl::TolerantMode);
  // False where no program to open it is set up (no browser, no xdg-open).
  return openUrl ? openUrl(url) : QDesktopServices::openUrl(url);
}

void QtPorts::ShowChangeColumn(bool shown) {
  form_.Liste()->setColumnHidden(kChangeColumn - 1, !shown);
}

void QtPorts::ShowFailureColumn(bool shown) {
  form_.Liste()->setColumnHidden(kFailureColumn - 1, !shown);
}

void QtPorts::ShowUndoButton(bool shown) {
  form_.BtnUndo()->setVisible(shown);
}

void QtPorts::ShowInfoDialog() {
  if (!info_) {
    info_ = new InfoFormFreeware(*this);
    info_->show();
  }
  info_->raise();
  info_->activateWindow();
}

}  // namespace zweiblick
