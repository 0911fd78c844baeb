// SPDX-License-Identifier: GPL-3.0-or-later
// Where a window lies among the desktop's screens.
#pragma once

#include <vector>

#include "platform/settings_store.h"

namespace zweiblick {

// Whether the point lies on one of the screens (left and top edges included).
bool OnAScreen(long long left, long long top, const std::vector<ScreenArea>& screens);

// Whether at least half of the window's area lies on the screens; where
// screens overlap, their common part counts once.
bool MostlyOnScreens(const ScreenArea& window, const std::vector<ScreenArea>& screens);

}  // namespace zweiblick
