// The tool tips of the main window.
#pragma once

namespace zweiblick {

class MainWindow;

// Non-zero mode sets every tool tip of the window; 0 empties them, except those
// of the two folder buttons, which show only a symbol and keep their text.
void LoadToolTips(MainWindow& w, int mode);

}  // namespace zweiblick
