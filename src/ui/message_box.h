// SPDX-License-Identifier: GPL-3.0-or-later
// The message boxes the core asks for, titled with the program name.
#pragma once

#include <QString>
#include <memory>
#include <string>

#include "platform/window_port.h"

class QMessageBox;
class QWidget;

namespace zweiblick {

// A core text for display: its single carriage returns become line breaks.
QString DisplayLines(const std::string& text);

// The box, ready for exec(). The failure box reads "Abbrechen", "Wiederholen",
// "Ignorieren" from left to right in every style, "Wiederholen" being the
// default and Escape meaning "Abbrechen".
std::unique_ptr<QMessageBox> MakeMessageBox(QWidget* parent, const std::string& text, MsgIcon icon,
                                            MsgButtons buttons);
// The failure box of a synchronisation: as above with Abort/Retry/Ignore, the
// reason below the text, and a check box (its checkBox()) that asks to ignore
// every later failure of the run.
std::unique_ptr<QMessageBox> MakeFailureBox(QWidget* parent, const std::string& text,
                                            const std::string& reason);
inline constexpr const char* kIgnoreRestCaption =
    "Alle weiteren Fehler dieses Abgleichs ignorieren";
// The answer of a box that has been closed.
MsgAnswer AnswerOf(const QMessageBox& box, MsgButtons buttons);

}  // namespace zweiblick
