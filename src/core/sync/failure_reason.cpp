// SPDX-License-Identifier: GPL-3.0-or-later
#include "sync/failure_reason.h"

#include <locale.h>
#include <string.h>

#include <cerrno>

#include "sync/safe_files.h"

namespace zweiblick {
namespace {

// The system's own text in German where the German locale is installed;
// otherwise a German sentence with the number, which support can look up.
// The character set comes with LC_CTYPE: with LC_MESSAGES alone the text is
// turned into ASCII, every umlaut a "?". Whether there is a German text at
// all is told against the C locale's: the program's own locale may be German
// already (Qt takes the user's at start).
std::string SystemText(int error) {
  std::string text;
  locale_t german =
      newlocale(LC_CTYPE_MASK | LC_MESSAGES_MASK, "de_DE.UTF-8", static_cast<locale_t>(0));
  locale_t plain = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0));
  if (german && plain) {
    text = strerror_l(error, german);
    if (text == strerror_l(error, plain)) text.clear();
  }
  if (german) freelocale(german);
  if (plain) freelocale(plain);
  if (!text.empty()) return text + ".";
  return "Das Betriebssystem meldet den Fehler Nr. " + std::to_string(error) + ".";
}

}  // namespace

std::string FailureReason(int error) {
  switch (error) {
    case kChangedSinceRead:
      return "Die Datei wurde seit dem Einlesen der Ordner verändert; bitte die Ordner neu "
             "einlesen und vergleichen.";
    case kNotTheFolderRead:
      return "Der Ordner ist nicht mehr der, der eingelesen wurde (etwa ein abgezogener oder "
             "anderer Datenträger).";
    case kTimeNotKept:
      return "Die Änderungszeit ließ sich am Ziel nicht setzen; die Kopie sähe neuer aus als "
             "ihr Original.";
    case kNoTrash:
      return "Auf diesem Datenträger gibt es keinen Papierkorb.";
    case ENOSPC:
      return "Auf dem Datenträger ist kein Platz mehr frei.";
    case EDQUOT:
      return "Der Speicherplatz, der Ihnen auf dem Datenträger zusteht (Quota), ist erschöpft.";
    case EROFS:
      return "Der Datenträger ist schreibgeschützt.";
    case EACCES:
    case EPERM:
      return "Die Datei oder ihr Ordner ist schreibgeschützt, oder die Berechtigung fehlt.";
    case ENOENT:
    case ENOTDIR:
      return "Die Datei oder ihr Ordner ist nicht mehr vorhanden.";
    case EIO:
      return "Ein- oder Ausgabefehler: Der Datenträger ist beschädigt oder nicht mehr "
             "verbunden.";
    case ENAMETOOLONG:
      return "Der Name ist für das Dateisystem zu lang.";
    case EFBIG:
      return "Die Datei ist zu groß für das Dateisystem des Ziels.";
    case EISDIR:
      return "An dieser Stelle steht ein Ordner; Ordner werden nie gelöscht.";
    case EBUSY:
    case ETXTBSY:
      return "Die Datei ist in Gebrauch.";
    default:
      return SystemText(error);
  }
}

}  // namespace zweiblick
