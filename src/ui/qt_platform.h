// SPDX-License-Identifier: GPL-3.0-or-later
// Qt implementations of the platform pieces the core asks for.
#pragma once

#include <QFont>
#include <QPointer>
#include <QWidget>
#include <vector>

#include "platform/settings_store.h"

namespace zweiblick {

// The per-user settings store under organisation "Melkart Software" and
// application "Zweiblick".
class QtSettingsStore : public SettingsStore {
 public:
  std::optional<std::string> Read(const std::string& section, const std::string& key) override;
  void Write(const std::string& section, const std::string& key, const std::string& value) override;
};

// A top-level widget's outer position and size in twips.
class WidgetPlacement : public FormPlacement {
 public:
  explicit WidgetPlacement(QWidget* w) : w_(w) {}
  int Left() const override;
  int Top() const override;
  int Width() const override;
  int Height() const override;
  void SetLeft(int twips) override;
  void SetTop(int twips) override;
  int NormalWidth() const override;
  int NormalHeight() const override;
  void SetNormalSize(int width, int height) override;
  bool Maximised() const override;
  void SetMaximised(bool maximised) override;
  // Whether the window is to open maximised when it is first shown.
  bool MaximiseOnShow() const { return maximiseOnShow_; }

 private:
  QPointer<QWidget> w_;
  bool maximiseOnShow_ = false;
};

// The narrow 8-point dialog font the window layouts were drawn for; Liberation
// Sans has the metrics of the font people know from that desktop.
QFont DialogFont(QFont base);

// The primary screen's size in twips.
ScreenSize PrimaryScreenTwips();
// Every screen's place on the desktop in twips, the primary one first.
std::vector<ScreenArea> ScreensTwips();
// Whether the platform lets a window place itself and stay on top: native
// Wayland does not.
bool WindowsPlaceThemselves();

}  // namespace zweiblick
