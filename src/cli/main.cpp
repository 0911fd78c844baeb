// SPDX-License-Identifier: GPL-3.0-or-later
// zweiblick-cli CONTROLFILE: runs a control file without a display.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "batch/ini_file.h"
#include "batch/start_batch_mode.h"
#include "cli/console_window.h"
#include "cli/text_comparison.h"
#include "mainwindow/main_window.h"
#include "platform/descriptors.h"
#include "sync/synchronize_folders.h"
#include "sync/temporary_files.h"

namespace {

constexpr const char* kUsage =
    "Aufruf: zweiblick-cli STEUERDATEI\n"
    "        zweiblick-cli --rueckgaengig STEUERDATEI\n"
    "        zweiblick-cli --textvergleich [SCHALTER] LINKS RECHTS\n";

}  // namespace

int main(int argc, char** argv) {
  // Before any thread: a run onto a stick keeps hundreds of files open.
  zweiblick::RaiseDescriptorLimit();
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kUsage, stdout);
    std::fputs(
        "Führt die Schritte der Steuerdatei aus (Abschnitte [Pfade], [AutoStart] und\n"
        "[Filter]).\n"
        "Ein relativer Name der Steuerdatei gilt vom aktuellen Verzeichnis aus.\n"
        "Die Liste von \"Zwischenablage\" geht auf die Standardausgabe, Meldungen auf die\n"
        "Standardfehlerausgabe; ein fehlgeschlagenes Kopieren oder Löschen wird übergangen.\n"
        "Nach einem Abgleich folgt eine Zeile mit dem, was kopiert, gelöscht, nicht\n"
        "geschafft und nur vorgeschlagen wurde, und danach jede fehlgeschlagene Datei\n"
        "mit ihrem Grund.\n"
        "Rückgabewert: 0 alles ausgeführt, 1 ein Eintrag konnte nicht gelesen, kopiert oder\n"
        "gelöscht werden, Daten kamen nicht sicher auf den Datenträger oder die Liste\n"
        "konnte nicht ausgegeben werden, 2 Steuerdatei fehlerhaft oder falscher Aufruf.\n"
        "\n"
        "--rueckgaengig STEUERDATEI macht den letzten Abgleich des Ordnerpaars der\n"
        "Steuerdatei rückgängig: seine Kopien gehen in den Papierkorb, was er ersetzt oder\n"
        "gelöscht hat, kommt aus dem Papierkorb zurück. Was sich seither geändert hat,\n"
        "bleibt, wie es ist, und wird genannt. Rückgabewert: 0 alles rückgängig gemacht,\n"
        "1 etwas blieb oder schlug fehl, 2 Steuerdatei fehlerhaft oder nichts rückgängig\n"
        "zu machen.\n"
        "\n"
        "--textvergleich LINKS RECHTS vergleicht zwei Textdateien Zeile für Zeile und gibt\n"
        "die Unterschiede im vereinheitlichten Format aus (wie diff -u). Rückgabewert:\n"
        "0 gleich, 1 verschieden, 2 eine Datei kann nicht gelesen werden oder falscher\n"
        "Aufruf. Die SCHALTER wirken wie die Ausnahmen im Fenster \"Textvergleich\":\n"
        "  --leerraum-ignorieren      Leerzeichen und Tabulatoren zählen nicht\n"
        "  --gross-klein-ignorieren   Groß- und Kleinschreibung zählt nicht\n"
        "  --zeilenenden-ignorieren   CRLF, LF und ein fehlendes letztes Zeilenende\n"
        "                             zählen nicht\n",
        stdout);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("zweiblick-cli %d.%d.%d\n", ZWEIBLICK_VERSION_MAJOR, ZWEIBLICK_VERSION_MINOR,
                ZWEIBLICK_VERSION_PATCH);
    return 0;
  }
  if (argc >= 2 && std::strcmp(argv[1], "--textvergleich") == 0) {
    zweiblick::TextComparisonCall call;
    std::string error;
    if (!zweiblick::ParseTextComparison(argc - 2, argv + 2, call, error)) {
      if (!error.empty()) std::fprintf(stderr, "%s\n", error.c_str());
      std::fputs(kUsage, stderr);
      return 2;
    }
    return zweiblick::RunTextComparison(call);
  }
  const bool undo = argc == 3 && std::strcmp(argv[1], "--rueckgaengig") == 0;
  if (argc != 2 && !undo) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string name(zweiblick::TrimBlanks(argv[undo ? 2 : 1]));
  if (name.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  // On a command line a relative name means the current folder, not the
  // program's, where the batch mode looks for a bare name.
  name = std::filesystem::absolute(name).string();
  zweiblick::RemoveUnfinishedCopyOnSignals();
  zweiblick::ConsoleWindow console;
  zweiblick::MainWindow window(console);
  window.SelectCompMode(0);
  if (undo) {
    bool undone = false;
    zweiblick::BatchOutcome outcome = zweiblick::UndoBatchRun(window, name, undone);
    const zweiblick::UndoTally& t = window.LastUndo();
    // 2 where nothing could be undone (a bad control file, no run to undo);
    // a folder held by another run or a journal that cannot be read fails.
    if (outcome == zweiblick::BatchOutcome::kRejected || t.none) return 2;
    console.Report(zweiblick::UndoTallyLine(t));
    if (!t.leftAlone.empty()) console.Report("Unverändert gelassen:");
    for (const std::string& line : t.leftAlone) console.Report("  " + line);
    const bool failed = console.Finish();
    return undone && !failed ? 0 : 1;
  }
  zweiblick::SyncTally tally;
  zweiblick::BatchOutcome outcome = zweiblick::StartBatchMode(window, name, &tally);
  if (outcome == zweiblick::BatchOutcome::kRejected) return 2;
  if (window.Batch().BatchSync) {
    console.Report(zweiblick::SyncTallyLine(tally));
    // Once more at the end, where the user looks: the failures scrolled away
    // among the run's other lines.
    const zweiblick::ComparisonList& list = window.Liste();
    if (list.FailedCount() > 0) console.Report("Fehlgeschlagen:");
    for (int r = 1; r <= list.Count(); ++r) {
      std::string_view reason = list.Failure(r);
      if (reason.empty()) continue;
      std::string_view name = list.View(r, zweiblick::kLeftNameColumn);
      if (name.empty()) name = list.View(r, zweiblick::kRightNameColumn);
      console.Report("  " + std::string(name) + " (" +
                     std::string(list.View(r, zweiblick::kMarkerColumn)) +
                     "): " + std::string(reason));
    }
  }
  return console.Finish() ? 1 : 0;
}
