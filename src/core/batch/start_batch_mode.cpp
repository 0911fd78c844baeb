// SPDX-License-Identifier: GPL-3.0-or-later
#include "batch/start_batch_mode.h"

#include <sys/stat.h>

#include <cerrno>
#include <string_view>

#include "batch/batch_steps.h"
#include "batch/filter_section.h"
#include "batch/ini_file.h"
#include "help/online_help.h"
#include "reading/nested_folders.h"
#include "reading/path_helpers.h"
#include "sync/failure_reason.h"
#include "sync/synchronize_folders.h"

namespace zweiblick {
namespace {

bool IsFolder(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// A switch of [AutoStart] as the profile buffer holds it. A longer value is
// refused only when its cut reads otherwise than the whole of it: then the
// file would be acted on in part.
template <typename Reading>
bool ReadSwitch(std::string_view content, const std::string& key, std::string& errors,
                Reading reading) {
  bool on = reading(ReadIniString(content, "AutoStart", key, ""));
  if (reading(IniValue(content, "AutoStart", key).value_or("")) != on)
    errors += " * Der Wert von ''" + key + "'' im Abschnitt [AutoStart] ist länger als " +
              std::to_string(kMaxIniValueChars) + " Zeichen und würde gekürzt anders gelesen.\r";
  return on;
}

bool SwitchOn(std::string_view content, const std::string& key, std::string& errors) {
  return ReadSwitch(content, key, errors,
                    [](std::string_view value) { return LeadingNumber(value) != 0; });
}

// Whether a value begins with a number that has a digit, as LeadingNumber
// reads it: "0", "-0", ".0", not "", "-", "+" or ".".
bool ReadsDigit(std::string_view value) {
  size_t i = value.find_first_not_of(" \t");
  if (i != std::string_view::npos && (value[i] == '+' || value[i] == '-')) ++i;
  if (i < value.size() && value[i] == '.') ++i;
  return i < value.size() && value[i] >= '0' && value[i] <= '9';
}

std::string CheckFolder(std::string_view content, const char* key, const char* side,
                        std::string& path) {
  // Cut as the profile buffer cuts it: a path that long is longer than any the
  // system opens, so a cut one is refused below and never names another folder.
  path = ReadIniString(content, "Pfade", key, "");
  if (!path.empty() && path.back() != kSep) path += kSep;
  // The system would read a path only up to a NUL: it would name another folder.
  if (path.find('\0') != std::string::npos)
    return " * Der Verzeichnispfad ''" + ShownInMessage(path) + "'' für die " + side +
           " Spalte existiert nicht.\r";
  std::string bare = path.substr(0, path.empty() ? 0 : path.size() - 1);
  struct stat st {};
  if (!bare.empty() && stat(bare.c_str(), &st) == 0 && !S_ISDIR(st.st_mode))
    return " * Der Verzeichnispfad ''" + path + "'' für die " + side +
           " Spalte bezeichnet eine Datei, keinen Ordner.\r";
  // An existing folder is accepted whatever it holds: a tree sorted into
  // subfolders or a new, empty stick is a folder to synchronise too.
  if (!IsFolder(path))
    return " * Der Verzeichnispfad ''" + path + "'' für die " + side + " Spalte existiert nicht.\r";
  return {};
}

// A pair of folders that lie one in the other: a synchronisation would copy
// one into the other, one level deeper at every run.
std::string NestingLine(const std::string& left, const std::string& right) {
  switch (NestingOf(left, right)) {
    case FolderNesting::kSame:
      return " * Die Ordner ''" + left + "'' und ''" + right +
             "'' sind derselbe Ordner: er lässt sich nicht mit sich selbst vergleichen.\r";
    case FolderNesting::kFirstInsideSecond:
    case FolderNesting::kSecondInsideFirst:
      return " * Die Ordner ''" + left + "'' und ''" + right +
             "'' liegen ineinander: ein Abgleich würde einen in den anderen kopieren.\r";
    case FolderNesting::kApart:
      break;
  }
  return {};
}

// The problems of the control file, each as one line " * ...\r"; empty when it
// can run. Reads the switches into `b` on the way.
std::string CheckControlFile(std::string& iniFileName, BatchSwitches& b, const std::string& name,
                             std::string& leftFolder, std::string& rightFolder,
                             NameFilter& filter) {
  if (IsFolder(name))
    return " * Der angegebene Name ''" + name + "''bezeichnet ein Verzeichnis, keine Datei.\r";
  if (!FileExists(name)) return " * Die Steuerdatei ''" + name + "'' wurde nicht gefunden.\r";
  iniFileName = name;
  WholeFile file = ReadWholeFile(name);
  switch (file.fault) {
    case WholeFile::Fault::kNone:
      break;
    case WholeFile::Fault::kNotAFile:
      return " * Die Steuerdatei ''" + name + "'' wurde nicht gefunden.\r";
    case WholeFile::Fault::kTooLarge:
      return " * Die Steuerdatei ''" + name + "'' ist größer als " +
             std::to_string(kMaxIniFileSize >> 20) + " MiB und wird daher nicht gelesen.\r";
    case WholeFile::Fault::kSystem:
      return " * Die Steuerdatei ''" + name + "'' ließ sich nicht lesen: " +
             (file.error == EACCES || file.error == EPERM ? "Die Berechtigung dazu fehlt."
                                                          : FailureReason(file.error)) +
             "\r";
  }
  const std::string& content = file.text;
  std::string errors = CheckFolder(content, "Links", "linke", leftFolder);
  errors += CheckFolder(content, "Rechts", "rechte", rightFolder);
  if (errors.empty()) errors = NestingLine(leftFolder, rightFolder);
  b.BatchBinaryCompare = SwitchOn(content, "Binärvergleich", errors);
  b.BatchAgeCompare = SwitchOn(content, "Altersvergleich", errors);
  b.BatchChangeCompare = SwitchOn(content, "Änderungsvergleich", errors);
  b.BatchSync = SwitchOn(content, "Abgleich", errors);
  b.BatchClipboard = SwitchOn(content, "Zwischenablage", errors);
  b.BatchEnd = SwitchOn(content, "Ende", errors);
  // Carrying out the proposals "? -->" and "? <--" lets an unattended run fill
  // a new, empty folder; without the key a run copies only what is newer.
  b.BatchProposals = SwitchOn(content, "Vorschläge", errors);
  // Deleted and replaced files go to the trash unless the file says
  // Papierkorb=0: only a number that is 0 switches it off, never a word, a
  // lone sign or an empty value.
  b.Trash = ReadSwitch(content, "Papierkorb", errors, [](std::string_view value) {
    return !ReadsDigit(value) || LeadingNumber(value) != 0;
  });
  bool binary = b.BatchBinaryCompare, age = b.BatchAgeCompare, changes = b.BatchChangeCompare;
  bool noType = !binary && !age && !changes;
  if (binary && age && !changes)
    errors +=
        " * Sie haben sowohl Binär- als auch Altersvergleich angefordert - diese schliessen "
        "einander aus.\r";
  else if (changes && (binary || age))
    errors +=
        " * Sie haben den Änderungsvergleich zusammen mit einem anderen Vergleichstyp "
        "angefordert - diese schliessen einander aus.\r";
  if (noType && b.BatchSync)
    errors += " * Sie haben einen Abgleich ohne Angabe des Vergleichstyps angefordert.\r";
  if (noType && b.BatchEnd)
    errors +=
        " * Sie haben keinen Vergleichstyps eingestellt, sondern nur das autom. Ende des "
        "Programms.\r";
  if (noType && b.BatchClipboard)
    errors +=
        " * Sie haben eine Kopie in die Zwischenablage ohne Angabe des Vergleichstyps "
        "angefordert.\r";
  if (!noType && b.BatchEnd && !b.BatchClipboard && !b.BatchSync)
    errors +=
        " * In der jetzigen Einstellung haben Sie nichts vom Vergleichsergebnis, da das Programm "
        "ohne Abgleich "
        "und/oder Kopie in die Zwischenablage enden soll.\r";
  if (binary && b.BatchSync) errors += " * Ein Abgleich ist für Binärvergleiche nicht verfügbar.\r";
  if (b.BatchProposals && !((age || changes) && b.BatchSync))
    errors +=
        " * Sie haben die Ausführung der Vorschläge ohne Altersvergleich und Abgleich "
        "angefordert.\r";
  errors += CheckFilterSection(content, filter);
  return errors;
}

}  // namespace

std::string ReadIniString(std::string_view content, const std::string& section,
                          const std::string& key, const std::string& defaultValue) {
  return CutToProfileBuffer(IniValue(content, section, key).value_or(defaultValue));
}

namespace {

// Checks the control file as the batch mode starts; false where it fails
// its checks, told in one message.
bool AcceptedControlFile(BatchSteps& w, const std::string& commandLine, std::string& leftFolder,
                         std::string& rightFolder, NameFilter& filter) {
  std::string name(TrimBlanks(commandLine));
  w.Batch().BatchActive = true;
  if (name.find(':') == std::string::npos && name.find(kSep) == std::string::npos)
    name = ProgramFolder() + name;
  std::string errors =
      CheckControlFile(w.IniFile(), w.Batch(), name, leftFolder, rightFolder, filter);
  if (errors.empty()) return true;
  w.Report().ShowMessage(
      std::string("Sie haben ") + kProgramName +
          " im Batch-Modus aufgerufen. Dabei kam es zu folgendem Fehler:\r\r" + errors +
          "\rDer Batch-Modus wird daher unterbrochen. Bitte überprüfen Sie Ihre Angaben und "
          "starten Sie erneut.",
      MsgIcon::kCritical, MsgButtons::kOk);
  w.Batch().BatchActive = false;
  return false;
}

}  // namespace

BatchOutcome UndoBatchRun(BatchSteps& w, const std::string& commandLine, bool& undone) {
  undone = false;
  if (TrimBlanks(commandLine).empty()) return BatchOutcome::kNone;
  std::string leftFolder, rightFolder;
  NameFilter filter;
  if (!AcceptedControlFile(w, commandLine, leftFolder, rightFolder, filter))
    return BatchOutcome::kRejected;
  undone = w.UndoLastRun(leftFolder, rightFolder);
  w.Batch().BatchActive = false;
  return BatchOutcome::kDone;
}

BatchOutcome StartBatchMode(BatchSteps& w, const std::string& commandLine, SyncTally* tally) {
  if (TrimBlanks(commandLine).empty()) return BatchOutcome::kNone;
  std::string leftFolder, rightFolder;
  NameFilter filter;
  if (!AcceptedControlFile(w, commandLine, leftFolder, rightFolder, filter))
    return BatchOutcome::kRejected;
  if (w.Batch().BatchBinaryCompare) w.SelectCompMode(0);
  if (w.Batch().BatchAgeCompare) w.SelectCompMode(kCompModeAge);
  if (w.Batch().BatchChangeCompare) w.SelectCompMode(kCompModeChanges);
  const BatchSwitches& batch = w.Batch();
  w.SetNameFilter(std::move(filter));
  // A step the user stopped with Escape ends the run there: the later steps
  // would work on what he did not want, and the window stays to look at.
  auto stopped = [&] { return w.LastOperationStopped() && !w.Ending(); };
  w.FillColumn(leftFolder, true);
  if (!stopped()) w.FillColumn(rightFolder, false);
  if (!stopped() && (batch.BatchBinaryCompare || batch.BatchAgeCompare || batch.BatchChangeCompare))
    w.CompareSelected();
  if (!stopped() && batch.BatchClipboard) w.CopyListToClipboard();
  if (!stopped() && batch.BatchSync) {
    SyncTally done = w.SynchronizeFolders(batch.BatchProposals);
    if (tally) *tally = done;
    // Refused like a control file that fails its checks: told in one message,
    // and the window stays.
    if (done.busy) {
      w.Batch().BatchActive = false;
      return BatchOutcome::kRejected;
    }
  }
  if (!stopped() && batch.BatchEnd) w.EndProcess();
  w.Batch().BatchActive = false;
  return BatchOutcome::kDone;
}

}  // namespace zweiblick
