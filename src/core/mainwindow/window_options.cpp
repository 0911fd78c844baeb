// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/window_options.h"

#include <string>

#include "mainwindow/captions.h"
#include "mainwindow/main_window.h"

namespace zweiblick {
namespace {

struct ToolTip {
  const char* control;
  const char* text;
  bool keptWhenOff;
};

const ToolTip kToolTips[] = {
    {"Liste",
     "Die zu vergleichenden Verzeichnisse zunächst in die linke und dann in die rechte Spalte "
     "ziehen.",
     false},
    {"Btn0", "Öffnet einen Dialog zur Verzeichnisauswahl", true},
    {"Btn1", "Öffnet einen Dialog zur Verzeichnisauswahl", true},
    // A symbol alone says little: its tip stays, as the folder buttons' do.
    {"BtnReload", kReloadToolTip, true},
    {"BtnUndo", kUndoToolTip, true},
    {"Btn3", "Kopiert den aktuellen Listeninhalt in die Zwischenablage", false},
    {"Btn7", "Führt den Datenabgleich abhängig von der Relationsliste durch.", false},
    {"Btn8", "Startet den Vergleich der Dateien in den beiden Verzeichnissen.", false},
    {"Btn9", "Beendet das Programm.", false},
    {"Btn10", "Gibt Zusatzinfos über das Programm", false},
    {"Pbar", "Zeigt den aktuellen Verarbeitungsstand an.", false},
    {"SbarPanel1", "Anzahl der Dateien in der Liste.", false},
    {"SbarPanel2", "Programmstatus und Hinweise für den Anwender.", false},
    {"ToolTipCheck", "Schaltet die Tooltips ein oder aus", false},
    {"SpeedCheck", "Erhöht die Performance von Zweiblick zu Lasten anderer Tasks.", false},
    {"CompModeOpt0", "Wählt den binären Vergleichsmodus", false},
    {"CompModeOpt1", "Wählt den versionsbezogenen Vergleichsmodus", false},
    {"CompModeOpt2", "Wählt den Vergleich mit dem Stand nach dem letzten Abgleich", false},
};

}  // namespace

void LoadToolTips(MainWindow& w, ToolTipMode mode) {
  for (const ToolTip& t : kToolTips) {
    if (mode == ToolTipMode::kOn)
      w.Window().SetToolTip(t.control, t.text);
    else if (!t.keptWhenOff)
      w.Window().SetToolTip(t.control, "");
  }
}

void ShowWindowSystemLimits(MainWindow& w) {
  if (w.Window().PlacesItself()) return;
  w.Window().EnableOption(Option::kTopMost, false);
  w.Window().SetToolTip("MyTopMostChk", kTopMostUnavailable);
  w.Window().SetAccessibleText("MyTopMostChk", "", kTopMostUnavailable);
}

}  // namespace zweiblick
