// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow/screen_reader_texts.h"

#include "list/markers.h"
#include "mainwindow/main_window.h"

namespace zweiblick {
namespace {

struct SpokenText {
  const char* control;
  // Empty: the control's own text is its name (the status panels read out
  // what they show).
  const char* name;
  const char* description;
};

// The names are the captions as heard: without access-key marks and line
// breaks, and "Fenster" spelt out in full, as the ear expects it.
const SpokenText kSpokenTexts[] = {
    {"Liste", "Vergleichsliste",
     "Links die Dateien des ersten Ordners, rechts die des zweiten, dazwischen das Ergebnis des "
     "Vergleichs, das zugleich die Aktion des Abgleichs ist. Die Menütaste setzt die Aktion der "
     "markierten Zeilen."},
    {"Btn0", "Ordner für die linke Spalte wählen",
     "Öffnet einen Dialog zur Verzeichnisauswahl; der gewählte Ordner füllt die linke Spalte "
     "„Erster Ordner“."},
    {"Btn1", "Ordner für die rechte Spalte wählen",
     "Öffnet einen Dialog zur Verzeichnisauswahl; der gewählte Ordner füllt die rechte Spalte "
     "„Zweiter Ordner“."},
    {"BtnReload", "Beide Ordner neu einlesen",
     "Liest beide gewählten Ordner neu ein, jeden in seine Spalte, und wiederholt den letzten "
     "Vergleich. Taste F5."},
    {"BtnUndo", "Letzten Abgleich rückgängig machen",
     "Legt die Kopien des letzten Abgleichs in den Papierkorb und holt zurück, was er ersetzt "
     "oder gelöscht hat; was sich seither geändert hat, bleibt. Tasten Strg+Z."},
    {"CompModeOpt0", "Binärvergleich", "Wählt den binären Vergleichsmodus: vergleicht den Inhalt."},
    {"CompModeOpt1", "Altersvergleich",
     "Wählt den versionsbezogenen Vergleichsmodus: vergleicht die Änderungszeiten."},
    {"CompModeOpt2", "Änderungsvergleich",
     "Vergleicht jede Seite mit ihrem Stand nach dem letzten Abgleich: gibt Änderungen und "
     "Löschungen weiter und zeigt Konflikte."},
    {"Pbar", "Fortschritt", "Zeigt den aktuellen Verarbeitungsstand an."},
    {"Btn8", "Dateienvergleich", "Startet den Vergleich der Dateien in den beiden Verzeichnissen."},
    {"Btn7", "Dateienabgleich",
     "Führt den Datenabgleich abhängig von der Relationsliste durch. Nur beim Alters- und "
     "Änderungsvergleich verfügbar."},
    {"Btn3", "Zwischenablage", "Kopiert den aktuellen Listeninhalt in die Zwischenablage"},
    {"Btn2", "Hilfe", "Öffnet die Hilfe im Browser."},
    {"Btn10", "Info", "Gibt Zusatzinfos über das Programm"},
    {"Btn9", "Ende", "Beendet das Programm."},
    {"SofortStartCheck", "Nach dem Auffüllen der rechten Spalte sofort mit dem Vergleich beginnen",
     "Startet den gewählten Vergleich, sobald die rechte Spalte gefüllt ist."},
    {"MyTopMostChk", "Fenster immer im Vordergrund halten",
     "Hält das Fenster über allen anderen Fenstern."},
    {"ToolTipCheck", "ToolTips anzeigen", "Schaltet die Tooltips ein oder aus"},
    {"DiffOnlyCheck", "Nur Unterschiede zeigen",
     "Blendet die Zeilen aus, deren Dateien gleich sind (\"=\"); der Abgleich führt trotzdem "
     "alle Zeilen aus."},
    {"SpeedCheck", "Schneller ausführen",
     "Erhöht die Performance von Zweiblick zu Lasten anderer Tasks; während langer Vorgänge "
     "reagiert das Fenster dann nicht."},
    {"Sbar", "Statusleiste", "Anzahl der Dateien in der Liste und Programmstatus."},
    {"SbarPanel1", "", "Anzahl der Dateien in der Liste."},
    {"SbarPanel2", "", "Programmstatus und Hinweise für den Anwender."},
};

struct SpokenMark {
  const char* marker;
  const char* words;
};

const SpokenMark kSpokenMarks[] = {
    {kMarkOrphan, "nur auf einer Seite"},
    {kMarkLeftOnly, "nur links, Kopie nach rechts vorgeschlagen"},
    {kMarkRightOnly, "nur rechts, Kopie nach links vorgeschlagen"},
    {kMarkLeftShorter, "links kürzer"},
    {kMarkLeftLonger, "links länger"},
    {kMarkContentsDiffer, "Inhalt verschieden"},
    {kMarkEqual, "gleich"},
    {kMarkCopyRight, "nach rechts kopieren"},
    {kMarkCopyLeft, "nach links kopieren"},
    {kMarkDeleteRight, "rechts löschen"},
    {kMarkDeleteLeft, "links löschen"},
    {kMarkDeleteBoth, "beide löschen"},
    {kMarkSkip, "übergehen"},
};

}  // namespace

std::string SpokenMarker(const std::string& marker) {
  for (const SpokenMark& m : kSpokenMarks)
    if (marker == m.marker) return m.words;
  return marker;
}

void DescribeControls(MainWindow& w) {
  for (const SpokenText& t : kSpokenTexts)
    w.Window().SetAccessibleText(t.control, t.name, t.description);
}

}  // namespace zweiblick
