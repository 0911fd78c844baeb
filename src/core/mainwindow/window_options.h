// SPDX-License-Identifier: GPL-3.0-or-later
// The tool tips of the main window.
#pragma once

namespace zweiblick {

class MainWindow;

enum class ToolTipMode { kOff, kOn };

// kOn sets every tool tip of the window; kOff empties them, except those of the
// two folder buttons, which show only a symbol and keep their text.
void LoadToolTips(MainWindow& w, ToolTipMode mode);

// Why "always on top" cannot be had where the window system keeps it from the
// window; the tool tip stays in both states of the tool-tip option, as it is
// the only place that says so.
inline constexpr const char* kTopMostUnavailable =
    "Unter Wayland kann Zweiblick sein Fenster nicht selbst im Vordergrund halten; viele "
    "Desktops bieten das im Menü der Titelleiste an.";

// Shows the option as unavailable where the window system does not let the
// window stay above others.
void ShowWindowSystemLimits(MainWindow& w);

}  // namespace zweiblick
