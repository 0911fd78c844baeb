// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/run_reporter.h"

namespace zweiblick {

inline constexpr const char* kStatusPrefix = "Status: ";

void RunReporter::SetStatus(int panel, const std::string& text) {
  if (panel == 2 && !text.empty())
    port_.ShowStatusPanel(2, kStatusPrefix + text);
  else
    port_.ShowStatusPanel(panel, text);
}

void RunReporter::EnableCompareButton(bool enabled) {
  compareEnabled_ = enabled;
  port_.EnableButton(kCompareButtonIndex, enabled);
}

}  // namespace zweiblick
