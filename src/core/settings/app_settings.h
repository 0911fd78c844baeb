// The main window's remembered position, and the centring of windows.
#pragma once

#include <string>

#include "platform/settings_store.h"

namespace zweiblick {

inline constexpr const char* kSettingsApplication = "Melkart Software";
inline constexpr const char* kSettingsSection = "Zweiblick";

void SaveAppSetting(SettingsStore& store, const std::string& key, const std::string& value);
std::string GetAppSetting(SettingsStore& store, const std::string& key,
                          const std::string& defaultValue);

void SaveWindowPosition(const FormPlacement& form, SettingsStore& store);
// Places the form at its stored position when that lies on the screen; centres it otherwise.
void RestoreWindowPosition(FormPlacement& form, SettingsStore& store, ScreenSize screen);
void CenterFormOnScreen(FormPlacement& form, ScreenSize screen);

}  // namespace zweiblick
