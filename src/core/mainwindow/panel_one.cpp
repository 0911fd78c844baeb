#include "mainwindow/panel_one.h"

namespace zweiblick {

std::string RowCountText(int count) {
  return std::to_string(count) + (count == 1 ? " Datei" : " Dateien");
}

std::string PanelOneText(const PanelOne& p) {
  if (p.running) return kPanelOneRunning;
  const char* const dot = " · ";
  std::string text = RowCountText(p.rows);
  // Rows without any marker are only read, not compared: nothing to plan yet.
  bool planned = p.plan.marked > 0;
  if (p.account) {
    text += dot + SyncTallyLine(*p.account);
    if (planned && p.plan.Acts()) text += dot + ("noch offen: " + SyncPlanText(p.plan));
  } else if (planned) {
    text += dot + ("Abgleich: " + SyncPlanText(p.plan));
  }
  return text;
}

}  // namespace zweiblick
