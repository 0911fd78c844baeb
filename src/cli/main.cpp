// zweiblick-cli CONTROLFILE: runs a control file without a display.
#include <cstdio>
#include <cstring>
#include <string>

#include "batch/start_batch_mode.h"
#include "cli/console_window.h"
#include "mainwindow/main_window.h"

namespace {

constexpr const char* kUsage = "Aufruf: zweiblick-cli STEUERDATEI\n";

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
    std::fputs(kUsage, stdout);
    std::fputs(
        "Führt die Schritte der Steuerdatei aus (Abschnitte [Pfade] und [AutoStart]).\n"
        "Die Liste von \"Zwischenablage\" geht auf die Standardausgabe, Meldungen auf die\n"
        "Standardfehlerausgabe; ein fehlgeschlagenes Kopieren oder Löschen wird übergangen.\n"
        "Rückgabewert: 0 alles ausgeführt, 1 ein Eintrag konnte nicht gelesen, kopiert oder\n"
        "gelöscht werden, 2 Steuerdatei fehlerhaft oder falscher Aufruf.\n",
        stdout);
    return 0;
  }
  if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
    std::printf("zweiblick-cli %d.%d.%d\n", ZWEIBLICK_VERSION_MAJOR, ZWEIBLICK_VERSION_MINOR,
                ZWEIBLICK_VERSION_PATCH);
    return 0;
  }
  if (argc != 2) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  zweiblick::ConsoleWindow console;
  zweiblick::MainWindow window(console);
  window.SelectCompMode(0);
  std::string name = argv[1];
  if (name.find_first_not_of(" \t") == std::string::npos) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  zweiblick::BatchOutcome outcome = zweiblick::StartBatchMode(window, name);
  if (outcome == zweiblick::BatchOutcome::kRejected) return 2;
  return console.Failed() ? 1 : 0;
}
