#include "export/copy_list_to_clipboard.h"

#include "mainwindow/main_window.h"

namespace zweiblick {
namespace {

// Names and markers go out as they are: nothing is quoted or escaped.
void AppendLine(const ComparisonList& list, int i, std::string& text) {
  text += list.View(i, kLeftNameColumn);
  text += '\t';
  text += list.View(i, kMarkerColumn);
  text += '\t';
  text += list.View(i, kRightNameColumn);
  text += "\r\n";
}

}  // namespace

std::string ListText(const ComparisonList& list) {
  std::string text;
  for (int i = 1; i <= list.Count(); ++i) AppendLine(list, i, text);
  return text;
}

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
    AppendLine(list, i, text);
  }
  w.Port().SetClipboardText(text);
  w.SetStatus(2, "Fertig.");
  w.SetProgress(0);
  w.Port().ShowBusyPointer(false);
}

}  // namespace zweiblick
