// SPDX-License-Identifier: GPL-3.0-or-later
// The record, the journals and the trash in folders of the test's own.
#pragma once

#include <cstdlib>
#include <string>

#include "temp_tree.h"

namespace zweiblick::testing {

// The record and the trash in folders of the test's own, set before the
// window that reads them is made.
struct OwnStateAndTrash {
  TempTree state, data;
  // What the suite had before, given back after: later tests rely on it.
  std::string savedState = Saved("XDG_STATE_HOME"), savedData = Saved("XDG_DATA_HOME");
  OwnStateAndTrash() {
    setenv("XDG_STATE_HOME", state.Path().c_str(), 1);
    setenv("XDG_DATA_HOME", data.Path().c_str(), 1);
  }
  ~OwnStateAndTrash() {
    Restore("XDG_STATE_HOME", savedState);
    Restore("XDG_DATA_HOME", savedData);
  }
  static std::string Saved(const char* name) {
    const char* v = getenv(name);
    return v ? std::string(1, '=') + v : std::string();
  }
  static void Restore(const char* name, const std::string& saved) {
    if (saved.empty())
      unsetenv(name);
    else
      setenv(name, saved.c_str() + 1, 1);
  }
  std::string Database() const { return state.Path("zweiblick/abgleichstand.sqlite"); }
};

}  // namespace zweiblick::testing
