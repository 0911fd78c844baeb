// What every window of the program shares: its names, its icon and German texts
// in Qt's own dialogs and menus, whatever language the desktop speaks.
#pragma once

#include <QIcon>

class QApplication;

namespace zweiblick {

// Call once, right after the application object is made. Returns whether Qt's
// German translations were found (without them Qt's own texts stay English).
bool SetUpApplication(QApplication& app);

// The program's icon in the sizes a desktop asks for.
QIcon ProgramIcon();

}  // namespace zweiblick
