// SPDX-License-Identifier: GPL-3.0-or-later
#include "help/info_dialog.h"

#include <algorithm>
#include <cctype>

#include "help/online_help.h"
#include "help/text_rules.h"
#include "platform/window_port.h"
#include "settings/app_settings.h"

namespace zweiblick {

std::string ProgramDescription() {
  return std::string("Verzeichnisvergleiche unter ") + kSystemName + " leicht gemacht";
}

std::string InfoText(int year) {
  std::string description = ProgramDescription();
  std::string text = std::string(kProgramName) + VersionText(0x100) + " \xE2\x80\x93" +
                     (description.empty() ? "" : " ") + description;
  text += "\r\r";
  text += "Copyright \xC2\xA9 2003-" + std::to_string(year) + " Melkart Software. Freeware.";
  text += "\r\r";
  text +=
      "Verbesserungsvorschläge sind mir immer gern willkommen. Weitere nützliche Werkzeuge finden "
      "Sie auf "
      "der Web-Seite von Melkart: " +
      std::string(kWebHost);
  return text;
}

std::string UpdateAddress() {
  const std::string args[10] = {kProgramName, VersionText(1), WindowsVersionText()};
  std::string address =
      FormatText(std::string(kWebHost) + "/?find_update&app=%1&ver=%2&win=%3", args);
  std::transform(address.begin(), address.end(), address.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return address;
}

std::string SupportMailLink() {
  return std::string("mailto:") + kSupportMailbox + "?subject=" + "Ihre Software " + kProgramName +
         VersionText(0x100) + " unter " + kSystemName + " " + WindowsVersionText();
}

void PlaceInfoDialog(FormPlacement& dialog, ScreenSize screen) {
  int widthPx = screen.width / 15, heightPx = screen.height / 15;
  if (widthPx <= 640 || heightPx <= 480) {
    dialog.SetTop(0);
    dialog.SetLeft(0);
  } else {
    CenterFormOnScreen(dialog, screen);
  }
}

void UpdateButtonClick(WindowPort& port) {
  OpenDocument(port, UpdateAddress(), ShowCommand::kDefault);
}
void MailButtonClick(WindowPort& port) {
  OpenDocument(port, SupportMailLink(), ShowCommand::kDefault);
}
void PictureClick(WindowPort& port) {
  OpenWebSite(port);
}

}  // namespace zweiblick
