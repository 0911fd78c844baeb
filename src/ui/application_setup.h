// What every window of the program shares: its names, its icon and German texts
// in Qt's own dialogs and menus, whatever language the desktop speaks.
#pragma once

class QApplication;

namespace zweiblick {

// Call once, right after the application object is made.
void SetUpApplication(QApplication& app);

}  // namespace zweiblick
