// SPDX-License-Identifier: GPL-3.0-or-later
// What every window of the program shares: its names, its icon and German texts
// in Qt's own dialogs and menus, whatever language the desktop speaks.
#pragma once

class QApplication;

namespace zweiblick {

// Call before the application object is made: in a Wayland session with
// XWayland the window goes through XWayland, where it can take its stored
// place and stay on top; native Wayland lets the compositor alone decide both.
// Without XWayland, or when the user named a platform, nothing changes.
void ChooseWindowSystem();

// Call once, right after the application object is made.
void SetUpApplication(QApplication& app);

}  // namespace zweiblick
