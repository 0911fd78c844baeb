// SPDX-License-Identifier: GPL-3.0-or-later
#include "reading/access_error.h"

#include <cerrno>

#include "platform/run_reporter.h"

namespace zweiblick {

int AccessErrorNumber(int posixError) {
  switch (posixError) {
    case ENOENT:
    case ENOTDIR:
      return 53;
    case EACCES:
    case EPERM:
    case EROFS:
      return 75;
    case ENAMETOOLONG:
    case EINVAL:
    case EILSEQ:
    case ELOOP:
      return 52;
    default:
      return 57;
  }
}

std::string AccessErrorText(int posixError, const std::string& path) {
  return "Zugriffsfehler " + std::to_string(AccessErrorNumber(posixError)) + " auf '" + path +
         "'\r" + "Dieser Name wird fortan ignoriert ...";
}

void ReportAccessError(RunReporter& run, int posixError, const std::string& path) {
  run.ShowMessage(AccessErrorText(posixError, path), MsgIcon::kExclamation, MsgButtons::kOk);
}

}  // namespace zweiblick
