// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/app_settings.h"

#include <charconv>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <optional>

#include "settings/screens.h"

namespace zweiblick {
namespace {

// A stored text as a whole number; a text that is no number counts as missing.
std::optional<long> WholeNumber(const std::string& text) {
  std::string_view t = text;
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
  double value = 0;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
  if (t.empty() || ec != std::errc() || end != t.data() + t.size() || !std::isfinite(value))
    return std::nullopt;
  return std::lrint(value);  // nearest, ties to even
}

}  // namespace

void SaveAppSetting(SettingsStore& store, const std::string& key, const std::string& value) {
  store.Write(kSettingsSection, key, value);
}

std::string GetAppSetting(SettingsStore& store, const std::string& key,
                          const std::string& defaultValue) {
  return store.Read(kSettingsSection, key).value_or(defaultValue);
}

void SaveWindowPosition(const FormPlacement& form, SettingsStore& store) {
  SaveAppSetting(store, "_Top", std::to_string(form.Top()));
  SaveAppSetting(store, "_Left", std::to_string(form.Left()));
}

void RestoreWindowPosition(FormPlacement& form, SettingsStore& store,
                           const std::vector<ScreenArea>& screens) {
  long top = WholeNumber(GetAppSetting(store, "_Top", "-1")).value_or(-1);
  long left = WholeNumber(GetAppSetting(store, "_Left", "-1")).value_or(-1);
  // Only what a twips value can hold is a position; anything beyond is off every screen.
  bool fits = top <= INT_MAX && left <= INT_MAX;
  ScreenArea window{static_cast<int>(left), static_cast<int>(top), form.Width(), form.Height()};
  if (fits && top > 0 && left > 0 && OnAScreen(left, top, screens) &&
      MostlyOnScreens(window, screens)) {
    form.SetTop(static_cast<int>(top));
    form.SetLeft(static_cast<int>(left));
  } else {
    CenterFormOnScreenArea(form, screens.empty() ? ScreenArea{} : screens.front());
  }
}

void SaveWindowSize(const FormPlacement& form, SettingsStore& store) {
  if (form.NormalWidth() <= 0 || form.NormalHeight() <= 0) return;
  SaveAppSetting(store, "_Width", std::to_string(form.NormalWidth()));
  SaveAppSetting(store, "_Height", std::to_string(form.NormalHeight()));
  SaveAppSetting(store, "_Maximized", form.Maximised() ? "1" : "0");
}

void RestoreWindowSize(FormPlacement& form, SettingsStore& store,
                       const std::vector<ScreenArea>& screens, ScreenSize minimum) {
  long width = WholeNumber(GetAppSetting(store, "_Width", "")).value_or(0);
  long height = WholeNumber(GetAppSetting(store, "_Height", "")).value_or(0);
  bool fits = width >= minimum.width && height >= minimum.height;
  if (fits && !screens.empty())
    fits = width <= screens.front().width && height <= screens.front().height;
  if (fits) form.SetNormalSize(static_cast<int>(width), static_cast<int>(height));
  if (GetAppSetting(store, "_Maximized", "0") == "1") form.SetMaximised(true);
}

void CenterFormOnScreen(FormPlacement& form, ScreenSize screen) {
  CenterFormOnScreenArea(form, ScreenArea{0, 0, screen.width, screen.height});
}

void CenterFormOnScreenArea(FormPlacement& form, const ScreenArea& screen) {
  long d = std::lrint(static_cast<double>(screen.width) - form.Width());
  form.SetLeft(static_cast<int>(screen.left + d / 2));  // division drops the remainder, toward zero
  d = std::lrint(static_cast<double>(screen.height) - form.Height());
  form.SetTop(static_cast<int>(screen.top + d / 2));
}

}  // namespace zweiblick
