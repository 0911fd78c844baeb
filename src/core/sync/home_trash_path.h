// SPDX-License-Identifier: GPL-3.0-or-later
// Where the home trash lives.
#pragma once

#include <cstdlib>
#include <string>

namespace zweiblick {

// The home trash's folder: $XDG_DATA_HOME/Trash, by default
// ~/.local/share/Trash; empty when neither says where.
inline std::string HomeTrashPath() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && data[0] == '/') return std::string(data) + "/Trash";
  const char* home = std::getenv("HOME");
  if (!home || home[0] != '/') return {};
  return std::string(home) + "/.local/share/Trash";
}

}  // namespace zweiblick
