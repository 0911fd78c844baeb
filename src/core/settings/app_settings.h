// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's remembered position, and the centring of windows.
#pragma once

#include <string>
#include <vector>

#include "platform/settings_store.h"

namespace zweiblick {

inline constexpr const char* kSettingsApplication = "Melkart Software";
inline constexpr const char* kSettingsSection = "Zweiblick";

void SaveAppSetting(SettingsStore& store, const std::string& key, const std::string& value);
std::string GetAppSetting(SettingsStore& store, const std::string& key,
                          const std::string& defaultValue);

void SaveWindowPosition(const FormPlacement& form, SettingsStore& store);
// Places the form at its stored position when its corner lies on a screen and
// most of it would be seen there; centres it on the primary screen (the first)
// otherwise: a screen that is gone, or another scale, must not leave the window
// out of sight.
void RestoreWindowPosition(FormPlacement& form, SettingsStore& store,
                           const std::vector<ScreenArea>& screens);
// The window's size and whether it was maximised, beside its position. The
// compositor may place a window, its size is still the user's.
void SaveWindowSize(const FormPlacement& form, SettingsStore& store);
// A stored size smaller than `minimum` (the window's first size, which the
// layout never goes below) or larger than the primary screen is not used.
void RestoreWindowSize(FormPlacement& form, SettingsStore& store,
                       const std::vector<ScreenArea>& screens, ScreenSize minimum);
void CenterFormOnScreen(FormPlacement& form, ScreenSize screen);
void CenterFormOnScreenArea(FormPlacement& form, const ScreenArea& screen);

}  // namespace zweiblick
