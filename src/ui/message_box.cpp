// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/message_box.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>

namespace zweiblick {
namespace {

inline constexpr const char* kAnswerProperty = "zweiblickAnswer";

QMessageBox::Icon QtIcon(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::kExclamation:
      return QMessageBox::Warning;
    case MsgIcon::kInformation:
      return QMessageBox::Information;
    case MsgIcon::kCritical:
      return QMessageBox::Critical;
    case MsgIcon::kNone:
      break;
  }
  return QMessageBox::NoIcon;
}

}  // namespace

QString DisplayLines(const std::string& text) {
  return QString::fromStdString(text).replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const std::string& text, MsgIcon icon,
                                            MsgButtons buttons) {
  auto box = std::make_unique<QMessageBox>(QtIcon(icon), QString::fromUtf8(kProgramName),
                                           DisplayLines(text), QMessageBox::NoButton, parent);
  if (buttons == MsgButtons::kOk) {
    box->addButton(QMessageBox::Ok);  // AnswerOf gives kOk for any way it closes
    return box;
  }
  // One role for all: the button box keeps buttons of one role in the
  // order they were added, whatever order the style gives the standard roles.
  auto add = [&](const char* caption, MsgAnswer answer) {
    QPushButton* b = box->addButton(QString::fromUtf8(caption), QMessageBox::ActionRole);
    b->setProperty(kAnswerProperty, int(answer));
    return b;
  };
  if (buttons == MsgButtons::kYesNo) {
    add("&Ja", MsgAnswer::kYes);
    QPushButton* no = add("&Nein", MsgAnswer::kNo);
    box->setDefaultButton(no);  // deleting for good needs a deliberate Yes
    box->setEscapeButton(no);
    return box;
  }
  QPushButton* abort = add("&Abbrechen", MsgAnswer::kAbort);
  QPushButton* retry = add("&Wiederholen", MsgAnswer::kRetry);
  add("&Ignorieren", MsgAnswer::kIgnore);
  box->setDefaultButton(retry);
  box->setEscapeButton(abort);
  return box;
}

std::unique_ptr<QMessageBox> MakeFailureBox(QWidget* parent, const std::string& text,
                                            const std::string& reason) {
  std::unique_ptr<QMessageBox> box =
      MakeMessageBox(parent, text, MsgIcon::kCritical, MsgButtons::kAbortRetryIgnore);
  // Shown at once below the text, without a click on "details".
  box->setInformativeText(QStringLiteral("Grund: ") + DisplayLines(reason));
  box->setCheckBox(new QCheckBox(QString::fromUtf8(kIgnoreRestCaption)));
  return box;
}

MsgAnswer AnswerOf(const QMessageBox& box, MsgButtons buttons) {
  if (QAbstractButton* clicked = box.clickedButton()) {
    QVariant answer = clicked->property(kAnswerProperty);
    if (answer.isValid()) return MsgAnswer(answer.toInt());
  }
  if (buttons == MsgButtons::kYesNo) return MsgAnswer::kNo;
  return buttons == MsgButtons::kAbortRetryIgnore ? MsgAnswer::kAbort : MsgAnswer::kOk;
}

}  // namespace zweiblick
