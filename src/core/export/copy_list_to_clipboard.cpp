#include "export/copy_list_to_clipboard.h"

#include "mainwindow/main_window.h"

namespace zweiblick {

void CopyListToClipboard(MainWindow& w) {
  MainWindow::Operation op(w);
  if (!op) return;
  w.Port().ShowBusyPointer(true);
  const ComparisonList& list = w.Liste();
  int count = list.Count();
  w.SetStatus(2, "Liste wird in die Zwischenablage kopiert ...");
  std::string text;
  for (int i = 1; i <= count; ++i) {
    w.SetProgress(static_cast<float>(static_cast<double>(i) * 100.0 / count));
    text += list.View(i, kLeftNameColumn);
    text += '\t';
    text += list.View(i, kMarkerColumn);
    text += '\t';
    text += list.View(i, kRightNameColumn);
    text += "\r\n";
  }
  w.Port().SetClipboardText(text);
  w.SetStatus(2, "Fertig.");
  w.SetProgress(0);
  w.Port().ShowBusyPointer(false);
}

}  // namespace zweiblick
