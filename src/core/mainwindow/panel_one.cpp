// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/panel_one.h"

namespace zweiblick {

std::string PanelOneText(const PanelOne& p) {
  if (p.running) return kPanelOneRunning;
  const char* const dot = " · ";
  std::string text = RowCountText(p.rows, p.rows - p.hidden);
  // Rows without any marker are only read, not compared: nothing to plan yet.
  bool planned = p.plan.marked > 0;
  // After a run its account; what the rows left would do is in sight in the
  // list, and in this panel again once their markers change.
  if (!p.undone.empty()) {
    text += dot + p.undone;
  } else if (p.account) {
    text += dot + SyncTallyLine(*p.account, true);
  } else if (planned) {
    // What does not fit comes first: where the window is narrow, the end of
    // the panel is cut off.
    std::string room = RoomText(p.plan);
    if (!room.empty()) text += dot + room;
    text += dot + ("Abgleich: " + SyncPlanText(p.plan));
  }
  return text;
}

}  // namespace zweiblick
