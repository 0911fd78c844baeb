// SPDX-License-Identifier: GPL-3.0-or-later
#include "export/copy_list_to_clipboard.h"

#include "list/comparison_list.h"
#include "platform/run_reporter.h"

namespace zweiblick {

void CopyListToClipboard(const ComparisonList& list, RunReporter& run) {
  run.ShowBusyPointer(true);
  int count = list.Count();
  run.SetStatus(2, "Liste wird in die Zwischenablage kopiert ...");
  std::string text;
  for (int i = 1; i <= count; ++i) {
    run.SetProgress(static_cast<float>(static_cast<double>(i) * 100.0 / count));
    text += list.View(i, kLeftNameColumn);
    text += '\t';
    text += list.View(i, kMarkerColumn);
    text += '\t';
    text += list.View(i, kRightNameColumn);
    text += "\r\n";
  }
  run.Port().SetClipboardText(text);
  run.SetStatus(2, "Fertig.");
  run.SetProgress(0);
  run.ShowBusyPointer(false);
}

}  // namespace zweiblick
