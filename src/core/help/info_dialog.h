// SPDX-License-Identifier: GPL-3.0-or-later
// What the information dialog shows and where its buttons lead.
#pragma once

#include <string>

#include "platform/settings_store.h"

namespace zweiblick {

class WindowPort;

inline constexpr const char* kInfoTitle = "Info über Zweiblick";
inline constexpr const char* kInfoImageToolTip =
    "Klicken Sie hier, um noch mehr interessante Melkart-Programme kennenzulernen ...";
inline constexpr const char* kInfoUpdateCaption =
    "Auf Melkart nach neuer &Version dieser Software suchen";
inline constexpr const char* kInfoMailCaption = "&E-Mail an Melkart schreiben";
inline constexpr const char* kInfoCloseCaption = "&Fenster schliessen";

// "Verzeichnisvergleiche unter <system> leicht gemacht".
std::string ProgramDescription();

// The text of the dialog's label, lines separated by carriage returns.
std::string InfoText(int year);

// The address of the update check, all in lower case.
std::string UpdateAddress();
// The support mail link with the unencoded subject.
std::string SupportMailLink();

// Top left on a screen of at most 640 x 480 pixels, centred otherwise.
void PlaceInfoDialog(FormPlacement& dialog, ScreenSize screenTwips);

void UpdateButtonClick(WindowPort& port);
void MailButtonClick(WindowPort& port);
void PictureClick(WindowPort& port);

}  // namespace zweiblick
