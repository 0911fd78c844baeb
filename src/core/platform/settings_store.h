// SPDX-License-Identifier: GPL-3.0-or-later
// The per-user settings store: text values by section and key.
#pragma once

#include <optional>
#include <string>

namespace zweiblick {

class SettingsStore {
 public:
  virtual ~SettingsStore() = default;
  virtual std::optional<std::string> Read(const std::string& section, const std::string& key) = 0;
  virtual void Write(const std::string& section, const std::string& key,
                     const std::string& value) = 0;
};

// A window's outer position and size, read and set in twips.
class FormPlacement {
 public:
  virtual ~FormPlacement() = default;
  virtual int Left() const = 0;
  virtual int Top() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetLeft(int twips) = 0;
  virtual void SetTop(int twips) = 0;
  // The size of the window's inside as it is when not maximised; 0 where the
  // window has no size of its own to keep.
  virtual int NormalWidth() const { return 0; }
  virtual int NormalHeight() const { return 0; }
  virtual void SetNormalSize(int width, int height) {}
  virtual bool Maximised() const { return false; }
  virtual void SetMaximised(bool maximised) {}
};

struct ScreenSize {
  int width = 0;  // twips
  int height = 0;
};

// One screen's place on the desktop, in twips; screens beside the first have
// their left or top edge away from 0.
struct ScreenArea {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

}  // namespace zweiblick
